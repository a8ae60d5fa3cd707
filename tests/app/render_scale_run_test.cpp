// End-to-end runs of build/demo at a render scale: every effect of the
// bundled show draws into the scaled buffer (its pictures resemble the full
// size ones), a buffer that cannot be made falls back to the window, and
// real-time play on the software renderer picks the automatic scale.
// Needs the Xvfb display that ./test.sh provides.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_paths.h"

namespace fs = std::filesystem;

namespace {

#define REQUIRE_DISPLAY() \
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no display"

CommandResult Demo(const std::string& environment, const std::string& args,
                   const std::string& dir = DEMO_SOURCE_DIR) {
    return RunCommand(
        "env -u LSAN_OPTIONS " + environment + " '" + DemoExecutable() + "' --no-dialog " + args,
        dir, 600);
}

// RGB bytes of a PNG file, empty when it cannot be read.
std::vector<uint8_t> ReadRgb(const std::string& path, int& width, int& height) {
    std::vector<uint8_t> rgb;
    FIBITMAP* dib = FreeImage_Load(FIF_PNG, path.c_str(), 0);
    if (!dib) return rgb;
    FIBITMAP* rgb24 = FreeImage_ConvertTo24Bits(dib);
    FreeImage_Unload(dib);
    width = static_cast<int>(FreeImage_GetWidth(rgb24));
    height = static_cast<int>(FreeImage_GetHeight(rgb24));
    for (int y = 0; y < height; ++y) {
        const BYTE* line = FreeImage_GetScanLine(rgb24, y);
        for (int x = 0; x < width; ++x) {
            rgb.push_back(line[3 * x + FI_RGBA_RED]);
            rgb.push_back(line[3 * x + FI_RGBA_GREEN]);
            rgb.push_back(line[3 * x + FI_RGBA_BLUE]);
        }
    }
    FreeImage_Unload(rgb24);
    return rgb;
}

// Mean absolute difference per channel of the two pictures' 8 x 8 block
// averages: the softness of an upscaled picture and the fine patterns it
// cannot hold count for little, a picture in the wrong place for much.
double BlockDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int w, int h) {
    constexpr int kBlock = 8;
    double sum = 0;
    int blocks = 0;
    for (int by = 0; by + kBlock <= h; by += kBlock)
        for (int bx = 0; bx + kBlock <= w; bx += kBlock)
            for (int c = 0; c < 3; ++c) {
                double sa = 0, sb = 0;
                for (int y = by; y < by + kBlock; ++y)
                    for (int x = bx; x < bx + kBlock; ++x) {
                        const size_t i = (static_cast<size_t>(y) * w + x) * 3 + c;
                        sa += a[i];
                        sb += b[i];
                    }
                sum += std::abs(sa - sb) / (kBlock * kBlock);
                ++blocks;
            }
    return sum / blocks;
}

TEST(RenderScaleRun, EveryEffectDrawsIntoTheScaledBuffer) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    // One frame every 2 s of the bundled show: every keyword draws in some
    // of them, the feedback effects (ChaosZoomer, Video) for several
    // seconds in a row.
    const std::string range = "--size 320x240 --fps 1 --from 1500 --to 219500";
    CommandResult full = Demo("", range + " --capture '" + dir.path() + "/full'");
    ASSERT_EQ(full.exit_code, 0) << full.err;
    CommandResult half = Demo("", range + " --scale 0.5 --capture '" + dir.path() + "/half'");
    ASSERT_EQ(half.exit_code, 0) << half.err;

    // Within 3 of 255 on 8 x 8 block averages, apart from two effects whose
    // fine detail depends on the resolution: the plug-in's one-pixel lines
    // come out twice as thick, and PolarCoords folds a box field drawn at
    // half the size. A picture in the wrong place (an effect that sized
    // itself by the window instead of the buffer) differs by 20 to 100.
    const struct { uint32_t from, to; } fine_detail[] = {{77419, 92903}, {131613, 139355}};
    int compared = 0, identical = 0;
    for (int k = 0; k < 219; k += 2) {
        const uint32_t t = 1500 + 1000 * static_cast<uint32_t>(k);
        char name[32];
        snprintf(name, sizeof name, "/%06d.png", k);
        int w = 0, h = 0, w2 = 0, h2 = 0;
        const std::vector<uint8_t> a = ReadRgb(dir.path() + "/full" + name, w, h);
        const std::vector<uint8_t> b = ReadRgb(dir.path() + "/half" + name, w2, h2);
        ASSERT_FALSE(a.empty()) << name;
        ASSERT_EQ(w2, w);
        ASSERT_EQ(h2, h);
        bool fine = false;
        for (const auto& range : fine_detail) fine = fine || (t > range.from && t < range.to);
        EXPECT_LT(BlockDifference(a, b, w, h), fine ? 25.0 : 3.0) << "demo time " << t;
        ++compared;
        identical += a == b;
    }
    // Half the pixels are drawn: the pictures are softer.
    EXPECT_LT(identical, compared / 4);
}

