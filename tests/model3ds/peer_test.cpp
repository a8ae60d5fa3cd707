// Our reader against Debian's lib3ds on the third-party fixtures and on files
// written by our own writer: meshes as stored (before preparation) and the
// material colours must agree.
//
// Differences by design, checked separately below:
// - names: we keep at most 98 characters of an object name and 29 of a
//   material name; lib3ds keeps up to 63 and rejects longer ones;
// - texture coordinates: we keep one pair per vertex (missing pairs are
//   (0, 0), extra pairs are dropped); lib3ds keeps the pairs as stored;
// - order: lib3ds 1.3 keeps meshes and materials sorted by name (equal names
//   in file order); we keep file order. Our lists are compared in that same
//   stable name order, and our file order is checked against the writer's;
// - the last byte of a file: both read it (our reader lets a read end exactly
//   at the end of the data; a rule that a read must end before the end would
//   lose the last smoothing value of the files our writer makes).
#include <gtest/gtest.h>
#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "model3ds/reader.h"

#if defined(__SANITIZE_ADDRESS__)
#define PEER_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PEER_TEST_ASAN 1
#endif
#endif
#ifdef PEER_TEST_ASAN
#include <sanitizer/lsan_interface.h>
#endif
#include "support/test_paths.h"
#include "write3ds.h"

