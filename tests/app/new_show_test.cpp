// Shows in other folders: --new-show writes a starter show that plays from
// another working directory (captured, and live with --watch --tweak), and
// the folders --show and --new-show refuse. Needs the Xvfb display that
// ./test.sh provides for the runs that draw.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/test_paths.h"

namespace fs = std::filesystem;

namespace {

#define REQUIRE_DISPLAY() \
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no display"

CommandResult RunDemo(const std::string& working_dir, const std::string& args, int timeout = 60) {
    return RunCommand("'" + DemoExecutable() + "' " + args, working_dir, timeout);
}

std::string ReadWhole(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Mean brightness (0..255) of a captured frame, and of its middle pixel.
struct Brightness {
    double mean = -1, middle = -1;
};
Brightness FrameBrightness(const std::string& path) {
    Brightness result{0, 0};
    FIBITMAP* image = FreeImage_Load(FIF_PNG, path.c_str(), 0);
    const unsigned w = image ? FreeImage_GetWidth(image) : 0,
                   h = image ? FreeImage_GetHeight(image) : 0;
    RGBQUAD c;
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w && FreeImage_GetPixelColor(image, x, y, &c); ++x) {
            const double grey = (c.rgbRed + c.rgbGreen + c.rgbBlue) / 3.0;
            result.mean += grey / (w * h);
            if (x == w / 2 && y == h / 2) result.middle = grey;
        }
    if (image) FreeImage_Unload(image);
    return result;
}

// Nothing the show names may be missing: no picture left empty, no silent
// music, no mesh without triangles.
void ExpectEverythingLoaded(const std::string& err) {
    for (const char* problem : {"cannot be loaded", "cannot be played", "no mesh", "Unable"})
        EXPECT_EQ(std::string::npos, err.find(problem)) << problem << " in\n" << err;
}

TEST(NewShow, TheStarterShowPlaysFromAnotherFolder) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    const CommandResult made = RunDemo(dir.path(), "--new-show 'my show'");
    ASSERT_EQ(0, made.exit_code) << made.err;
    EXPECT_NE(std::string::npos, made.out.find("--show 'my show' ")) << made.out;

    // Played from a sibling folder: every path resolves inside the show.
    fs::create_directory(dir.path() + "/elsewhere");
    const CommandResult r =
        RunDemo(dir.path() + "/elsewhere",
                "--show '../my show' --no-dialog --size 160x120 --capture frames --fps 2 "
                "--from 500 --to 4500");
    ASSERT_EQ(0, r.exit_code) << r.err;
    ExpectEverythingLoaded(r.err);
    for (const char* entry : {"ShaderShow ", "AlphaBlendImage ", "FlashWhite "})
        EXPECT_NE(std::string::npos, r.err.find(std::string("Loaded ") + entry)) << r.err;
    // The capture folder is the user's, in the working directory.
    const std::string frames = dir.path() + "/elsewhere/frames/";
    // 500 ms: the flash over the layer; 1500 ms: the layer alone; from 2000
    // ms the emblem lies over the middle.
    const Brightness flash = FrameBrightness(frames + "000000.png");
    const Brightness layer = FrameBrightness(frames + "000002.png");
    const Brightness emblem = FrameBrightness(frames + "000006.png");
    EXPECT_GT(layer.mean, 40) << "the picture through the shader";
    EXPECT_GT(flash.mean, layer.mean + 40);
    EXPECT_GT(emblem.middle, layer.middle + 40);
    EXPECT_FALSE(fs::exists(frames + "000009.png"));
}

TEST(NewShow, TheStarterShowPlaysLiveWithWatchAndTweak) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    ASSERT_EQ(0, RunDemo(dir.path(), "--new-show show").exit_code);
    const std::string shader = dir.path() + "/show/data/layer.fs";
    // Saved while the show plays: the change is picked up inside the show.
    std::thread editor([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(3000));
        std::ofstream(shader, std::ios::app) << "// edited\n";
    });
    const CommandResult r = RunDemo(
        fs::temp_directory_path().string(),
        "--show '" + dir.path() + "/show' --no-dialog --windowed --size 320x240 --watch --tweak",
        6);
    editor.join();
    EXPECT_EQ(124, r.exit_code) << r.err;  // ended by the time limit ...
    EXPECT_NE(std::string::npos, r.err.find("Exception: You quit?")) << r.err;  // ... gracefully
    ExpectEverythingLoaded(r.err);
    EXPECT_NE(std::string::npos, r.err.find("Reloaded data/layer.fs\n")) << r.err;
}

TEST(NewShow, RefusedFoldersKeepWhatTheyHold) {
    ScratchDir dir;
    dir.Write("busy/notes.txt", "mine\n");
    dir.Write("busy/data/demo.txt", "my own show\n");
    dir.Write("plain", "a file\n");
    fs::create_directory(dir.path() + "/empty");
    const struct {
        const char* args;
        int status;
        const char* message;
    } rows[] = {
        {"--new-show busy", 1, "--new-show refused: \"busy\" is not empty"},
        {"--new-show plain", 1, "--new-show refused: \"plain\" is a file"},
        {"--new-show plain/sub", 1, "--new-show failed: cannot make the folder \"plain\""},
        {"--show missing --no-dialog", 1, "Exception: The show folder \"missing\" does not exist"},
        {"--show plain --no-dialog", 1, "Exception: \"plain\" is a file, not a show folder"},
        {"--show empty --no-dialog", 1,
         "Exception: The show folder \"empty\" holds no show: empty/data/demo.txt is missing"},
        {"--show", 2, "--show needs a folder"},
        {"--new-show ''", 2, "--new-show needs a folder"},
    };
    for (const auto& row : rows) {
        const CommandResult r = RunDemo(dir.path(), row.args);
        EXPECT_EQ(row.status, r.exit_code) << row.args;
        EXPECT_NE(std::string::npos, r.err.find(row.message)) << row.args << ":\n" << r.err;
    }
    EXPECT_EQ("mine\n", ReadWhole(dir.path() + "/busy/notes.txt"));
    EXPECT_EQ("my own show\n", ReadWhole(dir.path() + "/busy/data/demo.txt"));
    EXPECT_EQ("a file\n", ReadWhole(dir.path() + "/plain"));
    EXPECT_FALSE(fs::exists(dir.path() + "/busy/data/layer.fs"));
    EXPECT_TRUE(fs::is_empty(dir.path() + "/empty"));

    // An empty folder takes the show.
    EXPECT_EQ(0, RunDemo(dir.path(), "--new-show empty").exit_code);
    EXPECT_TRUE(fs::exists(dir.path() + "/empty/data/demo.txt"));
}

}  // namespace
