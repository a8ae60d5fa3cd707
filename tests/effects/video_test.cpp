#include "effects/video/video.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "factory/factory.h"
#include "platform/failure.h"
#include "platform/video_test_clips.h"
#include "render/gl_guards.h"
#include "support/gl_context.h"
#include "support/gl_state.h"
#include "support/test_paths.h"

using namespace Effekter;
using namespace video_test;

namespace {

TEST(VideoTiming, FrameFollowsDemoTimeAndLoops) {
    EXPECT_EQ(0, VideoFrameIndex(0, 100));
    EXPECT_EQ(0, VideoFrameIndex(39, 100));
    EXPECT_EQ(1, VideoFrameIndex(40, 100));
    EXPECT_EQ(99, VideoFrameIndex(3999, 100));
    EXPECT_EQ(0, VideoFrameIndex(4000, 100));
    EXPECT_EQ(25, VideoFrameIndex(1000, 100));
    EXPECT_EQ(0, VideoFrameIndex(123456, 1));
    EXPECT_EQ(-1, VideoFrameIndex(1000, 0));
    const int last = VideoFrameIndex(0xFFFFFFFFu, 7);
    EXPECT_TRUE(last >= 0 && last < 7);
}

TEST(VideoTiming, RefreshOnlyAfterMoreThanTwentyMilliseconds) {
    EXPECT_FALSE(VideoRefreshDue(1000, 1000));
    EXPECT_FALSE(VideoRefreshDue(1019, 1000));
    EXPECT_FALSE(VideoRefreshDue(1020, 1000));
    EXPECT_TRUE(VideoRefreshDue(1021, 1000));
    EXPECT_FALSE(VideoRefreshDue(20, 0));
    EXPECT_TRUE(VideoRefreshDue(21, 0));
    // Seeking back wraps the difference: refresh at once.
    EXPECT_TRUE(VideoRefreshDue(999, 1000));
    EXPECT_TRUE(VideoRefreshDue(0, 1000));
}

TEST(VideoTiming, ShaderIndexStepsEveryTwentySeconds) {
    EXPECT_EQ(0, VideoShaderIndex(0));
    EXPECT_EQ(0, VideoShaderIndex(19999));
    EXPECT_EQ(1, VideoShaderIndex(20000));
    EXPECT_EQ(2, VideoShaderIndex(40000));
    EXPECT_EQ(3, VideoShaderIndex(60000));
    EXPECT_EQ(3, VideoShaderIndex(79999));
    EXPECT_EQ(0, VideoShaderIndex(80000));
    EXPECT_EQ(1, VideoShaderIndex(100000));
}

TEST(VideoTiming, CopyTurnsAtMostOneDegree) {
    EXPECT_EQ(0.0f, VideoCopyAngle(0));
    EXPECT_NEAR(1.0f, VideoCopyAngle(78540), 1e-4);
    EXPECT_NEAR(-1.0f, VideoCopyAngle(235619), 1e-4);
}

TEST(VideoTiming, ExchangeRedBlueKeepsGreenAndSpare) {
    uint8_t pixels[] = {1, 2, 3, 4, 10, 20, 30, 40};
    ExchangeRedBlue(pixels, 2);
    const uint8_t expected[] = {3, 2, 1, 4, 30, 20, 10, 40};
    EXPECT_EQ(0, std::memcmp(expected, pixels, sizeof pixels));
}

TEST(VideoTiming, FactoryMakesIt) { EXPECT_NE(nullptr, FindEffectMaker("Video")); }

std::string FailureOf(const std::string& clip) {
    try {
        Video video(0, 1000, clip.c_str());
    } catch (const DemoFailure& failure) {
        return failure.text();
    }
    return "";
}

TEST(VideoEffect, ReportsClipsItCannotUse) {
    REQUIRE_GL();
    ScratchDir dir;
    EXPECT_EQ("Error reading AVI", FailureOf(dir.path() + "/missing.avi"));
    EXPECT_EQ("Error reading AVI", FailureOf(dir.Write("text.avi", "RIFF but not really\n")));
    ASSERT_TRUE(Ffmpeg(dir.path(), "-f lavfi -i sine=duration=1 -c:a pcm_s16le audio.avi"));
    EXPECT_EQ("Error reading AVI", FailureOf(dir.path() + "/audio.avi"));

    std::vector<uint8_t> file = ReadBytes(MakeClip(dir, "clip.avi", 5));
    for (size_t i = 0; i + 4 <= file.size(); ++i) {
        if (std::memcmp(&file[i], "MJPG", 4) == 0) std::memcpy(&file[i], "QQQQ", 4);
    }
    WriteBytes(dir.path() + "/unknown.avi", file);
    EXPECT_EQ("Error opening AVIStreamGetFrameOpen - your video codec might be out dated!",
              FailureOf(dir.path() + "/unknown.avi"));
}

// Checks the frame loop's state is back after a Draw.
void ExpectStateRestored() {
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
    GLint value = -1;
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    glGetIntegerv(GL_CURRENT_PROGRAM, &value);
    EXPECT_EQ(0, value);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(0, value);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &value);
    EXPECT_EQ(0, value);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(WindowWidth(), viewport[2]);
    EXPECT_EQ(WindowHeight(), viewport[3]);
}

