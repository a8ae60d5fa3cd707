// Mesh preparation: smoothing-group splitting, vertex normals, tangent space.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model3ds/reader.h"
#include "write3ds.h"

namespace {

struct Tri {
    uint16_t a, b, c;
    uint32_t group;
};

LMesh MakeMesh(const std::vector<Vec4>& vertices, const std::vector<Tri>& triangles,
               const std::vector<TexCoord>& uv = {}) {
    LMesh mesh;
    mesh.ResizeVertices(static_cast<uint32_t>(vertices.size()));
    for (uint32_t i = 0; i < vertices.size(); ++i) mesh.StoreVertex(vertices[i], i);
    for (uint32_t i = 0; i < uv.size(); ++i) mesh.StoreTexCoord(uv[i], i);
    mesh.ResizeTriangles(static_cast<uint32_t>(triangles.size()));
    for (uint32_t i = 0; i < triangles.size(); ++i) {
        MeshTriangle t;
        t.a = triangles[i].a;
        t.b = triangles[i].b;
        t.c = triangles[i].c;
        t.smoothing_group = triangles[i].group;
        mesh.StoreTriangle(t, i);
    }
    return mesh;
}

Vec4 P(float x, float y, float z) { return Vec4(x, y, z, 1); }

void ExpectVec(const Vec3& v, float x, float y, float z, const char* what) {
    EXPECT_NEAR(v.x, x, 1e-6) << what;
    EXPECT_NEAR(v.y, y, 1e-6) << what;
    EXPECT_NEAR(v.z, z, 1e-6) << what;
}

void ExpectFacesMatchTriangles(const LMesh& mesh) {
    for (uint32_t i = 0; i < mesh.TriangleCount(); ++i) {
        const Face& f = *mesh.FaceData(i);
        const MeshTriangle& t = mesh.TriangleAt(i);
        EXPECT_EQ(f.a, t.a);
        EXPECT_EQ(f.b, t.b);
        EXPECT_EQ(f.c, t.c);
    }
}

// Cube of 8 shared corners, two counter-clockwise triangles per side.
LMesh Cube(bool six_groups) {
    std::vector<Vec4> v;
    for (int i = 0; i < 8; ++i) v.push_back(P(i & 1 ? 1 : -1, i & 2 ? 1 : -1, i & 4 ? 1 : -1));
    const uint16_t sides[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                  {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
    std::vector<Tri> t;
    for (int s = 0; s < 6; ++s) {
        const uint32_t group = six_groups ? 1u << s : 1u;
        t.push_back({sides[s][0], sides[s][1], sides[s][2], group});
        t.push_back({sides[s][0], sides[s][2], sides[s][3], group});
    }
    return MakeMesh(v, t);
}

}  // namespace

TEST(PrepareTest, OneGroupKeepsVerticesAndAveragesFaceNormals) {
    LMesh cube = Cube(false);
    cube.Prepare();
    EXPECT_EQ(cube.VertexCount(), 8u);
    // Every vertex normal is a normalised sum of unit face normals and
    // points outwards.
    for (uint32_t v = 0; v < 8; ++v) {
        const Vec3& n = *cube.NormalData(v);
        const Vec4& p = *cube.VertexData(v);
        EXPECT_GT(n.x * p.x + n.y * p.y + n.z * p.z, 0) << v;
        EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1, 1e-5);
    }
    // Exact sum for corner 0: triangles (0,4,6), (0,6,2) on -x; (0,1,5),
    // (0,5,4) on -y; (0,2,3), (0,3,1) on -z: each side twice.
    const float k = 1 / std::sqrt(3.0f);
    ExpectVec(*cube.NormalData(0), -k, -k, -k, "corner 0");
    ExpectFacesMatchTriangles(cube);
}

TEST(PrepareTest, CubeOfSixGroupsGetsSideNormals) {
    LMesh cube = Cube(true);
    cube.Prepare();
    EXPECT_EQ(cube.VertexCount(), 24u);
    const float normals[6][3] = {{-1, 0, 0}, {1, 0, 0},  {0, -1, 0},
                                 {0, 1, 0},  {0, 0, -1}, {0, 0, 1}};
    for (uint32_t i = 0; i < cube.TriangleCount(); ++i) {
        const MeshTriangle& t = cube.TriangleAt(i);
        const float* n = normals[i / 2];
        ExpectVec(t.normal, n[0], n[1], n[2], "face");
        for (uint16_t corner : {t.a, t.b, t.c}) {
            ExpectVec(*cube.NormalData(corner), n[0], n[1], n[2], "vertex");
        }
    }
    // Every corner is used by one side only.
    std::vector<int> side_of(24, -1);
    for (uint32_t i = 0; i < cube.TriangleCount(); ++i) {
        const MeshTriangle& t = cube.TriangleAt(i);
        for (uint16_t corner : {t.a, t.b, t.c}) {
            EXPECT_TRUE(side_of[corner] == -1 || side_of[corner] == int(i / 2));
            side_of[corner] = static_cast<int>(i / 2);
        }
    }
    ExpectFacesMatchTriangles(cube);
}

TEST(PrepareTest, GroupsCompareAsWholeNumbers) {
    // Groups 1 and 3 share bit 0 but are different groups: both shared
    // vertices of the edge are split.
    const std::vector<Vec4> v = {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0), P(1, 1, 1)};
    LMesh mesh = MakeMesh(v, {{0, 1, 2, 1}, {2, 1, 3, 3}},
                          {TexCoord(0, 0), TexCoord(1, 0), TexCoord(0, 1), TexCoord(1, 1)});
    mesh.Prepare();
    ASSERT_EQ(mesh.VertexCount(), 6u);
    const MeshTriangle& second = mesh.TriangleAt(1);
    // Copies are appended in vertex order: 1 becomes 4, 2 becomes 5.
    EXPECT_EQ(second.a, 5);
    EXPECT_EQ(second.b, 4);
    EXPECT_EQ(second.c, 3);
    // The copies carry position and texture coordinate of their originals.
    EXPECT_EQ(mesh.VertexData(4)->x, 1);
    EXPECT_EQ(mesh.TexCoordData(5)->v, 1);
    ExpectVec(*mesh.NormalData(1), 0, 0, 1, "first group keeps its normal");
    ExpectVec(*mesh.NormalData(4), second.normal.x, second.normal.y, second.normal.z, "copy");
    ExpectFacesMatchTriangles(mesh);
}

