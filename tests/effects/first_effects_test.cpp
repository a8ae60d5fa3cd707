// FlashWhite, Stroboskop and Plasma2D drawn into a known GL state: the
// numbers of a frame, the geometry read back through GL feedback, the
// uniforms the shader receives, pictures (compared with tolerances) and the
// GL state each effect leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "effects/image/flash_white.h"
#include "effects/image/stroboskop.h"
#include "effects/shader/plasma2d.h"
#include "platform/failure.h"
#include "platform/random.h"
#include "render/gl_guards.h"
#include "support/effect_fixtures.h"
#include "support/gl_context.h"
#include "support/gl_state.h"
#include "support/test_paths.h"

using Effekter::FlashWhite;
using Effekter::Plasma2D;
using Effekter::Stroboskop;

namespace {

using Polygon = FedPolygon;

template <class Draw>
std::vector<Polygon> Feedback(Draw draw) {
    return FeedbackPolygons(draw, 20000);
}

// Eye z of a window depth under glOrtho(..., near, far).
double EyeZ(double window_z, double near_plane, double far_plane) {
    const double ndc = 2 * window_z - 1;
    return -(ndc * (far_plane - near_plane) + far_plane + near_plane) / 2;
}

// Rotation in degrees (0..360) of a twist layer drawn at z = -1 in the
// standard view: its texture coordinate (s, t) marks the object point
// (2s - 1, 2t - 1), which appears turned about the window's centre.
double LayerAngle(const Polygon& polygon) {
    const FedVertex* far_vertex = &polygon[0];
    for (const FedVertex& v : polygon)
        if (std::hypot(v.x - 320, v.y - 240) > std::hypot(far_vertex->x - 320, far_vertex->y - 240))
            far_vertex = &v;
    const double object = std::atan2(2 * far_vertex->t - 1, 2 * far_vertex->s - 1);
    const double window = std::atan2(far_vertex->y - 240, far_vertex->x - 320);
    double degrees = (window - object) * 180 / M_PI;
    while (degrees < 0) degrees += 360;
    while (degrees >= 360) degrees -= 360;
    return degrees;
}

double AngleDistance(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360 - d);
}

}  // namespace

// ---------------------------------------------------------------- FlashWhite

TEST(FlashWhiteTest, StrengthFallsLinearlyOverTheWindow) {
    EXPECT_FLOAT_EQ(1.0f - 1.0f / 2000, Effekter::FlashStrength(1001, 1000, 3000));
    EXPECT_FLOAT_EQ(0.5f, Effekter::FlashStrength(2000, 1000, 3000));
    EXPECT_FLOAT_EQ(0.0f, Effekter::FlashStrength(3000, 1000, 3000));
    // Differences are unsigned: a window across the 32-bit wrap still works.
    EXPECT_FLOAT_EQ(0.5f, Effekter::FlashStrength(50, 0xFFFFFFFFu - 49, 150));
}