class VideoClip : public ::testing::Test {
protected:
    void SetUp() override {
        if (!EnsureGlContext()) GTEST_SKIP() << "no GL context here";
        clip_ = MakeClip(dir_, "clip.avi", 100, "-c:v mjpeg -q:v 3", "128x96");
    }
    ScratchDir dir_;
    std::string clip_;
};

TEST_F(VideoClip, RefreshesOnTheTwentyMillisecondRule) {
    Video video(0, 100000, clip_.c_str());
    EXPECT_EQ(100, video.FrameCount());
    EXPECT_EQ(128, video.SourceWidth());
    EXPECT_EQ(96, video.SourceHeight());
    EXPECT_EQ(-1, video.UploadedFrame());

    video.Draw(20, 0);  // not more than 20 ms after construction
    EXPECT_EQ(0u, video.LastUpdate());
    EXPECT_EQ(-1, video.UploadedFrame());
    video.Draw(1000, 0);
    EXPECT_EQ(1000u, video.LastUpdate());
    EXPECT_EQ(25, video.UploadedFrame());
    video.Draw(1019, 0);
    video.Draw(1020, 0);
    EXPECT_EQ(1000u, video.LastUpdate());
    video.Draw(1021, 0.5f);
    EXPECT_EQ(1021u, video.LastUpdate());
    // A seek back by a second refreshes on the next frame.
    video.Draw(21, 0);
    EXPECT_EQ(21u, video.LastUpdate());
    EXPECT_EQ(0, video.UploadedFrame());
    video.Draw(3999, 0);
    EXPECT_EQ(99, video.UploadedFrame());
    video.Draw(3970, 0);  // back: refresh, still frame 99
    EXPECT_EQ(3970u, video.LastUpdate());
    video.Draw(4000, 1);
    EXPECT_EQ(0, video.UploadedFrame());
    ExpectStateRestored();
}

TEST_F(VideoClip, TextureHoldsTheFrameBottomRowFirstInRgbOrder) {
    Video video(0, 100000, clip_.c_str());
    video.UploadFrame(37);
    ASSERT_EQ(37, video.UploadedFrame());

    auto source = CreateVideoFrameSource(kVideoSide, kVideoSide);
    ASSERT_TRUE(source->Open(clip_.c_str()));
    ASSERT_TRUE(source->PrepareDecoding());
    std::vector<uint8_t> expected(static_cast<size_t>(kVideoSide) * kVideoSide * 4);
    ASSERT_TRUE(source->DecodeFrame(37, expected.data()));
    ExchangeRedBlue(expected.data(), expected.size() / 4);

    std::vector<uint8_t> texture(expected.size());
    glBindTexture(GL_TEXTURE_2D, video.VideoTexture());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texture.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(expected, texture);

    // Against the reference decoder, in RGB order: the top-left pixel of
    // the picture is the last row's first pixel.
    const std::vector<uint8_t> reference = ReferenceFrame(dir_, clip_, 37, kVideoSide);
    ASSERT_EQ(expected.size(), reference.size());
    const size_t last_row = static_cast<size_t>(kVideoSide - 1) * kVideoSide * 4;
    EXPECT_NEAR(reference[2], texture[last_row + 0], 8);  // red
    EXPECT_NEAR(reference[1], texture[last_row + 1], 8);  // green
    EXPECT_NEAR(reference[0], texture[last_row + 2], 8);  // blue
}

