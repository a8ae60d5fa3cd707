// The 3DS reader on hand-built byte blocks: chunk walking, damaged and
// truncated data, names, materials, texture coordinates, groups and lights.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model3ds/reader.h"
#include "support/test_paths.h"
#include "write3ds.h"

namespace {

using write3ds::ChunkWriter;

L3DS Read(const std::vector<uint8_t>& bytes) {
    return L3DS(bytes.data(), bytes.size(), L3DS::Preparation::kSkip);
}

void Floats(ChunkWriter& w, std::initializer_list<float> values) {
    for (float v : values) w.F32(v);
}

// Opens root, editor and a named object holding a triangle mesh.
void BeginMeshObject(ChunkWriter& w, const std::string& name) {
    w.Begin(0x4000);
    w.Name(name);
    w.Begin(0x4100);
}

void VertexList(ChunkWriter& w, int count) {
    w.Begin(0x4110);
    w.U16(static_cast<uint16_t>(count));
    for (int i = 0; i < count; ++i) Floats(w, {float(i), float(10 * i), float(100 * i)});
    w.End();
}

void TexCoordList(ChunkWriter& w, int count) {
    w.Begin(0x4140);
    w.U16(static_cast<uint16_t>(count));
    for (int i = 0; i < count; ++i) Floats(w, {0.5f + i, 0.25f + i});
    w.End();
}

void FaceList(ChunkWriter& w, int count) {
    w.U16(static_cast<uint16_t>(count));
    for (int i = 0; i < count; ++i) {
        w.U16(0);
        w.U16(1);
        w.U16(2);
        w.U16(7);
    }
}

void Material(ChunkWriter& w, const std::string& name) {
    w.Begin(0xAFFF);
    w.Begin(0xA000);
    w.Name(name);
    w.End();
    w.End();
}

// A file of one mesh "M" with `vertices` vertices and a face list of two faces.
std::vector<uint8_t> SimpleMesh(int vertices) {
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    BeginMeshObject(w, "M");
    VertexList(w, vertices);
    w.Begin(0x4120);
    FaceList(w, 2);
    w.End();
    w.End();
    w.End();
    w.End();
    w.End();
    return w.Bytes();
}

}  // namespace

TEST(ReaderTest, RejectsFilesWithoutRootOrEditor) {
    ChunkWriter wrong_root;
    wrong_root.Begin(0x4D4C);
    wrong_root.Begin(0x3D3D);
    BeginMeshObject(wrong_root, "M");
    VertexList(wrong_root, 3);
    wrong_root.End();
    wrong_root.End();
    wrong_root.End();
    wrong_root.End();
    EXPECT_EQ(Read(wrong_root.Bytes()).MeshCount(), 0u);

    ChunkWriter no_editor;
    no_editor.Begin(0x4D4D);
    no_editor.Begin(0x3D3E);
    no_editor.U32(3);
    no_editor.End();
    no_editor.End();
    const L3DS model = Read(no_editor.Bytes());
    EXPECT_EQ(model.MeshCount() + model.MaterialCount() + model.LightCount(), 0u);

    EXPECT_EQ(Read({}).MeshCount(), 0u);
    EXPECT_EQ(L3DS("no/such/file.3ds").MeshCount(), 0u);
    EXPECT_EQ(L3DS("data").MeshCount(), 0u);  // a folder
}

TEST(ReaderTest, ReadsAMeshAndKeepsTheMatrixAsRead) {
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    BeginMeshObject(w, "Box");
    VertexList(w, 3);
    w.Begin(0x4160);
    Floats(w, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    w.End();
    w.End();
    w.End();
    BeginMeshObject(w, "Plain");
    VertexList(w, 1);
    w.End();
    w.End();
    w.End();
    w.End();
    L3DS model = Read(w.Bytes());
    ASSERT_EQ(model.MeshCount(), 2u);
    const LMesh& box = model.MeshAt(0);
    EXPECT_EQ(box.Name(), "Box");
    ASSERT_EQ(box.VertexCount(), 3u);
    EXPECT_EQ(box.VertexData(2)->y, 20);
    EXPECT_EQ(box.VertexData(2)->w, 1);
    const float expected[16] = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 1};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(box.Matrix()[i], expected[i]) << i;
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(model.MeshAt(1).Matrix()[i], identity[i]) << i;
}

