// Rubber3d: fade, strips, model position and beat capture, the generator
// state and GL state it leaves, and the picture it draws.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "effects/3d/rubber3d.h"
#include "platform/random.h"
#include "render/gl_guards.h"
#include "support/gl_context.h"

using Effekter::Rubber3d;

namespace {

int Brightness(const Rgba& p) { return p.r + p.g + p.b; }

}  // namespace

TEST(Rubber3dTest, FadeAndBackgroundScale) {
    EXPECT_FLOAT_EQ(Rubber3d::Fade(1001, 1000, 9000), 0.996f);
    EXPECT_EQ(Rubber3d::Fade(1250, 1000, 9000), 0);
    EXPECT_EQ(Rubber3d::Fade(5000, 1000, 9000), 0);
    EXPECT_EQ(Rubber3d::Fade(8750, 1000, 9000), 0);
    EXPECT_FLOAT_EQ(Rubber3d::Fade(8999, 1000, 9000), 0.996f);
    // Both hold in a short window: the end fade wins.
    EXPECT_FLOAT_EQ(Rubber3d::Fade(1100, 1000, 1300), 0.2f);
    // Before the start the unsigned difference is huge: no start fade.
    EXPECT_EQ(Rubber3d::Fade(900, 1000, 9000), 0);

    EXPECT_EQ(Rubber3d::BackgroundScale(0), 2);
    EXPECT_FLOAT_EQ(Rubber3d::BackgroundScale(5000), 1.5f);
    EXPECT_EQ(Rubber3d::BackgroundScale(60000), 1);
}

TEST(Rubber3dTest, StripsFor1000And1024PixelWindows) {
    for (int i = 0; i < Rubber3d::kStrips; ++i) {
        const Rubber3d::Strip s = Rubber3d::StripAt(1000, i);
        EXPECT_EQ(s.width, 8);
        EXPECT_EQ(s.x, 8 * i);
    }
    EXPECT_EQ(Rubber3d::StripAt(1000, 124).x, 992);

    int overlaps = 0;
    for (int i = 0; i < Rubber3d::kStrips; ++i) {
        const Rubber3d::Strip s = Rubber3d::StripAt(1024, i);
        EXPECT_EQ(s.width, 9);
        EXPECT_EQ(s.x, static_cast<int>(8.192 * i));
        if (i > 0) {
            const int gap = s.x - Rubber3d::StripAt(1024, i - 1).x;
            EXPECT_TRUE(gap == 8 || gap == 9) << i;
            if (gap == 8) ++overlaps;  // one pixel drawn by both strips
        }
    }
    EXPECT_GT(overlaps, 0);
    EXPECT_EQ(Rubber3d::StripAt(1024, 124).x, 1015);
    // The strips cover the whole window.
    EXPECT_GE(Rubber3d::StripAt(1024, 124).x + 9, 1024);
}

// The columns a strip must reach for the model to show in it: a sphere's
// outline in the standard view, with a column to spare; none when it
// reaches the near plane (it may then cover any column).
TEST(Rubber3dTest, ColumnsASphereCanReach) {
    // tan 20 degrees: a sphere at depth d and height 0 spans x = +-0.364 d
    // over the window's height; the 640 x 480 window is 4/3 as wide.
    const double half = std::tan(20.0 * 3.14159265358979 / 180) * 4.0 / 3.0;
    const struct {
        float x, z, radius;
        bool known;
        double first, last;  // expected, within a column or two
    } rows[] = {
        {0, -100, 10, true, 320 - 320 * 10 / (90 * half), 320 + 320 * 10 / (90 * half)},
        {-100, -200, 20, true, 320 - 320 * 120 / (180 * half), 320 - 320 * 80 / (220 * half)},
        {0, -5, 10, false, 0, 0},  // reaches the near plane
        {0, 50, 10, false, 0, 0},  // behind the eye
    };
    for (const auto& row : rows) {
        const float centre[3] = {row.x, 0, row.z};
        int first = 0, last = 0;
        EXPECT_EQ(Rubber3d::SphereColumns(centre, row.radius, 640, 480, first, last), row.known)
            << row.x << "," << row.z;
        if (!row.known) continue;
        EXPECT_NEAR(row.first, first, 2.5) << row.x << "," << row.z;
        EXPECT_NEAR(row.last, last, 2.5) << row.x << "," << row.z;
        EXPECT_LE(first, row.first) << "never inside the outline";
        EXPECT_GE(last, row.last) << "never inside the outline";
    }
}