TEST(PrepareTest, UnusedVerticesAndBrokenCorners) {
    const std::vector<Vec4> v = {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0), P(5, 5, 5)};
    LMesh mesh = MakeMesh(v, {{0, 1, 2, 1}, {0, 1, 900, 2}});
    mesh.Prepare();
    ExpectVec(*mesh.NormalData(3), 0, 0, 0, "unused vertex");
    ExpectVec(mesh.TriangleAt(1).normal, 0, 0, 0, "triangle naming no vertex");
    EXPECT_EQ(mesh.TriangleAt(1).c, 900);  // kept as read
}

TEST(PrepareTest, TangentSpace) {
    const std::vector<Vec4> v = {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)};
    LMesh mesh = MakeMesh(v, {{0, 1, 2, 1}}, {TexCoord(0, 0), TexCoord(1, 0), TexCoord(0, 1)});
    mesh.Prepare();
    ExpectVec(mesh.TriangleAt(0).tangent, 1, 0, 0, "triangle tangent");
    ExpectVec(mesh.TriangleAt(0).binormal, 0, 1, 0, "triangle binormal");
    ExpectVec(*mesh.NormalData(0), 0, 0, 1, "normal");
    ExpectVec(*mesh.TangentData(0), 1, 0, 0, "vertex tangent");
    ExpectVec(*mesh.BinormalData(0), 0, -1, 0, "tangent x normal");

    // Equal texture coordinates: c.x = 0 and the division gives non-finite
    // values, which reach the vertices the triangle touches.
    LMesh flat = MakeMesh(v, {{0, 1, 2, 1}});
    flat.Prepare();
    EXPECT_FALSE(std::isfinite(flat.TriangleAt(0).tangent.x));
    EXPECT_FALSE(std::isfinite(flat.TangentData(1)->x));
    ExpectVec(*flat.NormalData(1), 0, 0, 1, "normals are unaffected");
}