TEST(FlashWhiteTest, HalfwayAddsHalfGreyAndLeavesBlendingOff) {
    REQUIRE_GL();
    FlashWhite flash(1000, 3000);
    glClearColor(0.25f, 0.5f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    flash.Draw(2000, 0.9f);
    MaybeSavePicture("flash_white_half");
    for (const auto& [x, y] : {std::pair{0, 0}, {639, 479}, {320, 240}, {0, 479}, {639, 0}}) {
        const Rgba p = PixelAt(x, y);
        EXPECT_NEAR(64 + 127.5, p.r, 2) << x << "," << y;
        EXPECT_NEAR(128 + 127.5, p.g, 2);
        EXPECT_NEAR(127.5, p.b, 2);
    }
    ExpectFrameLoopState("FlashWhite");
    EXPECT_EQ(GL_ONE, Integer(GL_BLEND_SRC));  // the blend function stays
    EXPECT_EQ(GL_ONE, Integer(GL_BLEND_DST));

    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    flash.Draw(1001, 0);
    EXPECT_GE(PixelAt(320, 240).r, 254);
    glClear(GL_COLOR_BUFFER_BIT);
    flash.Draw(2999, 0);
    EXPECT_LE(PixelAt(320, 240).r, 1);
}

// ---------------------------------------------------------------- Stroboskop

TEST(StroboskopTest, FrameNumbers) {
    using Effekter::ComputeStroboskopFrame;
    const Effekter::StroboskopFrame quiet = ComputeStroboskopFrame(10000, 0.0f, 32767);
    EXPECT_FLOAT_EQ(0.5f, quiet.strip_grey);
    EXPECT_FLOAT_EQ(-1.0f, quiet.strip_z);
    EXPECT_FLOAT_EQ(0.0f, quiet.twist_grey);
    EXPECT_FLOAT_EQ(1.0f, quiet.title_size);  // no jitter without a beat
    EXPECT_FLOAT_EQ(10000 * 0.04f + 90.0f, quiet.twist_angle);
    EXPECT_FLOAT_EQ(49.0f * std::sin(0.01f), quiet.strip_x);

    const Effekter::StroboskopFrame loud = ComputeStroboskopFrame(10000, 1.0f, 32767);
    EXPECT_FLOAT_EQ(1.0f, loud.strip_grey);
    EXPECT_FLOAT_EQ(-0.5f, loud.strip_z);
    EXPECT_FLOAT_EQ(0.125f, loud.twist_grey);
    EXPECT_FLOAT_EQ(1.125f, loud.title_size);
    EXPECT_FLOAT_EQ(400.0f, loud.twist_angle);
    EXPECT_FLOAT_EQ(1.0f, ComputeStroboskopFrame(10000, 1.0f, 0).title_size);

    // The title switches from full colour to beat + 0.5 at 21000 ms.
    EXPECT_FLOAT_EQ(1.0f, ComputeStroboskopFrame(20999, 0.0f, 0).title_colour);
    EXPECT_FLOAT_EQ(0.5f, ComputeStroboskopFrame(21000, 0.0f, 0).title_colour);
    EXPECT_FLOAT_EQ(1.2f, ComputeStroboskopFrame(21000, 0.7f, 0).title_colour);
}

TEST(StroboskopTest, GeometryOfTheThreePasses) {
    REQUIRE_GL();
    Stroboskop strobo(0, 100000);
    // Pass 1 draws in the projection it finds: make it show the whole strip.
    const double near_plane = 0.1, far_plane = 10;
    auto draw = [&](uint32_t t, float beat) {
        return Feedback([&] {
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(-60, 60, -45, 45, near_plane, far_plane);
            glMatrixMode(GL_MODELVIEW);
            strobo.Draw(t, beat);
        });
    };

    for (const float beat : {0.0f, 0.5f, 1.0f}) {
        SCOPED_TRACE(beat);
        const std::vector<Polygon> polygons = draw(10000, beat);
        // The strip is the polygon with the 50-fold repeat, the title has
        // colour 1, the twist layers 0.125b.
        std::vector<Polygon> strip, title, twist;
        for (const Polygon& p : polygons) {
            const bool repeated =
                std::any_of(p.begin(), p.end(), [](const FedVertex& v) { return v.s > 49; });
            if (repeated)
                strip.push_back(p);
            else if (std::fabs(p[0].r - 1.0f) < 1e-3)
                title.push_back(p);
            else
                twist.push_back(p);
        }
        ASSERT_FALSE(strip.empty());
        ASSERT_FALSE(title.empty());
        // Without a beat the fan's colour is 0: it would add nothing, and
        // is not drawn.
        ASSERT_EQ(twist.empty(), beat == 0);
        // The strip: 100 units wide, drifting by 49 sin(t / 10^6), at z = 0.5b - 1.
        float min_x = 1e9f, max_x = -1e9f;
        for (const Polygon& p : strip)
            for (const FedVertex& v : p) {
                EXPECT_NEAR(0.5 * beat - 1, EyeZ(v.z, near_plane, far_plane), 1e-4);
                min_x = std::min(min_x, v.x);
                max_x = std::max(max_x, v.x);
                EXPECT_TRUE(v.s == 0 || v.s == 50) << v.s;
            }
        const double drift = 49 * std::sin(0.01);
        EXPECT_NEAR(320 + (drift - 50) * 640 / 120, min_x, 0.05);
        EXPECT_NEAR(320 + (drift + 50) * 640 / 120, max_x, 0.05);

        // Twist layers: colour 0.125b each, turned by a0 + 5ib degrees.
        for (const Polygon& p : twist)
            for (const FedVertex& v : p) EXPECT_NEAR(0.125 * beat, v.r, 1e-3);
        const double a0 = 10000 * 0.04 + 90 * (1 - beat);
        std::vector<int> layers_at(10, 0);
        for (const Polygon& p : twist) {
            const double angle = LayerAngle(p);
            int matched = -1;
            for (int i = 0; i < 10 && matched < 0; ++i)
                if (AngleDistance(angle, a0 + 5 * i * beat) < 0.2) matched = i;
            ASSERT_GE(matched, 0) << angle;
            ++layers_at[matched];
        }
        // With a beat, ten separate angles.
        for (int i = 1; i < 10 && beat > 0; ++i) EXPECT_GT(layers_at[i], 0) << i;
    }
    ResetPerspective();
}

class StroboskopPicture : public ::testing::Test {
protected:
    // Builds the effect from flat pictures made here.
    std::unique_ptr<Stroboskop> Make(int background, int text, int twist) {
        ScratchDir dir;
        WriteFlatPicture(dir, "data/strobo/bg.jpg", background, background, background);
        WriteFlatPicture(dir, "data/strobo/text.jpg", text, text, text);
        WriteFlatPicture(dir, "data/strobo/twist.jpg", twist, twist, twist);
        std::unique_ptr<Stroboskop> effect;
        InDirectory(dir.path(), [&] { effect = std::make_unique<Stroboskop>(0, 100000); });
        return effect;
    }
    static void ExpectEverywhere(int value, int tolerance) {
        for (const auto& [x, y] : {std::pair{2, 2}, {637, 477}, {320, 240}, {100, 400}}) {
            const Rgba p = PixelAt(x, y);
            EXPECT_NEAR(value, p.r, tolerance) << x << "," << y;
            EXPECT_NEAR(value, p.g, tolerance) << x << "," << y;
            EXPECT_NEAR(value, p.b, tolerance) << x << "," << y;
        }
    }
};

TEST_F(StroboskopPicture, WithoutABeatTheTwistLayersAddNothing) {
    REQUIRE_GL();
    // Black strip and title, white twist image.
    auto strobo = Make(0, 0, 255);
    strobo->Draw(10000, 0.0f);
    ExpectEverywhere(0, 1);
    ExpectFrameLoopState("Stroboskop");

    // Half a beat: ten layers of 0.0625 each cover the whole window.
    ResetGlState();
    strobo->Draw(10000, 0.5f);
    ExpectEverywhere(159, 3);
    ResetGlState();
    strobo->Draw(10000, 1.0f);
    ExpectEverywhere(255, 0);
}

TEST_F(StroboskopPicture, TitleDarkensByItsColourAndSoftensAt21Seconds) {
    REQUIRE_GL();
    // White strip at grey 0.5, mid-grey title, black twist image.
    auto strobo = Make(255, 128, 0);
    strobo->Draw(20999, 0.0f);
    ExpectEverywhere(64, 3);  // 128 * (1 - 0.5)
    ResetGlState();
    strobo->Draw(21000, 0.0f);
    ExpectEverywhere(96, 3);  // 128 * (1 - 0.5 * 0.5)
    ExpectFrameLoopState("Stroboskop");
}

TEST(StroboskopTest, ShowsTheBundledPicturesAndDrawsOneRandomValue) {
    REQUIRE_GL();
    Stroboskop strobo(0, 100000);
    SeedRandom(5);
    NextRandom();
    const int second = NextRandom();
    SeedRandom(5);
    strobo.Draw(30000, 0.6f);
    EXPECT_EQ(second, NextRandom());
    MaybeSavePicture("stroboskop_30000");
    // Not a flat picture.
    int lowest = 765, highest = 0;
    for (const Rgba& p : {PixelAt(10, 10), PixelAt(320, 240), PixelAt(600, 400), PixelAt(200, 300),
                          PixelAt(500, 100), PixelAt(50, 450)}) {
        lowest = std::min(lowest, p.r + p.g + p.b);
        highest = std::max(highest, p.r + p.g + p.b);
    }
    EXPECT_GT(highest - lowest, 30);
    ExpectFrameLoopState("Stroboskop");
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (float c : colour) EXPECT_EQ(1.0f, c);
}

TEST(StroboskopTest, MissingPicturesDrawUntexturedLayers) {
    REQUIRE_GL();
    ScratchDir empty;
    std::unique_ptr<Stroboskop> strobo;
    InDirectory(empty.path(), [&] { strobo = std::make_unique<Stroboskop>(0, 1000); });
    // Untextured: strip grey 0.5, white title removes it all, twist adds 10 x 0.0625.
    strobo->Draw(500, 0.5f);
    EXPECT_NEAR(159, PixelAt(320, 240).r, 3);
    ExpectFrameLoopState("Stroboskop");
}

// ------------------------------------------------------------------ Plasma2D

namespace {

// The most recently made program that has the plasma's uniforms.
GLuint FindPlasmaProgram() {
    GLuint found = 0;
    for (GLuint name = 1; name < 4000; ++name) {
        if (glIsProgram(name) && glGetUniformLocation(name, "dx0") >= 0 &&
            glGetUniformLocation(name, "dy1") >= 0)
            found = name;
    }
    return found;
}

struct SentUniforms {
    float time;
    float dx0[4], dy0[4], dx1[4], dy1[4];
};

SentUniforms ReadUniforms(GLuint program) {
    SentUniforms u{};
    glGetUniformfv(program, glGetUniformLocation(program, "time"), &u.time);
    glGetUniformfv(program, glGetUniformLocation(program, "dx0"), u.dx0);
    glGetUniformfv(program, glGetUniformLocation(program, "dy0"), u.dy0);
    glGetUniformfv(program, glGetUniformLocation(program, "dx1"), u.dx1);
    glGetUniformfv(program, glGetUniformLocation(program, "dy1"), u.dy1);
    return u;
}

void ExpectSameVector(const float* expected, const float* actual) {
    for (int i = 0; i < 4; ++i) EXPECT_EQ(expected[i], actual[i]) << i;
}

}  // namespace

TEST(Plasma2DTest, ParametersFollowTheSeed) {
    const Effekter::PlasmaParameters p = Effekter::DrawPlasmaParameters(1);
    EXPECT_EQ(static_cast<float>(41 / 32767.0) * 10.0f, p.dx0[0]);
    EXPECT_EQ(static_cast<float>(18467 / 32767.0) * 10.0f, p.dy0[0]);
    EXPECT_EQ(static_cast<float>(6334 / 32767.0), p.dx1[0]);
    EXPECT_EQ(static_cast<float>(26500 / 32767.0), p.dy1[0]);
    EXPECT_EQ(static_cast<float>(19169 / 32767.0) * 10.0f, p.dx0[1]);
    for (int i = 0; i < 4; ++i) {
        EXPECT_LE(p.dx0[i], 10.0f);
        EXPECT_LE(p.dy1[i], 1.0f);
    }
    const Effekter::PlasmaParameters again = Effekter::DrawPlasmaParameters(1);
    ExpectSameVector(p.dx0, again.dx0);
    ExpectSameVector(p.dy1, again.dy1);
    EXPECT_NE(p.dx0[0], Effekter::DrawPlasmaParameters(2).dx0[0]);
}

TEST(Plasma2DTest, SendsTheSameParametersEveryFrame) {
    REQUIRE_GL();
    Plasma2D plasma(0, 100000, 42);
    const GLuint program = FindPlasmaProgram();
    ASSERT_NE(0u, program);
    const Effekter::PlasmaParameters expected = Effekter::DrawPlasmaParameters(42);

    plasma.Draw(1000, 0.2f);
    const SentUniforms first = ReadUniforms(program);
    SeedRandom(999);  // whatever else used the generator in between
    NextRandom();
    plasma.Draw(77777, 0.9f);
    const SentUniforms second = ReadUniforms(program);

    EXPECT_FLOAT_EQ(1.0f, first.time);
    EXPECT_FLOAT_EQ(77.777f, second.time);
    ExpectSameVector(expected.dx0, first.dx0);
    ExpectSameVector(expected.dy0, first.dy0);
    ExpectSameVector(expected.dx1, first.dx1);
    ExpectSameVector(expected.dy1, first.dy1);
    ExpectSameVector(first.dx0, second.dx0);
    ExpectSameVector(first.dy0, second.dy0);
    ExpectSameVector(first.dx1, second.dx1);
    ExpectSameVector(first.dy1, second.dy1);

    plasma.Draw(0, 0);
    EXPECT_EQ(0.0f, ReadUniforms(program).time);
}

TEST(Plasma2DTest, SquareTurnsWithTimeAndComesNearerOnBeats) {
    REQUIRE_GL();
    Plasma2D plasma(0, 100000, 7);
    // A projection wide enough to show the whole 3 x 3 square: 80 pixels per unit.
    const double near_plane = 0.1, far_plane = 10;
    auto corner00 = [&](uint32_t t, float beat) {
        const std::vector<Polygon> polygons = Feedback([&] {
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(-4, 4, -3, 3, near_plane, far_plane);
            glMatrixMode(GL_MODELVIEW);
            plasma.Draw(t, beat);
        });
        FedVertex found{};
        bool seen = false;
        for (const Polygon& p : polygons)
            for (const FedVertex& v : p)
                if (v.s == 0 && v.t == 0) {
                    found = v;
                    seen = true;
                }
        EXPECT_TRUE(seen);
        return found;
    };
    FedVertex v = corner00(0, 0);
    EXPECT_NEAR(320 - 1.5 * 80, v.x, 0.05);
    EXPECT_NEAR(240 - 1.5 * 80, v.y, 0.05);
    EXPECT_NEAR(-2.0, EyeZ(v.z, near_plane, far_plane), 1e-4);

    v = corner00(4500, 0);  // a quarter turn: (-1.5, -1.5) -> (1.5, -1.5)
    EXPECT_NEAR(320 + 1.5 * 80, v.x, 0.05);
    EXPECT_NEAR(240 - 1.5 * 80, v.y, 0.05);

    v = corner00(0, 1.0f);
    EXPECT_NEAR(-1.875, EyeZ(v.z, near_plane, far_plane), 1e-4);
    ResetPerspective();
}

TEST(Plasma2DTest, LeavesTheStateItFoundAndDrawsAPlasma) {
    REQUIRE_GL();
    Plasma2D plasma(0, 100000, 3);
    glColor4f(0.3f, 0.6f, 0.9f, 1.0f);
    plasma.Draw(12345, 0.5f);
    MaybeSavePicture("plasma_12345");
    ExpectFrameLoopState("Plasma2D");
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(0.3f, colour[0]);
    EXPECT_FLOAT_EQ(0.9f, colour[2]);

    // The same frame twice gives the same picture; another time another one.
    const std::vector<uint8_t> a = ReadPixels(0, 0, 640, 480);
    ResetGlState();
    plasma.Draw(12345, 0.5f);
    const std::vector<uint8_t> b = ReadPixels(0, 0, 640, 480);
    ResetGlState();
    plasma.Draw(20000, 0.5f);
    const std::vector<uint8_t> c = ReadPixels(0, 0, 640, 480);
    int most_ab = 0;
    long differ_ac = 0;
    uint8_t lowest = 255, highest = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        most_ab = std::max(most_ab, std::abs(a[i] - b[i]));
        if (std::abs(a[i] - c[i]) > 8) ++differ_ac;
        lowest = std::min(lowest, a[i]);
        highest = std::max(highest, a[i]);
    }
    EXPECT_LE(most_ab, 1);
    EXPECT_GT(differ_ac, static_cast<long>(a.size() / 10));
    EXPECT_GT(highest - lowest, 100);  // a picture, not a flat colour
    // The square fills the window: no clear colour at the corners.
    for (const auto& [x, y] : {std::pair{0, 0}, {639, 479}, {0, 479}, {639, 0}}) {
        const Rgba p = PixelAt(x, y);
        EXPECT_GT(p.r + p.g + p.b, 0) << x << "," << y;
    }
}