TEST(ReaderTest, TruncatedFilesKeepWhatWasReadAndZeroTheRest) {
    const std::vector<uint8_t> whole = SimpleMesh(4);
    // Cut inside the third vertex: x of vertex 2 is whole, y and z are gone.
    const size_t vertex_data = 6 + 6 + 6 + 2 + 6 + 6 + 2;  // headers, name, count
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + vertex_data + 2 * 12 + 4 + 2);
    L3DS model = Read(cut);
    ASSERT_EQ(model.MeshCount(), 1u);
    const LMesh& mesh = model.MeshAt(0);
    ASSERT_EQ(mesh.VertexCount(), 4u);
    EXPECT_EQ(mesh.VertexData(1)->z, 100);
    EXPECT_EQ(mesh.VertexData(2)->x, 2);
    EXPECT_EQ(mesh.VertexData(2)->y, 0);
    EXPECT_EQ(mesh.VertexData(3)->x, 0);
    EXPECT_EQ(mesh.VertexData(3)->w, 1);
    EXPECT_EQ(mesh.TriangleCount(), 0u);
}

TEST(ReaderTest, ZeroLengthChunksEndTheirWalk) {
    // In the mesh: the vertex list before it is kept, the faces after it are not.
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    BeginMeshObject(w, "M");
    VertexList(w, 3);
    w.Begin(0x4999);
    w.EndWithLength(0);
    w.Begin(0x4120);
    FaceList(w, 1);
    w.End();
    w.End();
    w.End();
    // A zero-length material entry ends the editor's walk (no endless loop).
    w.Begin(0xAFFF);
    w.EndWithLength(0);
    Material(w, "Late");
    w.End();
    w.End();
    L3DS model = Read(w.Bytes());
    ASSERT_EQ(model.MeshCount(), 1u);
    EXPECT_EQ(model.MeshAt(0).VertexCount(), 3u);
    EXPECT_EQ(model.MeshAt(0).TriangleCount(), 0u);
    EXPECT_EQ(model.MaterialCount(), 0u);

    // Lengths of 1 to 5 and a length that wraps the offset behave the same.
    for (uint32_t length : {1u, 5u, 0xFFFFFFFFu}) {
        ChunkWriter v;
        v.Begin(0x4D4D);
        v.Begin(0x3D3D);
        Material(v, "First");
        v.Begin(0xAFFF);
        v.EndWithLength(length);
        Material(v, "Never");
        v.End();
        v.End();
        const L3DS broken = Read(v.Bytes());
        ASSERT_EQ(broken.MaterialCount(), 1u) << length;
        EXPECT_EQ(broken.MaterialAt(0).Name(), "First");
    }
}

TEST(ReaderTest, LengthsPastTheEndReadUpToTheEnd) {
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    BeginMeshObject(w, "Far");
    w.Begin(0x4110);
    w.U16(1000);  // far more vertices than follow
    Floats(w, {1, 2, 3});
    w.EndWithLength(1000000);
    w.EndWithLength(2000000);
    w.EndWithLength(3000000);
    w.EndWithLength(4000000);
    w.EndWithLength(5000000);
    L3DS model = Read(w.Bytes());
    ASSERT_EQ(model.MeshCount(), 1u);
    ASSERT_EQ(model.MeshAt(0).VertexCount(), 1000u);
    EXPECT_EQ(model.MeshAt(0).VertexData(0)->z, 3);
    EXPECT_EQ(model.MeshAt(0).VertexData(999)->x, 0);
}