TEST_F(VideoClip, ShowsThePictureOnScreen) {
    Video video(0, 100000, clip_.c_str());
    video.Draw(1000, 0);
    const std::vector<uint8_t> screen = ReadPixels(0, 0, WindowWidth(), WindowHeight());
    long sum = 0;
    for (size_t i = 0; i < screen.size(); i += 4) sum += screen[i] + screen[i + 1] + screen[i + 2];
    EXPECT_GT(sum / static_cast<long>(screen.size() / 4), 20) << "the screen stays dark";
    // A frame without a refresh draws the same kept picture.
    video.Draw(1000, 0);
    EXPECT_EQ(screen, ReadPixels(0, 0, WindowWidth(), WindowHeight()));
    ExpectStateRestored();
}

TEST_F(VideoClip, DamagedFrameKeepsThePreviousPicture) {
    std::vector<uint8_t> file = ReadBytes(clip_);
    const std::vector<size_t> chunks = AviFrameChunks(file, 100);
    ASSERT_EQ(100u, chunks.size());
    for (size_t i = chunks[30] + 8; i < chunks[30] + 8 + 400; ++i) file[i] = 0;
    WriteBytes(dir_.path() + "/damaged.avi", file);
    Video video(0, 100000, (dir_.path() + "/damaged.avi").c_str());
    video.Draw(29 * 40, 0);
    EXPECT_EQ(29, video.UploadedFrame());
    video.Draw(30 * 40, 0);
    EXPECT_EQ(29, video.UploadedFrame());
    EXPECT_EQ(30u * 40, video.LastUpdate());
    video.Draw(31 * 40, 0);
    EXPECT_EQ(31, video.UploadedFrame());
}

TEST_F(VideoClip, ClipWithoutFramesShowsWithoutFailing) {
    ASSERT_TRUE(Ffmpeg(dir_.path(),
                       "-f lavfi -i testsrc=size=64x48:rate=25 -frames:v 0 "
                       "-c:v mjpeg zero.avi"));
    Video video(0, 100000, (dir_.path() + "/zero.avi").c_str());
    EXPECT_EQ(0, video.FrameCount());
    video.Draw(1000, 0.5f);
    video.Draw(2000, 0.5f);
    EXPECT_EQ(2000u, video.LastUpdate());
    EXPECT_EQ(-1, video.UploadedFrame());
    ExpectStateRestored();
}

// The mask's two layers. Each is drawn over a window filled with grey 0.5;
// expected pixels come from the mask's own texels, sampled where the layer's
// extent puts them, and the layer's blend pair: the mask pass keeps
// d (1 - m), the overlay gives m m + d (1 - m).
class VideoMask : public VideoClip {
protected:
    // The mask texture's level 0, top image row first.
    void ReadMask(const Video& video) {
        glBindTexture(GL_TEXTURE_2D, video.MaskTexture());
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &mask_width_);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &mask_height_);
        mask_.assign(static_cast<size_t>(mask_width_) * mask_height_ * 4, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, mask_.data());
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    // Red of the mask at texture coordinates (s, t), filtered linearly with
    // repeat, as GL samples it; 0 .. 1.
    double MaskAt(double s, double t) const {
        const double x = s * mask_width_ - 0.5, y = t * mask_height_ - 0.5;
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        const double fx = x - x0, fy = y - y0;
        auto texel = [this](int cx, int cy) {
            cx = ((cx % mask_width_) + mask_width_) % mask_width_;
            cy = ((cy % mask_height_) + mask_height_) % mask_height_;
            return mask_[(static_cast<size_t>(cy) * mask_width_ + cx) * 4] / 255.0;
        };
        return (texel(x0, y0) * (1 - fx) + texel(x0 + 1, y0) * fx) * (1 - fy) +
               (texel(x0, y0 + 1) * (1 - fx) + texel(x0 + 1, y0 + 1) * fx) * fy;
    }

    // Fills the window with grey, runs the layer, and compares the middle row
    // and the middle column with the expected red values. `to_texture` maps
    // the 2D-view position of a pixel (x right, y down) to (s, t).
    template <typename Layer, typename Expected, typename ToTexture>
    void CheckLayer(Layer layer, Expected expected, ToTexture to_texture, const char* what) {
        const int w = WindowWidth(), h = WindowHeight();
        glClearColor(0.5f, 0.5f, 0.5f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
        layer();
        const std::vector<uint8_t> pixels = ReadPixels(0, 0, w, h);
        const double d = pixels.empty() ? 0 : 128 / 255.0;
        int wrong = 0, checked = 0, white = 0, kept = 0;
        auto check = [&](int px, int py) {
            const double xv = (px + 0.5) / w * 2 - 1, yv = 1 - (py + 0.5) / h * 2;
            double s = 0, t = 0;
            to_texture(xv, yv, s, t);
            const double m = MaskAt(s, t);
            const int want = static_cast<int>(std::lround(255 * expected(m, d)));
            const int got = pixels[(static_cast<size_t>(py) * w + px) * 4];
            ++checked;
            if (std::abs(want - got) > 4) ++wrong;
            white += m > 0.99;
            kept += m < 0.01;
        };
        // Rows near the top and bottom edges, the middle row and column.
        for (const int py : {1, h / 2, h - 2})
            for (int px = 0; px < w; ++px) check(px, py);
        for (int py = 0; py < h; ++py) check(w / 2, py);
        EXPECT_EQ(0, wrong) << what << ": " << wrong << " of " << checked << " pixels";
        // Both kinds of mask texel were met: the test saw the blend work.
        EXPECT_GT(white, 10) << what;
        EXPECT_GT(kept, 10) << what;
        ExpectStateRestored();
    }

    std::vector<uint8_t> mask_;
    GLint mask_width_ = 0, mask_height_ = 0;
};

