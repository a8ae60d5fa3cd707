// AlphaBlendImage: where each mode puts the picture over its window (read
// back through GL feedback), the beat triggers of BEATBACK and RANDOM, the
// blend with the picture's alpha, the script lines it reads and the failures
// for a bad mode or a missing mode line, the tweak variable, broken pictures
// and the GL state it leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "effects/image/alpha_blend_image.h"
#include "platform/failure.h"
#include "platform/random.h"
#include "platform/tweak_panel.h"
#include "render/gl_guards.h"
#include "support/effect_fixtures.h"
#include "support/gl_context.h"
#include "support/gl_state.h"
#include "support/script_loading.h"
#include "support/test_paths.h"

using Effekter::AlphaBlendFrame;
using Effekter::AlphaBlendImage;
using Effekter::ComputeAlphaBlendFrame;

namespace {

// A window of 4 s from 1 s on: p = 0, 0.25, ... at these demo times.
constexpr uint32_t kStart = 1000, kEnd = 5000;
uint32_t TimeAt(float p) { return kStart + static_cast<uint32_t>(p * 4000); }

// The bounding box of what a draw puts on the window, in window pixels (y
// from the bottom), and the area it covers.
struct Coverage {
    float left = 1e9f, right = -1e9f, bottom = 1e9f, top = -1e9f;
    double area = 0;
    int polygons = 0;
    float colour = -1;  // red of the first vertex
    float alpha = -1;
};

Coverage Covered(const std::vector<FedPolygon>& polygons) {
    Coverage c;
    for (const FedPolygon& p : polygons) {
        double area = 0;
        for (size_t i = 0; i < p.size(); ++i) {
            const FedVertex& a = p[i];
            const FedVertex& b = p[(i + 1) % p.size()];
            area += 0.5 * (double(a.x) * b.y - double(b.x) * a.y);
            c.left = std::min(c.left, a.x);
            c.right = std::max(c.right, a.x);
            c.bottom = std::min(c.bottom, a.y);
            c.top = std::max(c.top, a.y);
        }
        c.area += std::fabs(area);
        if (c.polygons++ == 0 && !p.empty()) {
            c.colour = p[0].r;
            c.alpha = p[0].a;
        }
    }
    return c;
}

Coverage DrawCovered(AlphaBlendImage& effect, uint32_t t, float beat) {
    return Covered(FeedbackPolygons([&] { effect.Draw(t, beat); }, 4000));
}

// The window pixels of a picture centred at (x, y) in the 2D view (y down)
// with half size s, clipped to the 640 x 480 window.
void ExpectPlaced(const Coverage& c, float x, float y, float s) {
    const float left = std::max(0.0f, 320 * (x - s + 1)),
                right = std::min(640.0f, 320 * (x + s + 1));
    const float bottom = std::max(0.0f, 240 * (1 - y - s));
    const float top = std::min(480.0f, 240 * (1 - y + s));
    if (right <= left || top <= bottom) {
        EXPECT_NEAR(0, c.area, 1) << "the picture should be off the window";
        return;
    }
    EXPECT_NEAR((right - left) * (top - bottom), c.area, 1);
    EXPECT_NEAR(left, c.left, 0.05);
    EXPECT_NEAR(right, c.right, 0.05);
    EXPECT_NEAR(bottom, c.bottom, 0.05);
    EXPECT_NEAR(top, c.top, 0.05);
}

std::unique_ptr<AlphaBlendImage> Make(const char* mode, const std::string& path = "") {
    return std::make_unique<AlphaBlendImage>(kStart, kEnd, path, mode);
}

}  // namespace

// ------------------------------------------------------------------ modes

