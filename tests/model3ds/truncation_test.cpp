// Every prefix of a valid file loads without a crash: the reader stops at the
// end of the data wherever it falls, and preparation copes with what was read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "model3ds/reader.h"
#include "write3ds.h"

namespace {

void LoadEveryPrefix(const std::vector<uint8_t>& bytes, const std::string& what) {
    SCOPED_TRACE(what);
    uint32_t meshes_in_whole = 0;
    for (size_t size = 0; size <= bytes.size(); ++size) {
        L3DS model(bytes.data(), size);
        for (uint32_t m = 0; m < model.MeshCount(); ++m) {
            const LMesh& mesh = model.MeshAt(m);
            ASSERT_LE(mesh.VertexCount(), 65536u) << size;
            for (uint32_t i = 0; i < mesh.TriangleCount(); ++i) {
                ASSERT_EQ(mesh.FaceData(i)->c, mesh.TriangleAt(i).c) << size;
            }
        }
        if (size == bytes.size()) meshes_in_whole = model.MeshCount();
        // Under six bytes there is not even a root header.
        if (size < 6) {
            EXPECT_EQ(model.MeshCount(), 0u) << size;
        }
    }
    EXPECT_EQ(meshes_in_whole, L3DS(bytes.data(), bytes.size()).MeshCount());
}

write3ds::Scene SmallScene() {
    write3ds::Scene scene;
    write3ds::Material m;
    m.name = "Paint";
    m.diffuse = {0.5f, 0.25f, 1};
    scene.materials.push_back(m);
    write3ds::Mesh mesh;
    mesh.name = "Tetra";
    mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    mesh.texcoords = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    mesh.faces = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
    mesh.groups.push_back({"Paint", {0, 1, 2, 3}});
    mesh.smoothing = {1, 2, 4, 8};
    mesh.has_matrix = true;
    mesh.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    scene.meshes = {mesh, mesh};
    scene.meshes[1].name = "Second";
    return scene;
}

}  // namespace

TEST(TruncationTest, EveryPrefixOfOurFilesLoads) {
    LoadEveryPrefix(write3ds::Write3ds(SmallScene()), "tetrahedra");
}

TEST(TruncationTest, EveryPrefixOfTheFixturesLoads) {
    const std::filesystem::path dir = "../shared/fixtures/3ds";
    std::error_code error;
    if (!std::filesystem::is_directory(dir, error)) GTEST_SKIP() << dir << " is not here";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        LoadEveryPrefix(bytes, entry.path().string());
        ++files;
    }
    EXPECT_GT(files, 0);
}