TEST(ReaderTest, ObjectNamesAreCutAt98Characters) {
    // 98 characters fit; the mesh is read.
    const std::string fits(98, 'n');
    ChunkWriter ok;
    ok.Begin(0x4D4D);
    ok.Begin(0x3D3D);
    BeginMeshObject(ok, fits);
    VertexList(ok, 1);
    ok.End();
    ok.End();
    ok.End();
    ok.End();
    L3DS model = Read(ok.Bytes());
    ASSERT_EQ(model.MeshCount(), 1u);
    EXPECT_EQ(model.MeshAt(0).Name(), fits);

    // With 120 the next header comes from inside the name: not a mesh, not a
    // light. The object after it is read as usual.
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    BeginMeshObject(w, std::string(120, 'n'));
    VertexList(w, 1);
    w.End();
    w.End();
    BeginMeshObject(w, "Next");
    VertexList(w, 2);
    w.End();
    w.End();
    w.End();
    w.End();
    L3DS cut = Read(w.Bytes());
    ASSERT_EQ(cut.MeshCount(), 1u);
    EXPECT_EQ(cut.MeshAt(0).Name(), "Next");
    EXPECT_EQ(cut.LightCount(), 0u);
}

TEST(ReaderTest, MaterialProperties) {
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    w.Begin(0xAFFF);
    w.Begin(0xA000);
    w.Name(std::string(35, 'g'));  // 29 characters are kept
    w.End();
    w.Begin(0xA010);
    w.Chunk(0x0011, {255, 51, 0});
    w.Chunk(0x0012, {0, 0, 0});  // later colour sub-chunks are ignored
    w.End();
    w.Begin(0xA020);
    w.Begin(0x0013);
    Floats(w, {0.25f, 0.5f, 0.75f});
    w.End();
    w.End();
    w.Begin(0xA030);
    w.Chunk(0x0099, {1, 2, 3});  // not a colour: (0, 0, 0)
    w.End();
    w.Begin(0xA040);
    w.Chunk(0x0030, {40, 0});
    w.End();
    w.Begin(0xA050);
    w.Begin(0x0031);
    w.F32(1.5f);
    w.End();
    w.End();
    w.Begin(0xA100);
    w.U16(7);  // not a shading type: stays 2
    w.End();
    w.Begin(0xA200);
    w.Chunk(0x0030, {0x9C, 0xFF});  // -100 %
    w.Begin(0xA300);
    w.Name("a_very_long_texture_name.jpg");
    w.End();
    w.Begin(0xA354);
    w.F32(3);
    w.End();
    w.Begin(0xA35C);
    w.F32(45);
    w.End();
    w.End();
    w.End();
    Material(w, "Wire");
    w.End();
    w.End();
    // A shading chunk of 3 and a wire-frame flag, in a second file.
    ChunkWriter s;
    s.Begin(0x4D4D);
    s.Begin(0x3D3D);
    s.Begin(0xAFFF);
    s.Begin(0xA100);
    s.U16(3);
    s.End();
    s.End();
    s.Begin(0xAFFF);
    s.Chunk(0xA085, {});
    s.End();
    s.End();
    s.End();

    L3DS model = Read(w.Bytes());
    ASSERT_EQ(model.MaterialCount(), 2u);
    const LMaterial& m = model.MaterialAt(0);
    EXPECT_EQ(m.Name(), std::string(29, 'g'));
    EXPECT_EQ(m.Ambient().r, 1);
    EXPECT_EQ(m.Ambient().g, 51 / 255.0f);
    EXPECT_EQ(m.Diffuse().b, 0.75f);
    EXPECT_EQ(m.Specular().r + m.Specular().g + m.Specular().b, 0);
    EXPECT_FLOAT_EQ(m.Shininess(), 0.4f);
    EXPECT_EQ(m.Transparency(), 1);
    EXPECT_EQ(m.ShadingType(), 2);
    EXPECT_EQ(m.TextureMap1().strength, -1);
    EXPECT_STREQ(m.TextureMap1().file_name, "a_very_long_texture");
    EXPECT_EQ(m.TextureMap1().u_scale, 3);
    EXPECT_EQ(m.TextureMap1().v_scale, 1);
    EXPECT_EQ(m.TextureMap1().rotation, 45);
    EXPECT_EQ(model.MaterialAt(1).Id(), 1u);

    L3DS shading = Read(s.Bytes());
    ASSERT_EQ(shading.MaterialCount(), 2u);
    EXPECT_EQ(shading.MaterialAt(0).ShadingType(), 3);
    EXPECT_EQ(shading.MaterialAt(1).ShadingType(), 0);
}