TEST(AlphaBlendImageModes, KeywordsMatchExactlyAndInOrder) {
    const char* keywords[] = {"UP",         "DOWN",          "LEFT",        "RIGHT",
                              "UPCENTER",   "BEATUP",        "BEATBACK",    "RANDOM",
                              "BEATCENTER", "STATICFADEOUT", "STATICFADEIN"};
    for (int mode = 0; mode < 11; ++mode) {
        EXPECT_EQ(mode, Effekter::AlphaBlendModeFromKeyword(keywords[mode]));
        EXPECT_STREQ(keywords[mode], Effekter::AlphaBlendModeKeyword(mode));
    }
    for (const char* wrong : {"up", "Up", " UP", "UP ", "UPC", "", "BEATCENTER2", "8"})
        EXPECT_EQ(-1, Effekter::AlphaBlendModeFromKeyword(wrong)) << "'" << wrong << "'";
    EXPECT_EQ(nullptr, Effekter::AlphaBlendModeKeyword(11));
    EXPECT_EQ(nullptr, Effekter::AlphaBlendModeKeyword(-1));
    EXPECT_EQ(
        "UP, DOWN, LEFT, RIGHT, UPCENTER, BEATUP, BEATBACK, RANDOM, BEATCENTER, STATICFADEOUT, "
        "STATICFADEIN",
        Effekter::AlphaBlendModeList());
}