namespace {

constexpr const char* kFixtureDir = "../shared/fixtures/3ds";

std::vector<std::string> FixtureFiles() {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(kFixtureDir, error)) {
        if (entry.is_regular_file()) files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// lib3ds leaks the material it was reading when it rejects a file; that is
// not ours to report.
Lib3dsFile* LoadWithLib3ds(const std::string& path) {
#ifdef PEER_TEST_ASAN
    __lsan::ScopedDisabler not_ours;
#endif
    return lib3ds_file_load(path.c_str());
}

struct Lib3dsHandle {
    Lib3dsFile* file;
    explicit Lib3dsHandle(const std::string& path) : file(LoadWithLib3ds(path)) {}
    ~Lib3dsHandle() {
        if (file) lib3ds_file_free(file);
    }
};

void ExpectColour(const Colour& ours, const Lib3dsRgba theirs, const std::string& what) {
    EXPECT_EQ(ours.r, theirs[0]) << what;
    EXPECT_EQ(ours.g, theirs[1]) << what;
    EXPECT_EQ(ours.b, theirs[2]) << what;
}

// Positions 0..count-1 stably sorted by the byte-wise order of the names.
template <class NameOf>
std::vector<uint32_t> ByName(uint32_t count, NameOf name_of) {
    std::vector<uint32_t> order(count);
    for (uint32_t i = 0; i < count; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return std::strcmp(name_of(a).c_str(), name_of(b).c_str()) < 0;
    });
    return order;
}

// Compares everything both readers keep; adds the meshes compared to `meshes`.
void Compare(const std::string& path, size_t& meshes) {
    SCOPED_TRACE(path);
    L3DS ours(path.c_str(), L3DS::Preparation::kSkip);
    Lib3dsHandle theirs(path);
    if (!theirs.file) {
        EXPECT_EQ(ours.MeshCount(), 0u) << "lib3ds rejects the file, we keep meshes";
        return;
    }

    const std::vector<uint32_t> mesh_order =
        ByName(ours.MeshCount(), [&](uint32_t i) { return ours.MeshAt(i).Name(); });
    const std::vector<uint32_t> material_order =
        ByName(ours.MaterialCount(), [&](uint32_t i) { return ours.MaterialAt(i).Name(); });
    uint32_t m = 0;
    for (Lib3dsMesh* mesh = theirs.file->meshes; mesh; mesh = mesh->next, ++m, ++meshes) {
        if (m >= ours.MeshCount()) {
            ADD_FAILURE() << "lib3ds has more meshes than " << ours.MeshCount();
            break;
        }
        const LMesh& our = ours.MeshAt(mesh_order[m]);
        SCOPED_TRACE(mesh->name);
        EXPECT_EQ(our.Name(), mesh->name);
        ASSERT_EQ(our.VertexCount(), mesh->points);
        for (uint32_t i = 0; i < mesh->points; ++i) {
            const Vec4& v = *our.VertexData(i);
            EXPECT_EQ(v.x, mesh->pointL[i].pos[0]) << i;
            EXPECT_EQ(v.y, mesh->pointL[i].pos[1]) << i;
            EXPECT_EQ(v.z, mesh->pointL[i].pos[2]) << i;
        }
        for (uint32_t i = 0; i < mesh->points; ++i) {
            const TexCoord& uv = *our.TexCoordData(i);
            const float u = i < mesh->texels ? mesh->texelL[i][0] : 0.0f;
            const float v = i < mesh->texels ? mesh->texelL[i][1] : 0.0f;
            EXPECT_EQ(uv.u, u) << i;
            EXPECT_EQ(uv.v, v) << i;
        }
        ASSERT_EQ(our.TriangleCount(), mesh->faces);
        for (uint32_t i = 0; i < mesh->faces; ++i) {
            const MeshTriangle& t = ours.MeshAt(mesh_order[m]).TriangleAt(i);
            const Lib3dsFace& f = mesh->faceL[i];
            EXPECT_EQ(t.a, f.points[0]) << i;
            EXPECT_EQ(t.b, f.points[1]) << i;
            EXPECT_EQ(t.c, f.points[2]) << i;
            // Without a smoothing chunk lib3ds leaves 0 and we store group 1.
            if (f.smoothing != 0 || t.smoothing_group != 1) {
                EXPECT_EQ(t.smoothing_group, f.smoothing) << i;
            }
            const std::string material =
                t.material_id == kNoMaterial ? "" : ours.MaterialAt(t.material_id).Name();
            EXPECT_EQ(material, f.material) << i;
        }
    }
    EXPECT_EQ(m, ours.MeshCount());

    uint32_t k = 0;
    for (Lib3dsMaterial* mat = theirs.file->materials; mat; mat = mat->next, ++k) {
        if (k >= ours.MaterialCount()) {
            ADD_FAILURE() << "lib3ds has more materials than " << ours.MaterialCount();
            break;
        }
        const LMaterial& our = ours.MaterialAt(material_order[k]);
        EXPECT_EQ(our.Name(), mat->name);
        ExpectColour(our.Ambient(), mat->ambient, "ambient");
        ExpectColour(our.Diffuse(), mat->diffuse, "diffuse");
        ExpectColour(our.Specular(), mat->specular, "specular");
    }
    EXPECT_EQ(k, ours.MaterialCount());
}

size_t CompareWithLib3ds(const std::string& path) {
    size_t meshes = 0;
    Compare(path, meshes);
    return meshes;
}

write3ds::Mesh Strip(const std::string& name, int quads, uint32_t first_group) {
    write3ds::Mesh mesh;
    mesh.name = name;
    for (int i = 0; i <= quads; ++i) {
        for (int j = 0; j < 2; ++j) {
            mesh.vertices.push_back({static_cast<float>(i), static_cast<float>(j), 0.5f * i});
            mesh.texcoords.push_back({i * 0.1f, static_cast<float>(j)});
        }
    }
    for (int i = 0; i < quads; ++i) {
        const uint16_t a = static_cast<uint16_t>(2 * i);
        mesh.faces.push_back({a, static_cast<uint16_t>(a + 2), static_cast<uint16_t>(a + 3)});
        mesh.faces.push_back({a, static_cast<uint16_t>(a + 3), static_cast<uint16_t>(a + 1)});
        mesh.smoothing.push_back(first_group << (i % 3));
        mesh.smoothing.push_back(first_group << (i % 3));
    }
    return mesh;
}

}  // namespace