TEST(ReaderTest, ReflectionMapNeedsANameChunk) {
    auto file = [](bool with_name, const std::string& name) {
        ChunkWriter w;
        w.Begin(0x4D4D);
        w.Begin(0x3D3D);
        w.Begin(0xAFFF);
        w.Begin(0xA000);
        w.Name("Mirror");
        w.End();
        w.Begin(0xA220);
        w.Chunk(0x0030, {50, 0});
        if (with_name) {
            w.Begin(0xA300);
            w.Name(name);
            w.End();
        } else {
            w.Chunk(0xA354, {0, 0, 0, 0});
        }
        w.End();
        w.End();
        Material(w, "Kept");
        BeginMeshObject(w, "M");
        VertexList(w, 3);
        w.Begin(0x4120);
        FaceList(w, 2);
        w.Begin(0x4130);
        w.Name("Mirror");
        w.U16(1);
        w.U16(0);
        w.End();
        w.Begin(0x4130);
        w.Name("Kept");
        w.U16(1);
        w.U16(1);
        w.End();
        w.End();
        w.End();
        w.End();
        w.End();
        w.End();
        return w.Bytes();
    };

    L3DS dropped = Read(file(false, ""));
    ASSERT_EQ(dropped.MaterialCount(), 1u);
    EXPECT_EQ(dropped.MaterialAt(0).Name(), "Kept");
    EXPECT_EQ(dropped.MaterialAt(0).Id(), 0u);
    // The group naming the dropped material gets no material.
    LMesh& mesh = dropped.MeshAt(0);
    EXPECT_EQ(mesh.TriangleAt(0).material_id, kNoMaterial);
    EXPECT_EQ(mesh.TriangleAt(1).material_id, 0u);
    ASSERT_EQ(mesh.MaterialIds().size(), 2u);
    EXPECT_EQ(mesh.MaterialIds()[0], kNoMaterial);
    EXPECT_EQ(mesh.MaterialIds()[1], 0u);

    L3DS empty_name = Read(file(true, ""));
    ASSERT_EQ(empty_name.MaterialCount(), 2u);
    EXPECT_STREQ(empty_name.MaterialAt(0).ReflectionMap().file_name, "auto");
    // The strength is the 50 % of the map's percentage sub-chunk.
    EXPECT_FLOAT_EQ(empty_name.MaterialAt(0).ReflectionMap().strength, 0.5f);
    EXPECT_EQ(empty_name.MeshAt(0).TriangleAt(0).material_id, 0u);

    L3DS named = Read(file(true, "sky.jpg"));
    ASSERT_EQ(named.MaterialCount(), 2u);
    EXPECT_STREQ(named.MaterialAt(0).ReflectionMap().file_name, "");
    EXPECT_FLOAT_EQ(named.MaterialAt(0).ReflectionMap().strength, 0.5f);
}

TEST(ReaderTest, TextureCoordinatesFollowTheVertexCount) {
    auto file = [](int first_tex, int vertices, int second_tex) {
        ChunkWriter w;
        w.Begin(0x4D4D);
        w.Begin(0x3D3D);
        BeginMeshObject(w, "M");
        if (first_tex > 0) TexCoordList(w, first_tex);
        if (vertices > 0) VertexList(w, vertices);
        if (second_tex > 0) TexCoordList(w, second_tex);
        w.End();
        w.End();
        w.End();
        w.End();
        return w.Bytes();
    };
    // More pairs than vertices: extra pairs dropped.
    L3DS more = Read(file(0, 3, 5));
    ASSERT_EQ(more.MeshAt(0).VertexCount(), 3u);
    EXPECT_EQ(more.MeshAt(0).TexCoordData(2)->u, 2.5f);
    // Fewer: the rest stay (0, 0).
    L3DS fewer = Read(file(0, 4, 2));
    EXPECT_EQ(fewer.MeshAt(0).TexCoordData(1)->v, 1.25f);
    EXPECT_EQ(fewer.MeshAt(0).TexCoordData(2)->u, 0);
    EXPECT_EQ(fewer.MeshAt(0).TexCoordData(3)->v, 0);
    // Before the vertices: they size the lists (vertices all zero, w too),
    // then the vertex list resizes to its own count keeping the pairs.
    L3DS before_only = Read(file(4, 0, 0));
    ASSERT_EQ(before_only.MeshAt(0).VertexCount(), 4u);
    EXPECT_EQ(before_only.MeshAt(0).VertexData(3)->w, 0);
    L3DS before = Read(file(4, 2, 0));
    ASSERT_EQ(before.MeshAt(0).VertexCount(), 2u);
    EXPECT_EQ(before.MeshAt(0).TexCoordData(1)->u, 1.5f);
    EXPECT_EQ(before.MeshAt(0).VertexData(1)->x, 1);
    L3DS grows = Read(file(2, 3, 0));
    EXPECT_EQ(grows.MeshAt(0).TexCoordData(1)->v, 1.25f);
    EXPECT_EQ(grows.MeshAt(0).TexCoordData(2)->u, 0);
}

