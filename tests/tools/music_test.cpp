// The music generator writes the same bytes on every run: the committed
// data/music/kiln.ogg is exactly what it makes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "support/test_paths.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(MakeMusic, WritesTheCommittedFileByteForByte) {
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "the ffmpeg tool is not installed";
    ScratchDir dir;
    const CommandResult r =
        RunCommand("'" + BinaryDir() + "/make_music' kiln.ogg", dir.path(), 600);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string made = ReadAll(dir.path() + "/kiln.ogg");
    const std::string committed = ReadAll(SourceDir() + "/data/music/kiln.ogg");
    ASSERT_GT(committed.size(), 1000000u);
    EXPECT_EQ(made.size(), committed.size());
    EXPECT_TRUE(made == committed) << "build/make_music no longer makes data/music/kiln.ogg";
}

}  // namespace