TEST(PeerTest, FixturesMatchLib3ds) {
    const std::vector<std::string> files = FixtureFiles();
    if (files.empty()) GTEST_SKIP() << kFixtureDir << " is not here";
    size_t meshes = 0;
    for (const std::string& path : files) meshes += CompareWithLib3ds(path);
    EXPECT_GT(meshes, 10u);
}

TEST(PeerTest, OurWriterMatchesLib3ds) {
    ScratchDir dir;
    write3ds::Scene scene;
    write3ds::Material red;
    red.name = "Red";
    red.ambient = {0.1f, 0.2f, 0.3f};
    red.diffuse = {1, 0, 0};
    red.specular = {0.5f, 0.5f, 0.5f};
    write3ds::Material blue = red;
    blue.name = "Blue";
    blue.diffuse = {0, 0, 1};
    scene.materials = {red, blue};
    scene.meshes.push_back(Strip("Beta", 10, 1));
    scene.meshes.push_back(Strip("Alpha", 3, 8));
    scene.meshes[0].groups.push_back({"Red", {0, 1, 2, 3}});
    scene.meshes[0].groups.push_back({"Blue", {4, 5, 6}});
    scene.meshes[1].texcoords.resize(3);  // fewer pairs than vertices
    const std::string path = dir.path() + "/strips.3ds";
    ASSERT_TRUE(write3ds::Save3ds(scene, path));
    EXPECT_EQ(CompareWithLib3ds(path), 2u);
    L3DS ours(path.c_str(), L3DS::Preparation::kSkip);
    ASSERT_EQ(ours.MeshCount(), 2u);
    EXPECT_EQ(ours.MeshAt(0).Name(), "Beta");
    EXPECT_EQ(ours.MeshAt(1).Name(), "Alpha");
    ASSERT_EQ(ours.MaterialCount(), 2u);
    EXPECT_EQ(ours.MaterialAt(0).Name(), "Red");
    EXPECT_EQ(ours.MaterialAt(1).Id(), 1u);

    // The show's meshes end with their smoothing chunk: the last value sits
    // in the file's last bytes.
    for (const char* show : {"data/rubber/simple.3ds", "data/misc/simple.3ds"}) {
        EXPECT_EQ(CompareWithLib3ds(show), 1u);
    }
}

TEST(PeerTest, NameLimitsDifferByDesign) {
    ScratchDir dir;
    write3ds::Scene scene;
    write3ds::Material m;
    m.name = std::string(40, 'm');
    scene.materials.push_back(m);
    scene.meshes.push_back(Strip(std::string(60, 'o'), 2, 1));
    const std::string path = dir.path() + "/names.3ds";
    ASSERT_TRUE(write3ds::Save3ds(scene, path));

    L3DS ours(path.c_str(), L3DS::Preparation::kSkip);
    Lib3dsHandle theirs(path);
    ASSERT_NE(theirs.file, nullptr);
    ASSERT_EQ(ours.MaterialCount(), 1u);
    EXPECT_EQ(ours.MaterialAt(0).Name(), std::string(29, 'm'));
    EXPECT_EQ(std::string(theirs.file->materials->name), std::string(40, 'm'));
    ASSERT_EQ(ours.MeshCount(), 1u);
    EXPECT_EQ(ours.MeshAt(0).Name(), theirs.file->meshes->name);

    // 98 characters are past lib3ds's limit but within ours.
    scene.meshes[0].name = std::string(98, 'o');
    ASSERT_TRUE(write3ds::Save3ds(scene, path));
    L3DS long_ours(path.c_str(), L3DS::Preparation::kSkip);
    ASSERT_EQ(long_ours.MeshCount(), 1u);
    EXPECT_EQ(long_ours.MeshAt(0).Name(), std::string(98, 'o'));
    Lib3dsHandle long_theirs(path);
    EXPECT_TRUE(long_theirs.file == nullptr || long_theirs.file->meshes == nullptr);
}