TEST(ReaderTest, GroupsAndSmoothing) {
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    Material(w, "A");
    Material(w, "B");
    BeginMeshObject(w, "M");
    VertexList(w, 3);
    w.Begin(0x4120);
    FaceList(w, 4);
    w.Begin(0x4130);
    w.Name("A");
    w.U16(3);
    w.U16(0);
    w.U16(1);
    w.U16(900);  // no such face: ignored
    w.End();
    w.Begin(0x4130);
    w.Name("B");
    w.U16(1);
    w.U16(1);  // face 1 named twice: the last group wins
    w.End();
    w.Begin(0x4130);
    w.Name("Nowhere");
    w.U16(1);
    w.U16(2);
    w.End();
    w.Begin(0x4150);
    for (uint32_t g : {1u, 3u, 0x80000000u, 5u}) w.U32(g);
    w.End();
    w.End();
    w.End();
    w.End();
    w.End();
    w.End();
    L3DS model = Read(w.Bytes());
    ASSERT_EQ(model.MeshCount(), 1u);
    LMesh& mesh = model.MeshAt(0);
    ASSERT_EQ(mesh.TriangleCount(), 4u);
    EXPECT_EQ(mesh.TriangleAt(0).material_id, 0u);
    EXPECT_EQ(mesh.TriangleAt(1).material_id, 1u);
    EXPECT_EQ(mesh.TriangleAt(2).material_id, kNoMaterial);
    EXPECT_EQ(mesh.TriangleAt(3).material_id, kNoMaterial);  // named by no group
    EXPECT_EQ(mesh.MaterialIds(), (std::vector<uint32_t>{0, 1, kNoMaterial}));
    EXPECT_EQ(mesh.TriangleAt(1).smoothing_group, 3u);
    EXPECT_EQ(mesh.TriangleAt(2).smoothing_group, 0x80000000u);
    // The last value sits in the file's last four bytes and is read.
    EXPECT_EQ(mesh.TriangleAt(3).smoothing_group, 5u);
    EXPECT_EQ(mesh.TriangleAt(2).b, 1);

    L3DS plain = Read(SimpleMesh(3));
    EXPECT_EQ(plain.MeshAt(0).TriangleAt(1).smoothing_group, 1u);
}

TEST(ReaderTest, LastByteOfTheFileIsRead) {
    // Faces end the file; the last corner's high byte is its last byte.
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    BeginMeshObject(w, "M");
    VertexList(w, 3);
    w.Begin(0x4120);
    w.U16(1);
    w.U16(0);
    w.U16(1);
    w.U16(0x0102);
    w.End();
    w.End();
    w.End();
    w.End();
    w.End();
    // The edge flags are missing: the face chunk ends after corner c.
    L3DS model = Read(w.Bytes());
    ASSERT_EQ(model.MeshCount(), 1u);
    ASSERT_EQ(model.MeshAt(0).TriangleCount(), 1u);
    EXPECT_EQ(model.MeshAt(0).TriangleAt(0).c, 0x0102);

    // The same through a file on disk.
    ScratchDir dir;
    const std::string path = dir.Write("last.3ds", std::string(w.Bytes().begin(), w.Bytes().end()));
    L3DS from_file(path.c_str(), L3DS::Preparation::kSkip);
    ASSERT_EQ(from_file.MeshCount(), 1u);
    EXPECT_EQ(from_file.MeshAt(0).TriangleAt(0).c, 0x0102);
}