TEST(Plasma2DTest, ShaderProblemsAtConstruction) {
    REQUIRE_GL();
    {
        ScratchDir empty;
        try {
            InDirectory(empty.path(), [] { Plasma2D plasma(0, 1000, 1); });
            ADD_FAILURE() << "nothing raised";
        } catch (const DemoFailure& failure) {
            EXPECT_STREQ("Error opening: data/plasma/effekt2.fs", failure.what());
        }
    }
    {
        ScratchDir dir;
        dir.Write("data/plasma/effekt2.fs", "void main() { gl_FragColor = vec4(1.0) }\n");
        try {
            testing::internal::CaptureStderr();
            InDirectory(dir.path(), [] { Plasma2D plasma(0, 1000, 1); });
            testing::internal::GetCapturedStderr();
            ADD_FAILURE() << "nothing raised";
        } catch (const DemoFailure& failure) {
            testing::internal::GetCapturedStderr();
            EXPECT_EQ(0u, std::string(failure.what()).rfind("Compiler error ", 0));
        }
    }
    {
        // A shader that ignores most parameters: reported, never fatal.
        ScratchDir dir;
        dir.Write("data/plasma/effekt2.fs",
                  "uniform float time;\nuniform vec4 dx0;\n"
                  "void main() { gl_FragColor = vec4(fract(time), dx0.x / 10.0, 0.0, 1.0); }\n");
        testing::internal::CaptureStderr();
        std::unique_ptr<Plasma2D> plasma;
        InDirectory(dir.path(), [&] { plasma = std::make_unique<Plasma2D>(0, 1000, 1); });
        const std::string written = testing::internal::GetCapturedStderr();
        EXPECT_NE(std::string::npos, written.find("Unable to locate shader handle for: dy0\n"));
        EXPECT_NE(std::string::npos, written.find("Unable to locate shader handle for: dx1\n"));
        EXPECT_NE(std::string::npos, written.find("Unable to locate shader handle for: dy1\n"));
        EXPECT_EQ(std::string::npos, written.find("for: time\n"));
        plasma->Draw(500, 0);
        const Rgba p = PixelAt(320, 240);
        EXPECT_NEAR(127.5, p.r, 2);  // time 0.5 s
        EXPECT_NEAR(static_cast<float>(41 / 32767.0) * 255, p.g, 2);
        ExpectFrameLoopState("Plasma2D");
    }
}