TEST(AlphaBlendImageModes, QuadPositionAndSizeOverTheWindow) {
    REQUIRE_GL();
    struct Case {
        const char* mode;
        float beat;
        // Centre (x, y) and half size at p = 0, 0.25, 0.5, 0.75 and 1.
        float x[5], y[5], s[5];
    };
    const float s1 = 1.03125f;  // 1 + 0.125 b^2 at b = 0.5
    const Case cases[] = {
        {"UP", 0, {0, 0, 0, 0, 0}, {2, 1, 0, -1, -2}, {1, 1, 1, 1, 1}},
        {"DOWN", 0, {0, 0, 0, 0, 0}, {-2, -1, 0, 1, 2}, {1, 1, 1, 1, 1}},
        {"LEFT", 0, {2, 1, 0, -1, -2}, {0, 0, 0, 0, 0}, {1, 1, 1, 1, 1}},
        {"RIGHT", 0, {-2, -1, 0, 1, 2}, {0, 0, 0, 0, 0}, {1, 1, 1, 1, 1}},
        {"UPCENTER", 0, {0, 0, 0, 0, 0}, {2, 1.875f, 1.5f, 0.875f, 0}, {1, 1, 1, 1, 1}},
        {"BEATUP", 0.5f, {0, 0, 0, 0, 0}, {2, 1, 0, -1, -2}, {s1, s1, s1, s1, s1}},
        {"BEATCENTER", 0.5f, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {s1, s1, s1, s1, s1}},
        {"STATICFADEOUT", 0.9f, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {1, 1, 1, 1, 1}},
        {"STATICFADEIN", 0.9f, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {1, 1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        auto effect = Make(c.mode);
        for (int k = 0; k < 5; ++k) {
            const float p = 0.25f * k;
            SCOPED_TRACE(std::string(c.mode) + " at p = " + std::to_string(p));
            const Coverage covered = DrawCovered(*effect, TimeAt(p), c.beat);
            ExpectPlaced(covered, c.x[k], c.y[k], c.s[k]);
            // Only the fades change the brightness; colour and alpha alike.
            if (covered.polygons == 0) continue;
            const std::string mode = c.mode;
            const float a = mode == "STATICFADEIN" ? p : mode == "STATICFADEOUT" ? 1 - p : 1;
            EXPECT_NEAR(a, covered.colour, 1e-5);
            EXPECT_NEAR(a, covered.alpha, 1e-5);
        }
        ExpectFrameLoopState(c.mode);
    }
}

TEST(AlphaBlendImageModes, MovingPicturesPassTheCentreHalfway) {
    for (const char* mode : {"UP", "DOWN", "LEFT", "RIGHT"}) {
        const AlphaBlendFrame f = ComputeAlphaBlendFrame(Effekter::AlphaBlendModeFromKeyword(mode),
                                                         TimeAt(0.5f), 0, kStart, kEnd, 0);
        EXPECT_EQ(0.0f, f.x) << mode;
        EXPECT_EQ(0.0f, f.y) << mode;
    }
    // Differences are unsigned: a window across the 32-bit wrap still works.
    const AlphaBlendFrame wrapped =
        ComputeAlphaBlendFrame(Effekter::kModeStaticFadeIn, 100, 0, 0xFFFFFFFFu - 99, 300, 0);
    EXPECT_FLOAT_EQ(0.5f, wrapped.brightness);
}

// ------------------------------------------------------------ beat triggers

TEST(AlphaBlendImageBeats, BeatBackSnapsBackAboveAQuarterAndShrinks) {
    using Effekter::kModeBeatBack;
    SeedRandom(77);
    const float first = RandomUnit();
    SeedRandom(77);
    // A quarter exactly triggers nothing and draws no random value.
    AlphaBlendFrame f = ComputeAlphaBlendFrame(kModeBeatBack, 3000, 0.25f, kStart, kEnd, 2900);
    EXPECT_EQ(2900u, f.last_trigger);
    EXPECT_EQ(0.0f, f.angle);
    EXPECT_FLOAT_EQ(0.75f, f.half_size);  // 100 ms after the jump: 1 - 100 / 400
    EXPECT_FLOAT_EQ(first, RandomUnit());

    SeedRandom(77);
    f = ComputeAlphaBlendFrame(kModeBeatBack, 3000, 0.2501f, kStart, kEnd, 2900);
    EXPECT_EQ(3000u, f.last_trigger);
    EXPECT_FLOAT_EQ(5.0f * first - 2.5f, f.angle);
    EXPECT_FLOAT_EQ(1.0f, f.half_size);
    EXPECT_FLOAT_EQ(0.5f, f.y);  // p = 0.5: 0.5 + (1 - 2p)^2

    // 400 ms on it has shrunk to nothing, then it grows mirrored.
    EXPECT_FLOAT_EQ(0.0f,
                    ComputeAlphaBlendFrame(kModeBeatBack, 3400, 0, kStart, kEnd, 3000).half_size);
    EXPECT_FLOAT_EQ(-0.5f,
                    ComputeAlphaBlendFrame(kModeBeatBack, 3600, 0, kStart, kEnd, 3000).half_size);
    EXPECT_FLOAT_EQ(1.5f, ComputeAlphaBlendFrame(kModeBeatBack, kStart, 0, kStart, kEnd, kStart).y);
}

TEST(AlphaBlendImageBeats, RandomJumpsAtMostEvery200MsAndFollowsTheJumpTime) {
    using Effekter::kModeRandom;
    // The place is a function of the jump time alone, whatever the
    // generator held before.
    SeedRandom(5000);
    const float rx = RandomUnit() - 0.5f, ry = RandomUnit() - 0.5f;
    const float angle = 90.0f * RandomUnit() - 45.0f;
    const int after = NextRandom();
    SeedRandom(123);
    AlphaBlendFrame f = ComputeAlphaBlendFrame(kModeRandom, 5100, 0.1f, kStart, 9000, 5000);
    EXPECT_EQ(5000u, f.last_trigger);
    EXPECT_FLOAT_EQ(rx, f.x);
    EXPECT_FLOAT_EQ(ry, f.y);
    EXPECT_FLOAT_EQ(angle, f.angle);
    EXPECT_FLOAT_EQ(1.0f - 100 * 0.125f / 200, f.half_size);
    EXPECT_EQ(after, NextRandom());  // reseeded, then three values

    // A strong beat within 200 ms of the jump does not move the picture;
    // one more millisecond and it jumps.
    EXPECT_EQ(5000u,
              ComputeAlphaBlendFrame(kModeRandom, 5200, 1.0f, kStart, 9000, 5000).last_trigger);
    f = ComputeAlphaBlendFrame(kModeRandom, 5201, 1.0f, kStart, 9000, 5000);
    EXPECT_EQ(5201u, f.last_trigger);
    EXPECT_FLOAT_EQ(1.0f, f.half_size);
    // A quarter exactly is no beat.
    EXPECT_EQ(5000u,
              ComputeAlphaBlendFrame(kModeRandom, 6000, 0.25f, kStart, 9000, 5000).last_trigger);
    // After a seek backwards the difference wraps: the next beat jumps.
    EXPECT_EQ(4000u,
              ComputeAlphaBlendFrame(kModeRandom, 4000, 0.3f, kStart, 9000, 5000).last_trigger);
    // 1600 ms without a jump shrink it to nothing.
    EXPECT_FLOAT_EQ(0.0f,
                    ComputeAlphaBlendFrame(kModeRandom, 6600, 0, kStart, 9000, 5000).half_size);
}

TEST(AlphaBlendImageBeats, TheEffectKeepsItsLastTriggerBetweenFrames) {
    REQUIRE_GL();
    auto back = std::make_unique<AlphaBlendImage>(0, 100000, "", "BEATBACK");
    auto random = std::make_unique<AlphaBlendImage>(0, 100000, "", "RANDOM");
    EXPECT_EQ(0u, back->LastTrigger());
    back->Draw(10000, 0.9f);
    random->Draw(10000, 0.9f);
    EXPECT_EQ(10000u, back->LastTrigger());
    EXPECT_EQ(10000u, random->LastTrigger());
    back->Draw(10150, 0.3f);
    random->Draw(10150, 0.3f);
    EXPECT_EQ(10150u, back->LastTrigger());  // BEATBACK has no hold
    EXPECT_EQ(10000u, random->LastTrigger());
    back->Draw(10300, 0.25f);
    random->Draw(10300, 0.25f);
    EXPECT_EQ(10150u, back->LastTrigger());
    EXPECT_EQ(10000u, random->LastTrigger());
    ExpectFrameLoopState("AlphaBlendImage");
}

TEST(AlphaBlendImageBeats, RandomPlacesATurnedPictureWhereTheGeneratorSays) {
    REQUIRE_GL();
    auto effect = std::make_unique<AlphaBlendImage>(0, 100000, "", "RANDOM");
    effect->Draw(20000, 1.0f);  // jumps: L = 20000
    // 1400 ms later the picture is an eighth of the window, all of it inside.
    const std::vector<FedPolygon> polygons =
        FeedbackPolygons([&] { effect->Draw(21400, 0.0f); }, 4000);
    const Coverage c = Covered(polygons);
    SeedRandom(20000);
    const float x = RandomUnit() - 0.5f, y = RandomUnit() - 0.5f;
    // A turned square seen from the front is symmetric about its centre.
    EXPECT_NEAR(320 * (x + 1), (c.left + c.right) / 2, 0.05);
    EXPECT_NEAR(240 * (1 - y), (c.bottom + c.top) / 2, 0.05);
    EXPECT_GT(c.left, 0);
    EXPECT_LT(c.right, 640);
    // Turned, it covers less than its unturned 80 x 60 pixels.
    EXPECT_GT(c.area, 100);
    EXPECT_LT(c.area, 80 * 60 + 1);
    ExpectFrameLoopState("AlphaBlendImage RANDOM");
}

// ---------------------------------------------------------------- pictures

TEST(AlphaBlendImagePicture, BlendsByThePicturesAlphaTimesTheBrightness) {
    REQUIRE_GL();
    ScratchDir dir;
    WriteFlatPicture(dir, "half.png", 255, 255, 255, 128);
    AlphaBlendImage fade(kStart, kEnd, dir.path() + "/half.png", "STATICFADEIN");
    EXPECT_EQ(dir.path() + "/half.png", fade.Name());
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    fade.Draw(TimeAt(0.5f), 0);
    MaybeSavePicture("alpha_blend_half");
    // Source colour 0.5, alpha 0.5 x 128/255 over red.
    const double alpha = 0.5 * 128 / 255;
    for (const auto& [x, y] : {std::pair{2, 2}, {320, 240}, {637, 477}}) {
        const Rgba p = PixelAt(x, y);
        EXPECT_NEAR(255 * (0.5 * alpha + (1 - alpha)), p.r, 3) << x << "," << y;
        EXPECT_NEAR(255 * 0.5 * alpha, p.g, 3);
    }
    ExpectFrameLoopState("AlphaBlendImage");
    const std::array<float, 4> colour = CurrentColour();
    for (float c : colour) EXPECT_FLOAT_EQ(0.5f, c);  // left at the brightness
    EXPECT_EQ(GL_SRC_ALPHA, Integer(GL_BLEND_SRC));
}

TEST(AlphaBlendImagePicture, AnEmptyPathOrABrokenPictureDrawsAnUntexturedQuad) {
    REQUIRE_GL();
    // Untextured: colour and alpha 0.5 over black give a quarter grey.
    auto expect_untextured = [](AlphaBlendImage& effect, const std::string& what) {
        SCOPED_TRACE(what);
        ResetGlState();
        effect.Draw(TimeAt(0.5f), 0);
        EXPECT_NEAR(0.25 * 255, PixelAt(320, 240).r, 2);
        EXPECT_NEAR(0.25 * 255, PixelAt(5, 470).g, 2);
        ExpectFrameLoopState("AlphaBlendImage");
    };
    AlphaBlendImage empty(kStart, kEnd, "", "STATICFADEIN");
    EXPECT_EQ("", empty.Name());
    expect_untextured(empty, "empty path");
    for (BrokenPicture kind :
         {BrokenPicture::kMissing, BrokenPicture::kTruncated, BrokenPicture::kNotAnImage}) {
        ScratchDir dir;
        WriteBrokenPicture(dir, "caption.png", kind);
        AlphaBlendImage effect(kStart, kEnd, dir.path() + "/caption.png", "STATICFADEIN");
        if (kind == BrokenPicture::kTruncated) {
            // Whatever the decoder makes of half a file, the layer is drawn.
            ResetGlState();
            effect.Draw(TimeAt(0.5f), 0);
            ExpectFrameLoopState("AlphaBlendImage truncated picture");
            continue;
        }
        expect_untextured(effect, BrokenPictureName(kind));
    }
}

TEST(AlphaBlendImagePicture, TheBundledCaptionsLayOverThePictureBeneath) {
    REQUIRE_GL();
    AlphaBlendImage title(kStart, kEnd, "data/captions/title.png", "UPCENTER");
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    title.Draw(kEnd, 0);  // p = 1: at rest in the middle
    MaybeSavePicture("alpha_blend_title");
    // The corners stay blue; across the middle the lettering covers it.
    const Rgba corner = PixelAt(3, 3);
    EXPECT_GE(corner.b, 250);
    EXPECT_LE(corner.r, 5);
    int warmest = -255;
    for (int x = 0; x < 640; ++x) {
        const Rgba p = PixelAt(x, 250);
        if (p.r > 200) warmest = std::max(warmest, p.r - p.b);
    }
    EXPECT_GT(warmest, 100);
    ExpectFrameLoopState("AlphaBlendImage");
}

// ------------------------------------------------------------- the script

TEST(AlphaBlendImageScript, ReadsThePathAndTheModeLine) {
    REQUIRE_GL();
    const LoadedScript loaded = LoadScriptText(
        "music.ogg\n0\n2\n"
        "AlphaBlendImage\n1000\n2000\n# the picture, then how it moves\n"
        "data/captions/logo.png\nRANDOM \t\n"
        "AlphaBlendImage\n3000\n4000\n\nBEATCENTER\n");
    ASSERT_EQ("", loaded.failure);
    ASSERT_EQ(2u, loaded.effects.size());
    const auto* first = dynamic_cast<const AlphaBlendImage*>(loaded.effects[0].get());
    const auto* second = dynamic_cast<const AlphaBlendImage*>(loaded.effects[1].get());
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ("data/captions/logo.png", first->Name());
    EXPECT_EQ(Effekter::kModeRandom, first->Mode());
    EXPECT_EQ("", second->Name());
    EXPECT_EQ(Effekter::kModeBeatCenter, second->Mode());
    EXPECT_EQ(3000u, second->StartTime());
}

TEST(AlphaBlendImageScript, AnUnknownModeStopsTheShowNamingItAndTheValidOnes) {
    REQUIRE_GL();
    for (const std::string mode : {"SIDEWAYS", "up", " UP", "BEAT CENTER"}) {
        const LoadedScript loaded =
            LoadScriptText("music.ogg\n0\n1\nAlphaBlendImage\n0\n1000\ndata/captions/title.png\n" +
                           mode + "\nStroboskop\n0\n1000\n");
        EXPECT_EQ("AlphaBlendImage 'data/captions/title.png': unknown mode '" + mode +
                      "'; the mode line must be one of " + Effekter::AlphaBlendModeList() +
                      " (AlphaBlendImage entry at line 4)",
                  loaded.failure);
        EXPECT_TRUE(loaded.effects.empty());
    }
    try {
        AlphaBlendImage effect(0, 1000, "", "DIAGONAL");
        ADD_FAILURE() << "nothing raised";
    } catch (const DemoFailure& failure) {
        const std::string text = failure.text();
        EXPECT_NE(std::string::npos, text.find("'DIAGONAL'"));
        EXPECT_NE(std::string::npos, text.find("STATICFADEIN"));
    }
}

TEST(AlphaBlendImageScript, AnEntryCutShortAtTheEndOfTheFileIsReported) {
    REQUIRE_GL();
    LoadedScript loaded =
        LoadScriptText("music.ogg\n0\n1\nAlphaBlendImage\n0\n1000\ndata/captions/title.png\n");
    EXPECT_EQ(
        "AlphaBlendImage 'data/captions/title.png': the script ends before its mode line "
        "(one of " +
            Effekter::AlphaBlendModeList() + ") (AlphaBlendImage entry at line 4)",
        loaded.failure);
    EXPECT_TRUE(loaded.effects.empty());
    // Comment lines after the path are no mode line either.
    loaded = LoadScriptText(
        "music.ogg\n0\n1\nAlphaBlendImage\n0\n1000\ndata/captions/title.png\n# UP\n");
    EXPECT_NE(std::string::npos, loaded.failure.find("ends before its mode line"));
    loaded = LoadScriptText("music.ogg\n0\n1\nFlashWhite\n0\n10\nAlphaBlendImage\n0\n1000\n");
    EXPECT_EQ(
        "AlphaBlendImage: the script ends before its image path and mode lines "
        "(AlphaBlendImage entry at line 7)",
        loaded.failure);
    // An empty last line is a mode line, and an empty mode is unknown.
    loaded = LoadScriptText("music.ogg\n0\n1\nAlphaBlendImage\n0\n1000\ndata/x.png\n\n");
    EXPECT_NE(std::string::npos, loaded.failure.find("unknown mode ''"));
}

// ------------------------------------------------------------------ tweaks

TEST(AlphaBlendImageTweaks, ModeIsAnEnumerationWithoutBeatCenterThatStillNamesIt) {
    REQUIRE_GL();
    auto effect = Make("BEATCENTER");
    TweakBar bar("AlphaBlendImage");
    effect->AttachTweakBar(&bar);
    effect->SetupTweaks();
    const TweakVariable* mode = bar.Find("Mode");
    ASSERT_NE(nullptr, mode);
    EXPECT_EQ("Mode", mode->label);
    const TweakEnum* e = bar.Enum(mode->type);
    ASSERT_NE(nullptr, e);
    EXPECT_EQ("Mode", e->name);
    const std::vector<int> values = {0, 1, 2, 3, 4, 5, 6, 7, 9, 10};
    EXPECT_EQ(values, e->values);
    EXPECT_EQ("STATICFADEOUT", e->labels[8]);
    char number[16];
    EXPECT_STREQ("BEATCENTER",
                 TweakEnumPreview(*e, *static_cast<int*>(mode->value), number, sizeof number));
    // The variable is the effect's mode.
    *static_cast<int*>(mode->value) = Effekter::kModeLeft;
    EXPECT_EQ(Effekter::kModeLeft, effect->Mode());
    EXPECT_STREQ("LEFT", TweakEnumPreview(*e, effect->Mode(), number, sizeof number));
    // Without a bar nothing is registered and nothing breaks.
    Make("UP")->SetupTweaks();
}