// The step each strip adds: which generator value feeds which axis. The
// values are chosen so that the sines and cosines come out simple at t = 500
// (t / 500 = 1).
TEST(Rubber3dTest, StripStepTakesEachValueWhereItBelongs) {
    const float half_pi = 1.57079633f, pi = 3.14159265f;
    const float sixth_pi = 0.52359878f, third_pi = 1.04719755f;
    //                   r0    r1  r2       r3 r4  r5        r6        r7  r8       r9
    const float r[10] = {0.5f, 10, half_pi, 0, 20, sixth_pi, third_pi, 40, half_pi, pi};
    Rubber3d::StripStep step = Rubber3d::ComputeStripStep(r, 500, 0.3f);
    EXPECT_FLOAT_EQ(step.dz, 0.15f);  // r0 x b: the strips' spacing
    EXPECT_NEAR(step.az, 10, 1e-4);   // r1 sin(r2) cos(r3) = 10 x 1 x 1
    EXPECT_NEAR(step.ay, 5, 1e-4);    // r4 sin(r5) cos(r6) = 20 x 0.5 x 0.5
    EXPECT_NEAR(step.ax, -40, 1e-4);  // r7 sin(r8) cos(r9) = 40 x 1 x -1
    // At t = 1000 every angle's arguments double.
    step = Rubber3d::ComputeStripStep(r, 1000, 0);
    EXPECT_EQ(step.dz, 0);                   // no beat: the strips lie on one another
    EXPECT_NEAR(step.az, 0, 1e-4);           // 10 sin(pi) cos(0)
    EXPECT_NEAR(step.ay, -8.660254f, 1e-4);  // 20 sin(pi/3) cos(2 pi/3)
    EXPECT_NEAR(step.ax, 0, 1e-4);           // 40 sin(pi) cos(2 pi)
    // At t = 0 nothing turns.
    step = Rubber3d::ComputeStripStep(r, 0, 1);
    EXPECT_EQ(step.ax, 0);
    EXPECT_EQ(step.ay, 0);
    EXPECT_EQ(step.az, 0);
    EXPECT_FLOAT_EQ(step.dz, 0.5f);

    // The chain turns 50 degrees per second of demo time about the vertical.
    EXPECT_FLOAT_EQ(Rubber3d::ModelTurn(1000), 50);
    EXPECT_FLOAT_EQ(Rubber3d::ModelTurn(7200), 360);
}

// The show's values: the C library generator after srand(72), computed here
// by hand (state x 214013 + 2531011, bits 16 to 30), as each strip draws them.
TEST(Rubber3dTest, StripsDrawTheirTenValuesAfterASeedOf72) {
    uint32_t state = 72;
    float expected[10];
    for (float& value : expected) {
        state = state * 214013u + 2531011u;
        value = static_cast<float>(((state >> 16) & 0x7FFF) / 32767.0);
    }
    SeedRandom(Rubber3d::kSeed);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(RandomUnit(), expected[i]) << "r" << i;
    // With b = 0.3 the strips lie 0.3 r0 apart along the chain.
    EXPECT_FLOAT_EQ(Rubber3d::ComputeStripStep(expected, 4321, 0.3f).dz, 0.3f * expected[0]);
    EXPECT_GT(expected[0], 0.0f);
}

