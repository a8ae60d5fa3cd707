// The emblem generator: the compiled-in tables are exactly what it writes,
// so the emblem can be remade from its source.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "emblem_mesh.h"
#include "support/test_paths.h"

TEST(Emblem, GeneratorWritesTheCommittedTables) {
    std::ifstream file(SourceDir() + "/src/effects/image/quill3d_emblem.cpp", std::ios::binary);
    ASSERT_TRUE(file.good());
    std::stringstream committed;
    committed << file.rdbuf();
    EXPECT_EQ(committed.str(), emblem::EmblemSource(emblem::BuildEmblem()))
        << "remake it with build/make_emblem";
}

TEST(Emblem, SunAndRaysSpanTheUnitSquare) {
    const emblem::Mesh mesh = emblem::BuildEmblem();
    // Four ray tips mark the extent; the plate is 0.02 thick.
    float lo_x = 1, hi_x = -1, lo_z = 1, hi_z = -1;
    for (const auto& v : mesh.vertices) {
        lo_x = std::min(lo_x, v[0]);
        hi_x = std::max(hi_x, v[0]);
        lo_z = std::min(lo_z, v[2]);
        hi_z = std::max(hi_z, v[2]);
    }
    EXPECT_FLOAT_EQ(-0.5f, lo_x);
    EXPECT_FLOAT_EQ(0.5f, hi_x);
    EXPECT_FLOAT_EQ(-0.01f, lo_z);
    EXPECT_FLOAT_EQ(0.01f, hi_z);
}
