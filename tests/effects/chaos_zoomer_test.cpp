#include "effects/3d/chaos_zoomer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "factory/factory.h"
#include "platform/random.h"
#include "render/gl_guards.h"
#include "support/gl_context.h"

using namespace Effekter;

namespace {

// Runs first, before any Draw in this process changes the shared mode.
TEST(ChaosZoomerEffect, StartsWithTheTwistAndItsInitialValues) {
    EXPECT_EQ(ChaosZoomer::kTwist, ChaosZoomer::CurrentPassMode());
    REQUIRE_GL();
    ChaosZoomer zoomer(0, 100000);
    EXPECT_EQ("ChaosZoomer", zoomer.Name());
    EXPECT_EQ(300.0f, zoomer.FogNear());
    EXPECT_EQ(400.0f, zoomer.FogFar());
    EXPECT_EQ(-400.0f, zoomer.ObjectPosition().z);
    EXPECT_EQ(0u, zoomer.SwitchTime());
    EXPECT_EQ(0u, zoomer.LastUpdate());
    EXPECT_EQ(0, zoomer.ImageCounter());
    EXPECT_EQ(WindowWidth(), zoomer.TargetA().Width());
    EXPECT_NE(zoomer.TargetA().Texture(), zoomer.TargetB().Texture());
    EXPECT_NE(nullptr, FindEffectMaker("ChaosZoomer"));
}

TEST(ChaosZoomerTiming, SwitchesSpacedJustOverFiveSeconds) {
    uint32_t switch_time = 0;
    std::vector<uint32_t> switches;
    for (uint32_t t = 0; t < 60000; t += 16) {
        if (ChaosSwitchDue(t, switch_time)) {
            switches.push_back(t);
            switch_time = t;
        }
    }
    ASSERT_GE(switches.size(), 10u);
    EXPECT_EQ(5008u, switches[0]);
    for (size_t i = 1; i < switches.size(); ++i) {
        const uint32_t spacing = switches[i] - switches[i - 1];
        EXPECT_GT(spacing, 5000u);
        EXPECT_LE(spacing, 5016u);
    }
    EXPECT_FALSE(ChaosSwitchDue(10000, 5000));
    EXPECT_TRUE(ChaosSwitchDue(10001, 5000));
    EXPECT_TRUE(ChaosSwitchDue(4000, 5000));  // a seek back
}

TEST(ChaosZoomerTiming, UpdatesEverySecondFrameAtSixteenMilliseconds) {
    uint32_t last = 0;
    std::vector<bool> updated;
    for (uint32_t t = 16; t <= 16 * 20; t += 16) {
        const bool due = ChaosUpdateDue(t, last);
        if (due) last = t;
        updated.push_back(due);
    }
    for (size_t i = 0; i < updated.size(); ++i) EXPECT_EQ(i % 2 == 1, updated[i]) << "frame " << i;
    EXPECT_FALSE(ChaosUpdateDue(1020, 1000));
    EXPECT_TRUE(ChaosUpdateDue(1021, 1000));
}

TEST(ChaosZoomerTiming, FadeInOverHalfASecond) {
    EXPECT_FLOAT_EQ(0.002f, ChaosFadeIn(5001, 5000));
    EXPECT_FLOAT_EQ(0.5f, ChaosFadeIn(5250, 5000));
    EXPECT_FLOAT_EQ(1.0f, ChaosFadeIn(5500, 5000));
    EXPECT_FLOAT_EQ(1.0f, ChaosFadeIn(9000, 5000));
}

TEST(ChaosZoomerTiming, PortraitFollowsTheCounter) {
    EXPECT_STREQ("data/misc/vex.jpg", ChaosPortraitPath(ChaosPortraitIndex(0)));
    EXPECT_STREQ("data/misc/mig.jpg", ChaosPortraitPath(ChaosPortraitIndex(1)));
    EXPECT_STREQ("data/misc/bust.jpg", ChaosPortraitPath(ChaosPortraitIndex(6)));
    EXPECT_STREQ("data/misc/quill.jpg", ChaosPortraitPath(ChaosPortraitIndex(7)));
    EXPECT_EQ(nullptr, ChaosPortraitPath(-1));
}

TEST(ChaosZoomerTiming, FlowerTunnelDepths) {
    int drawn = 0, behind = 0;
    for (int i = 0; i < 1000; ++i) {
        const float z = ChaosFlowerDepth(2500, i);
        if (z > -10) {
            ++drawn;
            if (z >= 0) ++behind;
        }
    }
    EXPECT_EQ(13, drawn);
    EXPECT_EQ(3, behind);
    EXPECT_FLOAT_EQ(-9.5f, ChaosFlowerDepth(2500, 12));
}

TEST(ChaosZoomerTiming, ZoomTurnsAtMostOneDegree) {
    EXPECT_EQ(0.0f, ChaosZoomAngle(0));
    EXPECT_NEAR(1.0f, ChaosZoomAngle(7854), 1e-4);
}

void ExpectStateRestored() {
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
    GLint value = -1;
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    glGetIntegerv(GL_CURRENT_PROGRAM, &value);
    EXPECT_EQ(0, value);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(0, value);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &value);
    EXPECT_EQ(0, value);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &value);
    EXPECT_EQ(1, value);
}