// A scratch folder whose data/ holds the source tree's data and `script`.
void WriteShow(ScratchDir& dir, const std::string& script) {
    fs::create_directories(dir.path() + "/data");
    for (const auto& entry : fs::directory_iterator(std::string(DEMO_SOURCE_DIR) + "/data"))
        if (entry.path().filename() != "demo.txt")
            fs::create_symlink(entry.path(),
                               dir.path() + "/data/" + entry.path().filename().string());
    dir.Write("data/demo.txt", script);
}

TEST(RenderScaleRun, WithoutFramebufferObjectsTheShowDrawsAtScaleOne) {
    REQUIRE_DISPLAY();
    // This Mesa offers no framebuffer objects at all without blitting.
    const std::string no_blit = "MESA_EXTENSION_OVERRIDE=-GL_EXT_framebuffer_blit";
    ScratchDir dir;
    WriteShow(dir,
              "m.ogg\n0\n3\nStroboskop\n0\n4000\nPlasma2D\n4000\n8000\n7\nColorBox\n8000\n"
              "12000\n");
    const std::string range = "--size 320x240 --fps 1 --from 500 --to 11500";
    CommandResult plain = Demo("", range + " --capture plain", dir.path());
    ASSERT_EQ(plain.exit_code, 0) << plain.err;
    CommandResult fallback = Demo(no_blit, range + " --scale 0.5 --capture fallback", dir.path());
    ASSERT_EQ(fallback.exit_code, 0) << fallback.err;
    const std::string line = "drawing straight to the window at scale 1\n";
    ASSERT_NE(fallback.err.find(line), std::string::npos) << fallback.err;
    EXPECT_EQ(fallback.err.find(line), fallback.err.rfind(line)) << "said once";
    int frames = 0;
    for (const auto& entry : fs::directory_iterator(dir.path() + "/plain")) {
        int w = 0, h = 0;
        EXPECT_EQ(ReadRgb(entry.path().string(), w, h),
                  ReadRgb(dir.path() + "/fallback/" + entry.path().filename().string(), w, h))
            << entry.path().filename();
        ++frames;
    }
    EXPECT_EQ(frames, 12);

    // An effect that needs a framebuffer object of its own says so and ends
    // the show, instead of calling a GL function the driver does not have.
    for (const char* keyword : {"ChaosZoomer", "PolarCoords", "Video"}) {
        dir.Write("data/demo.txt", std::string("m.ogg\n0\n1\n") + keyword + "\n0\n4000\n");
        const CommandResult r = Demo(no_blit, "--size 320x240 --capture none --to 100", dir.path());
        EXPECT_EQ(r.exit_code, 1) << keyword << ": " << r.err;
        EXPECT_NE(r.err.find(std::string("Exception: FBO not ready (") + keyword),
                  std::string::npos)
            << r.err;
    }
}

TEST(RenderScaleRun, RealTimePlayOnASoftwareRenderer) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    dir.Write("data/demo.txt", "m.ogg\n0\n2\nOverlays\n0\n10000\nEndDemo\n1500\n3000\n");
    const struct {
        const char* args;
        bool automatic;  // the software renderer's default is announced
        bool report;     // --stats ends with the slowest stretches
    } rows[] = {
        {"--windowed --size 320x240", true, false},
        {"--windowed --size 320x240 --stats", true, true},
        {"--windowed --size 320x240 --scale 1", false, false},
        {"--windowed --size 320x240 --scale 0.5 --stats", false, true},
    };
    for (const auto& row : rows) {
        // LIBGL_ALWAYS_SOFTWARE makes sure the renderer is one.
        const CommandResult r = Demo("LIBGL_ALWAYS_SOFTWARE=1", row.args, dir.path());
        EXPECT_EQ(r.exit_code, 0) << row.args << ": " << r.err;
        EXPECT_NE(r.err.find("Exception: End of show"), std::string::npos) << r.err;
        const size_t said = r.err.find("frames are drawn at an automatic render scale");
        EXPECT_EQ(said != std::string::npos, row.automatic) << row.args << ": " << r.err;
        if (said != std::string::npos) {
            EXPECT_EQ(said, r.err.rfind("frames are drawn at an automatic render scale"));
        }
        EXPECT_EQ(r.err.find("Stats: ") != std::string::npos, row.report)
            << row.args << ": " << r.err;
    }
}

}  // namespace