TEST_F(VideoMask, MaskPassDarkensWhereTheMaskIsWhite) {
    Video video(0, 100000, clip_.c_str());
    ReadMask(video);
    ASSERT_GT(mask_width_, 0) << "data/ostra/video/frame.png did not load";
    CheckLayer([&] { video.MaskPass(); },
               // (GL_ZERO, GL_ONE_MINUS_SRC_COLOR)
               [](double m, double d) { return d * (1 - m); },
               // Half extent (1, -1): the whole window, texture row 0 at the
               // bottom, the mask mirrored top to bottom.
               [](double x, double y, double& s, double& t) {
                   s = (x + 1) / 2;
                   t = (1 - y) / 2;
               },
               "mask pass");
}

TEST_F(VideoMask, OverlayShowsTheMaskEnlargedByAQuarter) {
    Video video(0, 100000, clip_.c_str());
    ReadMask(video);
    ASSERT_GT(mask_width_, 0) << "data/ostra/video/frame.png did not load";
    CheckLayer([&] { video.MaskOverlay(); },
               // (GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR)
               [](double m, double d) { return m * m + d * (1 - m); },
               // Half extent (1.25, 1.25): the window shows 0.1 .. 0.9 of the
               // mask, texture row 0 at the top.
               [](double x, double y, double& s, double& t) {
                   s = (x / 1.25 + 1) / 2;
                   t = (y / 1.25 + 1) / 2;
               },
               "mask overlay");
}

// The corners of both layers, read back in feedback mode: where each quad
// lies and which texture coordinates it carries.
TEST_F(VideoMask, ExtentsOfBothLayers) {
    Video video(0, 100000, clip_.c_str());
    const float w = static_cast<float>(WindowWidth()), h = static_cast<float>(WindowHeight());
    // Finds the fed-back vertex at window position (x, y), y from the bottom.
    auto corner = [](const std::vector<FedPolygon>& polygons, float x, float y) {
        for (const FedPolygon& polygon : polygons)
            for (const FedVertex& v : polygon)
                if (std::abs(v.x - x) < 0.5f && std::abs(v.y - y) < 0.5f) return v;
        ADD_FAILURE() << "no vertex at " << x << ", " << y;
        return FedVertex{};
    };
    std::vector<FedPolygon> polygons = FeedbackPolygons([&] { video.MaskPass(); }, 4096);
    ASSERT_FALSE(polygons.empty());
    FedVertex v = corner(polygons, 0, 0);
    EXPECT_NEAR(0, v.s, 1e-4);
    EXPECT_NEAR(0, v.t, 1e-4);  // texture row 0 at the bottom: mirrored
    v = corner(polygons, w, h);
    EXPECT_NEAR(1, v.s, 1e-4);
    EXPECT_NEAR(1, v.t, 1e-4);

    // The overlay reaches past the window; clipped at its edges, the window
    // shows texture coordinates 0.1 .. 0.9.
    polygons = FeedbackPolygons([&] { video.MaskOverlay(); }, 4096);
    ASSERT_FALSE(polygons.empty());
    v = corner(polygons, 0, 0);
    EXPECT_NEAR(0.1, v.s, 1e-4);
    EXPECT_NEAR(0.9, v.t, 1e-4);  // texture row 0 at the top
    v = corner(polygons, w, h);
    EXPECT_NEAR(0.9, v.s, 1e-4);
    EXPECT_NEAR(0.1, v.t, 1e-4);
    ExpectStateRestored();
}

}  // namespace