TEST(ChaosZoomerEffect, SwitchesAndUpdatesThroughDraw) {
    REQUIRE_GL();
    ChaosZoomer zoomer(0, 100000);
    SeedRandom(1);  // the next number is 41: pass mode 41 & 3 = 1
    int updates = 0;
    uint32_t last = zoomer.LastUpdate();
    for (uint32_t t = 4800; t <= 5200; t += 16) {
        zoomer.Draw(t, 0.5f);
        if (zoomer.LastUpdate() != last) ++updates;
        last = zoomer.LastUpdate();
    }
    EXPECT_EQ(1, zoomer.ImageCounter());
    EXPECT_EQ(5008u, zoomer.SwitchTime());
    EXPECT_EQ(ChaosZoomer::kPortrait, ChaosZoomer::CurrentPassMode());
    EXPECT_EQ(13, updates);  // 26 frames, every second one
    ExpectStateRestored();
    for (int mode = 0; mode < 4; ++mode) {
        ChaosZoomer::SetPassMode(mode);
        zoomer.Draw(5300 + 100 * mode, 1.0f);
        ExpectStateRestored();
    }
}

// Fills the window with a pattern of coloured bands.
void DrawPattern() {
    glDisable(GL_TEXTURE_2D);
    Ortho2DScope view;
    glTranslatef(0, 0, -2);
    for (int i = 0; i < 8; ++i) {
        glColor3f((i & 1) ? 0.9f : 0.2f, (i & 2) ? 0.7f : 0.1f, (i & 4) ? 0.8f : 0.3f);
        Quad band(1, 0.125f);
        band.position.y = -0.875f + 0.25f * i;
        band.Draw(1, 1);
    }
    glColor3f(1, 1, 1);
    glEnable(GL_TEXTURE_2D);
}

TEST(ChaosZoomerEffect, TwistWithoutBeatChangesNothing) {
    REQUIRE_GL();
    ChaosZoomer zoomer(0, 100000);
    DrawPattern();
    const std::vector<uint8_t> before = ReadPixels(0, 0, WindowWidth(), WindowHeight());
    zoomer.TwistPass(20000, 0);
    EXPECT_EQ(before, ReadPixels(0, 0, WindowWidth(), WindowHeight()));
    zoomer.TwistPass(20000, 1);
    EXPECT_NE(before, ReadPixels(0, 0, WindowWidth(), WindowHeight()));
    ExpectStateRestored();
}

// Sum of r + g + b over the window, and the brightest pixel's r + g + b.
std::pair<double, int> Light() {
    const std::vector<uint8_t> pixels = ReadPixels(0, 0, WindowWidth(), WindowHeight());
    double sum = 0;
    int brightest = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        const int v = pixels[i] + pixels[i + 1] + pixels[i + 2];
        sum += v;
        brightest = std::max(brightest, v);
    }
    return {sum, brightest};
}

TEST(ChaosZoomerEffect, ModelPassPlacesTheModelWithTheBeat) {
    REQUIRE_GL();
    ChaosZoomer zoomer(0, 100000);
    zoomer.ModelPass(0, 1);
    EXPECT_FLOAT_EQ(0.0f, zoomer.ObjectPosition().x);
    EXPECT_FLOAT_EQ(-350.0f, zoomer.ObjectPosition().z);
    zoomer.ModelPass(0, 0);
    EXPECT_FLOAT_EQ(-400.0f, zoomer.ObjectPosition().z);
    ExpectStateRestored();
}