TEST(ReaderTest, LightsTakePositionAndFirstColour) {
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    w.Begin(0x4000);
    w.Name("Sun");
    w.Begin(0x4600);
    Floats(w, {1, 2, 3});
    w.Chunk(0x4610, std::vector<uint8_t>(20, 0));  // spotlight: passed over
    w.Chunk(0x0011, {255, 0, 51});
    w.Begin(0x0010);
    Floats(w, {0.5f, 0.5f, 0.5f});
    w.End();
    w.End();
    w.End();
    w.Begin(0x4000);
    w.Name("Camera");
    w.Chunk(0x4700, std::vector<uint8_t>(32, 0));
    w.End();
    w.End();
    w.End();
    L3DS model = Read(w.Bytes());
    EXPECT_EQ(model.MeshCount(), 0u);
    ASSERT_EQ(model.LightCount(), 1u);
    const LLight& light = model.LightAt(0);
    EXPECT_EQ(light.Name(), "Sun");
    EXPECT_EQ(light.Position().z, 3);
    EXPECT_EQ(light.GetColour().r, 1);
    EXPECT_EQ(light.GetColour().b, 0.2f);
    EXPECT_FALSE(light.IsSpotlight());
}

TEST(ReaderTest, MaterialByNameComparesWholeNames) {
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    Material(w, "Red");
    Material(w, "Red2");
    Material(w, "Red");
    w.End();
    w.End();
    L3DS model = Read(w.Bytes());
    ASSERT_EQ(model.MaterialCount(), 3u);
    EXPECT_EQ(model.MaterialByName("Red")->Id(), 0u);
    EXPECT_EQ(model.MaterialByName("Red2")->Id(), 1u);
    EXPECT_EQ(model.MaterialByName("Re"), nullptr);
    EXPECT_EQ(model.MaterialByName("red"), nullptr);
}

TEST(SceneTest, MeshListsResizeTogether) {
    LMesh mesh;
    mesh.ResizeVertices(3);
    for (uint32_t i = 0; i < 3; ++i) mesh.StoreVertex(Vec4(1.0f + i, 2, 3, 1), i);
    mesh.StoreVertex(Vec4(9, 9, 9, 9), 3);  // index == count: nothing happens
    mesh.StoreTexCoord(TexCoord(9, 9), 3);
    EXPECT_EQ(mesh.VertexCount(), 3u);
    mesh.ResizeVertices(5);
    EXPECT_EQ(mesh.VertexData(2)->x, 3);
    EXPECT_EQ(mesh.VertexData(4)->x + mesh.VertexData(4)->w, 0);
    EXPECT_EQ(mesh.NormalData(4)->z, 0);
    EXPECT_EQ(mesh.TexCoordData(4)->u, 0);
    // The per-vertex lists are contiguous: element 4 lies 4 elements further.
    EXPECT_EQ(mesh.VertexData(4) - mesh.VertexData(0), 4);
    EXPECT_EQ(mesh.BinormalData(4) - mesh.BinormalData(0), 4);

    mesh.ResizeTriangles(2);
    MeshTriangle t;
    t.a = 5;
    mesh.StoreTriangle(t, 2);  // out of range: nothing happens
    EXPECT_EQ(mesh.TriangleAt(1).a, 0);
    EXPECT_EQ(mesh.AddMaterialId(7), 0u);
    EXPECT_EQ(mesh.AddMaterialId(7), 1u);

    LMesh copy = mesh;
    mesh.MakeEmpty();
    EXPECT_EQ(mesh.VertexCount() + mesh.TriangleCount(), 0u);
    EXPECT_EQ(copy.VertexCount(), 5u);
    EXPECT_EQ(copy.MaterialIds().size(), 2u);
}

TEST(SceneTest, MaterialClampsAndDefaults) {
    LMaterial m;
    EXPECT_EQ(m.ShadingType(), 2);
    EXPECT_EQ(m.TextureMap1().u_scale, 1);
    m.SetShininess(1.5f);
    m.SetTransparency(-0.2f);
    EXPECT_EQ(m.Shininess(), 1);
    EXPECT_EQ(m.Transparency(), 0);
    m.Rename("Gold");
    EXPECT_TRUE(m.HasName("Gold"));
    EXPECT_FALSE(m.HasName("Gol"));
}
