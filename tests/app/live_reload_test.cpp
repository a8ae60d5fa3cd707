// A show under --watch: files changed on disk while frames are drawn, picked
// up by the watcher and reloaded between frames. A ShaderShow entry names its
// shader and its picture in the script, so one small script exercises
// shaders, pictures and the script itself.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "app/core/frame_clock.h"
#include "app/live/live_show.h"
#include "app/live/playback.h"
#include "factory/factory.h"
#include "platform/asset_reload.h"
#include "platform/audio.h"
#include "support/gl_context.h"
#include "support/test_paths.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

void ReplaceFile(const std::string& path, const std::string& text) {
    WriteFile(path + ".new", text);
    fs::rename(path + ".new", path);
}

void WritePicture(const std::string& path, int r, int g, int b) {
    FIBITMAP* image = FreeImage_Allocate(8, 8, 24);
    RGBQUAD colour{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
    for (unsigned y = 0; y < 8; ++y)
        for (unsigned x = 0; x < 8; ++x) FreeImage_SetPixelColor(image, x, y, &colour);
    FreeImage_Save(FIF_PNG, image, (path + ".new").c_str(), 0);
    FreeImage_Unload(image);
    fs::rename(path + ".new", path);
}

std::string Solid(const char* colour) {
    return std::string("uniform float time;\nvoid main() { gl_FragColor = vec4(") + colour +
           ", 1.0) + 0.0 * time; }\n";
}
// Behind a new uniform, so the location of "time" moves.
const char kBlueAfterOneSecond[] =
    "uniform float beat;\nuniform float time;\n"
    "void main() { gl_FragColor = vec4(0.0, 0.0, time > 1.0 ? 1.0 : 0.5, 1.0) + 0.0 * beat; }\n";
const char kPicture[] =
    "uniform sampler2D picture;\n"
    "void main() { gl_FragColor = texture2D(picture, gl_TexCoord[0].st); }\n";

class LiveReload : public ::testing::Test {
protected:
    void SetUp() override {
        if (!EnsureGlContext()) GTEST_SKIP() << "no GL context here";
        shader_ = dir_.Write("data/layer.fs", Solid("1.0, 0.0, 0.0"));
        picture_ = dir_.path() + "/data/layer.png";
        WritePicture(picture_, 255, 255, 255);
        script_ = dir_.Write("data/demo.txt", Script(""));
        options_.watch = true;
        live_ = std::make_unique<LiveShow>(options_, FindEffectMaker, script_);
        std::string music;
        uint32_t offset = 0;
        live_->LoadScript(effects_, music, offset, nullptr);
    }
    void TearDown() override {
        DestroyEffects(effects_);
        live_.reset();
        EnableAssetReloading(false);
    }

    std::string Script(const std::string& more) const {
        return "none.ogg\n0\n1\n# the layer\nShaderShow\n0\n100000\n" + shader_ + "\n" + picture_ +
               "\n" + more;
    }

    // One frame at demo time 5000: reload, clear, effects, messages.
    Rgba Frame() {
        live_->ReloadChanges(effects_);
        ResetGlState();
        DrawActiveEffects(effects_, 5000, 0.0f);
        const Rgba middle = PixelAt(320, 240);
        live_->DrawOverlay(effects_, 5000);
        return middle;
    }
    // Draws frames until `done` holds for the middle pixel (at most 5 s);
    // returns the milliseconds it took, or -1.
    double FramesUntil(const std::function<bool(const Rgba&)>& done) {
        const Clock::time_point start = Clock::now();
        while (Clock::now() - start < std::chrono::seconds(5)) {
            if (done(Frame()))
                return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return -1;
    }
    // Draws frames for a while, long enough for any reload to happen.
    void Settle() {
        const Clock::time_point start = Clock::now();
        while (Clock::now() - start < std::chrono::milliseconds(400)) {
            Frame();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    const std::vector<std::string>& Messages() { return live_->Reloader()->Messages(); }

    ScratchDir dir_;
    std::string shader_, picture_, script_;
    LiveOptions options_;
    std::unique_ptr<LiveShow> live_;
    EffectList effects_;
};

bool Is(const Rgba& p, int r, int g, int b) {
    return std::abs(p.r - r) <= 2 && std::abs(p.g - g) <= 2 && std::abs(p.b - b) <= 2;
}

TEST_F(LiveReload, ShadersEditedInPlaceAndByRename) {
    EXPECT_TRUE(Is(Frame(), 255, 0, 0));

    WriteFile(shader_, Solid("0.0, 1.0, 0.0"));
    EXPECT_GE(FramesUntil([](const Rgba& p) { return Is(p, 0, 255, 0); }), 0);

    // Saved through a new file: the uniform "time" moved, the effect's kept
    // location still reaches it (5 s: full blue, not half).
    ReplaceFile(shader_, kBlueAfterOneSecond);
    EXPECT_GE(FramesUntil([](const Rgba& p) { return Is(p, 0, 0, 255); }), 0);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(LiveReload, ABrokenShaderKeepsDrawingAndSaysWhyUntilRepaired) {
    WriteFile(shader_, "void main() { gl_FragColor = oops; }\n");
    Settle();
    EXPECT_TRUE(Is(Frame(), 255, 0, 0));  // the last good program
    ASSERT_EQ(1u, Messages().size());
    EXPECT_EQ(0u, Messages()[0].find(shader_ + ": Compiler error ")) << Messages()[0];
    // The line is drawn over the show, along the bottom edge.
    int lit = 0;
    for (int x = 10; x < 630; x += 2) {
        const Rgba p = PixelAt(x, 20);
        lit += (p.r != 255 || p.g != 0 || p.b != 0) ? 1 : 0;
    }
    EXPECT_GT(lit, 100);
    MaybeSavePicture("reload_broken_shader");

    // Deleted, then a folder in its place: still the last good program.
    fs::remove(shader_);
    Settle();
    EXPECT_TRUE(Is(Frame(), 255, 0, 0));
    ASSERT_EQ(1u, Messages().size());
    EXPECT_NE(std::string::npos, Messages()[0].find("Error opening: " + shader_));
    fs::create_directory(shader_);
    Settle();
    EXPECT_TRUE(Is(Frame(), 255, 0, 0));

    fs::remove(shader_);
    WriteFile(shader_, kPicture);
    EXPECT_GE(FramesUntil([](const Rgba& p) { return Is(p, 255, 255, 255); }), 0);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(LiveReload, AFileRewrittenAHundredTimesASecondIsFollowedCalmly) {
    // Half of the versions are broken; frames go on all the while.
    const Clock::time_point start = Clock::now();
    int frames = 0;
    for (int i = 0; i < 100; ++i) {
        if (i % 2)
            WriteFile(shader_, "void main() { broken " + std::to_string(i) + " }\n");
        else
            ReplaceFile(shader_, Solid(i % 4 ? "0.0, 0.0, 1.0" : "1.0, 1.0, 0.0"));
        Frame();
        ++frames;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 10.0);
    EXPECT_EQ(100, frames);
    // The last version wins once the writing stops.
    WriteFile(shader_, Solid("0.0, 1.0, 0.0"));
    EXPECT_GE(FramesUntil([](const Rgba& p) { return Is(p, 0, 255, 0); }), 0);
    Settle();
    EXPECT_TRUE(Messages().empty());
}

TEST_F(LiveReload, APictureReloadsIntoItsEffect) {
    ReplaceFile(shader_, kPicture);
    EXPECT_GE(FramesUntil([](const Rgba& p) { return Is(p, 255, 255, 255); }), 0);
    WritePicture(picture_, 255, 128, 0);
    EXPECT_GE(FramesUntil([](const Rgba& p) { return Is(p, 255, 128, 0); }), 0);
    WriteFile(picture_, "");  // truncated: the last good picture stays
    Settle();
    EXPECT_TRUE(Is(Frame(), 255, 128, 0));
    ASSERT_EQ(1u, Messages().size());
    // The text names the file already: it is not named twice.
    const std::string expected = "Picture \"" + picture_ + "\" cannot be loaded";
    EXPECT_EQ(expected, Messages()[0].substr(0, expected.size()));
}

TEST_F(LiveReload, AScriptEditThatAddsAnEntryKeepsTheOthers) {
    const Effekt* layer = effects_[0].get();
    // A second layer without a shader: the picture modulated by the colour
    // left by the test (white), drawn over the first.
    const std::string second = dir_.path() + "/data/second.png";
    WritePicture(second, 0, 255, 255);
    WriteFile(script_, Script("ShaderShow\n0\n100000\n\n" + second + "\n"));
    EXPECT_GE(FramesUntil([](const Rgba& p) { return Is(p, 0, 255, 255); }), 0);
    ASSERT_EQ(2u, effects_.size());
    EXPECT_EQ(layer, effects_[0].get());
    // The new entry's picture is watched too.
    WritePicture(second, 255, 0, 255);
    EXPECT_GE(FramesUntil([](const Rgba& p) { return Is(p, 255, 0, 255); }), 0);

    // Its picture cut short: the last good one stays, and a message.
    WriteFile(second, "");
    Settle();
    EXPECT_TRUE(Is(Frame(), 255, 0, 255));
    ASSERT_EQ(1u, Messages().size());

    // A broken line: the list stays as it was and the reason is shown.
    ReplaceFile(script_, Script("ShaderShoe\n0\n100000\n\n\n"));
    Settle();
    EXPECT_EQ(2u, effects_.size());
    ASSERT_EQ(2u, Messages().size());
    EXPECT_EQ(script_ + ": Unknown entry 'ShaderShoe' in file, please correct (line 10)",
              Messages()[1]);
    // Garbage (bytes of every kind, some line breaks), then nothing at all:
    // the same.
    std::string garbage;
    for (int i = 0; i < 400; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
    WriteFile(script_, garbage);
    Settle();
    EXPECT_EQ(2u, effects_.size());
    EXPECT_EQ(2u, Messages().size());
    WriteFile(script_, "");
    Settle();
    EXPECT_EQ(2u, effects_.size());
    EXPECT_TRUE(Is(Frame(), 255, 0, 255));

    // Repaired without the second entry: back to one layer, the same object;
    // the picture nobody uses now is no longer spoken of.
    WriteFile(script_, Script(""));
    EXPECT_GE(FramesUntil([](const Rgba& p) { return Is(p, 255, 0, 0); }), 0);
    ASSERT_EQ(1u, effects_.size());
    EXPECT_EQ(layer, effects_[0].get());
    EXPECT_TRUE(Messages().empty()) << Messages()[0];
}

TEST_F(LiveReload, TheDemoTimeRunsOnAcrossAReload) {
    // A silent clock (no such music file) runs on the wall clock like the
    // music does; a reload must neither stop nor seek it.
    std::unique_ptr<MusicClock> music = OpenMusicStream(dir_.path() + "/none.ogg");
    music->Play();
    music->SetPosition(20.0);
    Playback playback(*music, 0, std::nullopt, true);
    const uint32_t before = playback.Frame(PlaybackKeys());
    const Clock::time_point start = Clock::now();
    WriteFile(script_, Script("Overlays\n0\n100000\n"));
    live_->Reloader()->Reload(script_, effects_);
    ASSERT_EQ(2u, effects_.size());
    const uint32_t after = playback.Frame(PlaybackKeys());
    const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    EXPECT_GE(after, before);
    EXPECT_LE(after - before, static_cast<uint32_t>(elapsed) + 20);
}

}  // namespace