// The bundled blob sits in the fog: dark without beat, lit by it.
TEST(ChaosZoomerEffect, ModelLightsUpWithTheBeat) {
    REQUIRE_GL();
    ChaosZoomer zoomer(0, 100000);
    std::pair<double, int> light[2];
    for (int beat = 0; beat < 2; ++beat) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        zoomer.ModelPass(3000, static_cast<float>(beat));
        MaybeSavePicture(beat ? "chaos_model_beat" : "chaos_model_still");
        light[beat] = Light();
    }
    // Without beat even the blob's near side stays deep in the fog (a mesh
    // too large for the fog range showed almost fully lit either way).
    EXPECT_LT(light[0].second, 765 / 3);
    EXPECT_GT(light[1].second, 2 * light[0].second);
    EXPECT_GT(light[1].first, 3 * light[0].first);
    ExpectStateRestored();
}

TEST(ChaosZoomerEffect, PassesShowMaterialOnceFadedIn) {
    REQUIRE_GL();
    ChaosZoomer zoomer(0, 100000);
    const std::vector<uint8_t> black(static_cast<size_t>(WindowWidth()) * WindowHeight() * 4, 0);
    // Switch time 0: from 500 ms on the passes draw at full strength.
    glClear(GL_COLOR_BUFFER_BIT);
    zoomer.FlowerPass(2500, 0);
    EXPECT_NE(black, ReadPixels(0, 0, WindowWidth(), WindowHeight())) << "flower";
    glClear(GL_COLOR_BUFFER_BIT);
    zoomer.PortraitPass(2500, 0);
    EXPECT_NE(black, ReadPixels(0, 0, WindowWidth(), WindowHeight())) << "portrait";
    ExpectStateRestored();
}

// The portrait the pass binds, told apart by colour: the middle of the
// screen shows the middle of the picture (the pass turns and scales it about
// the centre), and the blend (GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR) over
// black gives the texel squared. Portraits 2 and 3 are declared in the
// opposite order, which must not swap them.
TEST(ChaosZoomerEffect, PortraitPassBindsThePortraitOfTheCounter) {
    REQUIRE_GL();
    // The expected middle colour of each portrait: its four middle texels.
    Rgba expected[4];
    for (int k = 0; k < 4; ++k) {
        CTextureFreeImage picture;
        picture.Load(ChaosPortraitPath(k));
        GLint w = 0, h = 0;
        glBindTexture(GL_TEXTURE_2D, picture.Name());
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        ASSERT_GT(w, 1) << ChaosPortraitPath(k);
        std::vector<uint8_t> texels(static_cast<size_t>(w) * h * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        int sum[3] = {0, 0, 0};
        for (int y = h / 2 - 1; y <= h / 2; ++y)
            for (int x = w / 2 - 1; x <= w / 2; ++x)
                for (int c = 0; c < 3; ++c)
                    sum[c] += texels[(static_cast<size_t>(y) * w + x) * 4 + c];
        auto squared = [](int quarter_sum) {
            const double v = quarter_sum / 4.0 / 255.0;
            return static_cast<int>(std::lround(v * v * 255));
        };
        expected[k] = {squared(sum[0]), squared(sum[1]), squared(sum[2]), 255};
    }
    auto distance = [](const Rgba& a, const Rgba& b) {
        return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
    };

    ChaosZoomer zoomer(0, 1000000);
    uint32_t t = 0;
    for (int32_t counter = 1; counter <= 4; ++counter) {
        t += 5001;  // the next switch counts on
        zoomer.Draw(t, 0);
        ASSERT_EQ(counter, zoomer.ImageCounter());
        glClear(GL_COLOR_BUFFER_BIT);
        zoomer.PortraitPass(t + 700, 0);  // faded in fully
        const Rgba seen = PixelAt(WindowWidth() / 2, WindowHeight() / 2);
        const int k = counter % 4;
        int closest = 0;
        for (int j = 1; j < 4; ++j)
            if (distance(seen, expected[j]) < distance(seen, expected[closest])) closest = j;
        EXPECT_EQ(k, closest) << "counter " << counter << " should show " << ChaosPortraitPath(k);
        EXPECT_LT(distance(seen, expected[k]), 45) << "counter " << counter;
    }
    ExpectStateRestored();
}

}  // namespace