TEST(Rubber3dTest, BeatThrowsTheModelToTheFront) {
    REQUIRE_GL();
    Rubber3d effect(1000, 20000);
    EXPECT_EQ(effect.LastBeatTime(), 0u);
    // No beat yet: the chain starts at z = -500 - T.
    EXPECT_EQ(effect.ModelPosition(1600, 0).z, -2100);
    EXPECT_FLOAT_EQ(effect.ModelPosition(1600, 0).x, 600 / 75.0f - 150);
    EXPECT_FLOAT_EQ(effect.ModelPosition(1001, 0.996f).y, 498);

    effect.Draw(5000, 0.25f);  // not above 0.25
    EXPECT_EQ(effect.LastBeatTime(), 0u);
    effect.Draw(5000, 0.3f);
    EXPECT_EQ(effect.LastBeatTime(), 5000u);
    EXPECT_EQ(effect.ModelPosition(5000, 0).z, -500);
    effect.Draw(5200, 0);
    EXPECT_EQ(effect.LastBeatTime(), 5000u);
    EXPECT_EQ(effect.ModelPosition(5200, 0).z, -700);
}

TEST(Rubber3dTest, LeavesStateOffAndTheGeneratorReseeded) {
    REQUIRE_GL();
    Rubber3d effect(0, 20000);
    effect.Draw(3000, 0.5f);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = -1, mode = 0, depth = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &mode);
    EXPECT_EQ(mode, GL_NORMAL_MAP);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(modelview[i], i % 5 == 0 ? 1 : 0);
    // The last strip's scissor box.
    GLint box[4];
    glGetIntegerv(GL_SCISSOR_BOX, box);
    const Rubber3d::Strip last = Rubber3d::StripAt(WindowWidth(), 124);
    EXPECT_EQ(box[0], last.x);
    EXPECT_EQ(box[2], last.width);
    EXPECT_EQ(box[3], WindowHeight());
    // The generator is where ten draws after a seed of 72 leave it.
    const int next = NextRandom();
    SeedRandom(72);
    for (int i = 0; i < 10; ++i) NextRandom();
    EXPECT_EQ(next, NextRandom());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // Wider windows give the strips of their width.
    const int width = WindowWidth(), height = WindowHeight();
    SetWindowSize(1000, height);
    effect.Draw(3000, 0);
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[0], 992);
    EXPECT_EQ(box[2], 8);
    SetWindowSize(width, height);
    ResetGlState();
}

TEST(Rubber3dTest, ModelShowsAfterABeatAndRecedesBehindTheFarPlane) {
    REQUIRE_GL();
    Rubber3d effect(10000, 40000);
    // t = 11250: the chain starts at x = 1250/75 - 150 = -133, on the left.
    effect.Draw(11250, 0.3f);
    MaybeSavePicture("rubber3d_beat");
    const int width = WindowWidth(), height = WindowHeight();
    int model_pixels = 0;
    {
        const std::vector<uint8_t> beat = ReadPixels(0, 0, width, height);
        ResetGlState();
        // 800 ms later the chain starts at z = -1300: even the mesh's near
        // side (radius about 113) lies behind the far plane at 1000.
        effect.Draw(11250 + 800, 0);
        MaybeSavePicture("rubber3d_gone");
        const std::vector<uint8_t> gone = ReadPixels(0, 0, width, height);
        for (size_t i = 0; i < beat.size(); i += 4) {
            if (std::abs(beat[i] - gone[i]) + std::abs(beat[i + 1] - gone[i + 1]) > 30) {
                ++model_pixels;
            }
        }
    }
    // Besides the model only the flash (0.3 of its image) differs between
    // the frames; the model covers a good part of the window.
    EXPECT_GT(model_pixels, width * height / 50);
    ResetGlState();
    effect.Draw(11250 + 800, 0);
    const Rgba corner = PixelAt(2, 2);
    EXPECT_GT(Brightness(corner), 0);  // the background is drawn
}