TEST(PrepareTest, SplittingNeverAddressesPast65535) {
    // 65,534 vertices; vertex 0 meets four groups and needs three copies, but
    // only two more vertices can be addressed.
    std::vector<Vec4> v(65534, P(0, 0, 0));
    for (int i = 1; i <= 5; ++i) v[i] = P(std::cos(i * 0.5f), std::sin(i * 0.5f), 0);
    LMesh mesh = MakeMesh(v, {{0, 1, 2, 1}, {0, 2, 3, 2}, {0, 3, 4, 4}, {0, 4, 5, 8}});
    mesh.Prepare();
    EXPECT_EQ(mesh.VertexCount(), 65536u);
    EXPECT_EQ(mesh.TriangleAt(0).a, 0);
    EXPECT_EQ(mesh.TriangleAt(1).a, 65534);
    EXPECT_EQ(mesh.TriangleAt(2).a, 65535);
    EXPECT_EQ(mesh.TriangleAt(3).a, 0);  // shares the original: a soft edge
    // Vertices 2, 3 and 4 would need copies too: they stay shared.
    EXPECT_EQ(mesh.TriangleAt(1).b, 2);
    ExpectFacesMatchTriangles(mesh);
}

TEST(PrepareTest, ThousandsOfGroupsAtOneVertex) {
    // 30,000 copies of one triangle, each in its own group: every corner
    // would need 29,999 copies; the vertex count stops at 65,536.
    std::vector<Tri> triangles;
    for (uint32_t i = 0; i < 30000; ++i) triangles.push_back({0, 1, 2, i + 1});
    LMesh mesh = MakeMesh({P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)}, triangles);
    mesh.Prepare();
    EXPECT_EQ(mesh.VertexCount(), 65536u);
    for (uint32_t i = 0; i < mesh.TriangleCount(); ++i) {
        const MeshTriangle& t = mesh.TriangleAt(i);
        ASSERT_TRUE(t.a < mesh.VertexCount() && t.b < mesh.VertexCount() &&
                    t.c < mesh.VertexCount());
    }
    // Copies of corner a come first (triangle i gets i + 2), then those of
    // b; c runs out of indices after 5,535 copies and the rest share it.
    EXPECT_EQ(mesh.TriangleAt(29999).a, 30001);
    EXPECT_EQ(mesh.TriangleAt(29999).b, 60000);
    EXPECT_EQ(mesh.TriangleAt(5535).c, 65535);
    EXPECT_EQ(mesh.TriangleAt(5536).c, 2);
    ExpectVec(*mesh.NormalData(65535), 0, 0, 1, "copies keep their normal");
    ExpectFacesMatchTriangles(mesh);
}

TEST(PrepareTest, ReaderPreparesEveryMesh) {
    write3ds::Scene scene;
    write3ds::Mesh quad;
    quad.name = "Q";
    quad.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    quad.faces = {{0, 1, 2}, {0, 2, 3}};
    quad.smoothing = {1, 2};
    scene.meshes = {quad, quad};
    const std::vector<uint8_t> bytes = write3ds::Write3ds(scene);
    L3DS prepared(bytes.data(), bytes.size());
    ASSERT_EQ(prepared.MeshCount(), 2u);
    EXPECT_EQ(prepared.MeshAt(0).VertexCount(), 6u);
    EXPECT_EQ(prepared.MeshAt(1).VertexCount(), 6u);
    ExpectVec(*prepared.MeshAt(1).NormalData(0), 0, 0, 1, "prepared");
    L3DS raw(bytes.data(), bytes.size(), L3DS::Preparation::kSkip);
    EXPECT_EQ(raw.MeshAt(0).VertexCount(), 4u);
    ExpectVec(*raw.MeshAt(0).NormalData(0), 0, 0, 0, "not prepared");
}
