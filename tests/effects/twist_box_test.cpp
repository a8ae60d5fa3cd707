// TwistBox: the uniforms of a frame (read back from GL), the rings' numbers,
// the tower's geometry through GL feedback, the clear before drawing, the
// picture, and the GL state it leaves.
#include "effects/3d/twist_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/gl_guards.h"
#include "support/effect_fixtures.h"
#include "support/gl_context.h"
#include "support/gl_state.h"

using Effekter::ComputeTwistBoxUniforms;
using Effekter::ComputeTwistRing;
using Effekter::TwistBox;
using Effekter::TwistPhase;
using Effekter::TwistRing;

namespace {

struct SentUniforms {
    float intensity = -1;
    float resolution[2] = {-1, -1};
    float pos[2] = {-1, -1};
};

SentUniforms ReadUniforms(GLuint program) {
    SentUniforms u;
    glGetUniformfv(program, glGetUniformLocation(program, "intensity"), &u.intensity);
    glGetUniformfv(program, glGetUniformLocation(program, "resolution"), u.resolution);
    glGetUniformfv(program, glGetUniformLocation(program, "pos"), u.pos);
    return u;
}

}  // namespace

TEST(TwistBoxTest, UniformsOfAFrame) {
    EXPECT_FLOAT_EQ(0.25f, ComputeTwistBoxUniforms(0, 0.0f, 640, 480).intensity);
    EXPECT_FLOAT_EQ(0.15f, ComputeTwistBoxUniforms(0, 1.0f, 640, 480).intensity);
    EXPECT_FLOAT_EQ(0.2f, ComputeTwistBoxUniforms(0, 0.5f, 640, 480).intensity);
    const Effekter::TwistBoxUniforms u = ComputeTwistBoxUniforms(1000, 0.0f, 1024, 768);
    EXPECT_EQ(1024.0f, u.resolution[0]);
    EXPECT_EQ(768.0f, u.resolution[1]);
    EXPECT_FLOAT_EQ(static_cast<float>(0.5 * std::sin(0.5)), u.pos[0]);
    EXPECT_EQ(0.5f, u.pos[1]);
    EXPECT_EQ(0.0f, ComputeTwistBoxUniforms(0, 0.0f, 640, 480).pos[0]);
    // The lamp swings through the whole width once every 4 pi seconds.
    EXPECT_NEAR(0.5, ComputeTwistBoxUniforms(3142, 0.0f, 640, 480).pos[0], 1e-6);
    EXPECT_NEAR(-0.5, ComputeTwistBoxUniforms(9425, 0.0f, 640, 480).pos[0], 1e-6);
}

TEST(TwistBoxTest, RingsBulgeAndTwistAlongTwoSines) {
    // At time 0 the first ring is 1.5 wide at its foot and not turned.
    const TwistRing first = ComputeTwistRing(0, TwistPhase(0));
    EXPECT_EQ(1.5f, first.r0);
    EXPECT_FLOAT_EQ(static_cast<float>(1.5 + std::sin(0.0225)), first.r1);
    EXPECT_EQ(0.0f, first.angle);
    EXPECT_EQ(0.0f, first.ta);
    EXPECT_FLOAT_EQ(0.05f, first.tb);
    EXPECT_EQ(0.0f, first.height);

    // Neighbouring rings meet exactly; the picture repeats every 20 rings;
    // rings are 0.1 apart.
    const double phase = TwistPhase(123456);
    EXPECT_NEAR(0.000125 * 123456, phase, 1e-5);
    for (int h = 0; h + 1 < TwistBox::kRings; ++h) {
        const TwistRing a = ComputeTwistRing(h, phase), b = ComputeTwistRing(h + 1, phase);
        ASSERT_EQ(a.r1, b.r0) << h;
        ASSERT_EQ(a.tb, b.ta) << h;
        ASSERT_NEAR(0.1f, b.height - a.height, 1e-5) << h;
    }
    EXPECT_FLOAT_EQ(99.9f, ComputeTwistRing(999, phase).height);
    EXPECT_FLOAT_EQ(50.0f, ComputeTwistRing(999, phase).tb);

    // Half widths stay within 0.5 .. 2.5, turns within one turn either way.
    float widest = 0, narrowest = 10, most_turned = 0;
    for (uint32_t t = 0; t < 60000; t += 1000) {
        for (int h = 0; h < TwistBox::kRings; ++h) {
            const TwistRing r = ComputeTwistRing(h, TwistPhase(t));
            widest = std::max(widest, r.r0);
            narrowest = std::min(narrowest, r.r0);
            most_turned = std::max(most_turned, std::fabs(r.angle));
        }
    }
    EXPECT_LE(widest, 2.5f);
    EXPECT_GT(widest, 2.499f);
    EXPECT_GE(narrowest, 0.5f);
    EXPECT_LT(narrowest, 0.501f);
    EXPECT_LE(most_turned, 360.0f);
    EXPECT_GT(most_turned, 350.0f);
}

TEST(TwistBoxTest, SendsTheUniformsEveryFrame) {
    REQUIRE_GL();
    TwistBox box(0, 100000);
    const GLuint program = box.ProgramName();
    ASSERT_NE(0u, program);

    box.Draw(5000, 0.0f);
    SentUniforms u = ReadUniforms(program);
    EXPECT_FLOAT_EQ(0.25f, u.intensity);
    EXPECT_EQ(640.0f, u.resolution[0]);
    EXPECT_EQ(480.0f, u.resolution[1]);
    EXPECT_FLOAT_EQ(static_cast<float>(0.5 * std::sin(2.5)), u.pos[0]);
    EXPECT_EQ(0.5f, u.pos[1]);

    box.Draw(5000, 1.0f);
    u = ReadUniforms(program);
    EXPECT_FLOAT_EQ(0.15f, u.intensity);
    box.Draw(6000, 0.5f);
    u = ReadUniforms(program);
    EXPECT_FLOAT_EQ(0.2f, u.intensity);
    EXPECT_NEAR(0.5 * std::sin(3.0), u.pos[0], 1e-6);
    ExpectFrameLoopState("TwistBox");
}

TEST(TwistBoxTest, TowerGeometry) {
    REQUIRE_GL();
    TwistBox box(0, 100000);
    // An orthographic view that shows the whole tower: eye x -4..4 and
    // y -20..90 over the 640 x 480 window.
    const uint32_t t = 7777;
    const std::vector<FedPolygon> polygons = FeedbackPolygons(
        [&] {
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(-4, 4, -20, 90, 0.1, 100);
            glMatrixMode(GL_MODELVIEW);
            box.Draw(t, 0.0f);
        },
        400000);
    ResetPerspective();
    // Four faces per ring, none clipped, each fed back as two triangles.
    ASSERT_EQ(8u * TwistBox::kRings, polygons.size());
    const double phase = TwistPhase(t);
    // The fed-back vertex of face `face` of ring h nearest to (x, y) in the window.
    auto nearest = [&](int h, int face, double x, double y) {
        const FedVertex* best = nullptr;
        double best_distance = 1e9;
        for (int k = 0; k < 2; ++k) {
            const FedPolygon& triangle = polygons[8 * h + 2 * face + k];
            EXPECT_EQ(3u, triangle.size());
            for (const FedVertex& v : triangle) {
                const double d = std::hypot(v.x - x, v.y - y);
                if (d < best_distance) {
                    best_distance = d;
                    best = &v;
                }
            }
        }
        EXPECT_LT(best_distance, 0.01);
        return *best;
    };
    auto window_x = [](double x) { return 320 + x * 80; };
    auto window_y = [](double y) { return (y + 20) * 480 / 110; };
    for (int h : {0, 1, 137, 500, 999}) {
        SCOPED_TRACE(h);
        const TwistRing r = ComputeTwistRing(h, phase);
        const double a = r.angle * M_PI / 180;
        // Each face's corners with their texture coordinates, turned about y
        // and raised to h / 10 on a foot 15 below the eye.
        struct Corner {
            double x, y, z;
            float s, t;
        };
        const Corner faces[4][4] = {
            {{-r.r0, -0.05, r.r0, 0, r.ta},
             {r.r0, -0.05, r.r0, 1, r.ta},
             {r.r1, 0.05, r.r1, 1, r.tb},
             {-r.r1, 0.05, r.r1, 0, r.tb}},
            {{-r.r0, -0.05, -r.r0, 1, r.ta},
             {-r.r1, 0.05, -r.r1, 1, r.tb},
             {r.r1, 0.05, -r.r1, 0, r.tb},
             {r.r0, -0.05, -r.r0, 0, r.ta}},
            {{r.r0, -0.05, -r.r0, 1, r.ta},
             {r.r1, 0.05, -r.r1, 1, r.tb},
             {r.r1, 0.05, r.r1, 0, r.tb},
             {r.r0, -0.05, r.r0, 0, r.ta}},
            {{-r.r0, -0.05, -r.r0, 0, r.ta},
             {-r.r0, -0.05, r.r0, 1, r.ta},
             {-r.r1, 0.05, r.r1, 1, r.tb},
             {-r.r1, 0.05, -r.r1, 0, r.tb}},
        };
        for (int face = 0; face < 4; ++face) {
            for (const Corner& c : faces[face]) {
                const double x = c.x * std::cos(a) + c.z * std::sin(a);
                const double y = c.y + r.height - 15;
                const FedVertex v = nearest(h, face, window_x(x), window_y(y));
                EXPECT_FLOAT_EQ(c.s, v.s) << face;
                EXPECT_FLOAT_EQ(c.t, v.t) << face;
            }
        }
    }
}

TEST(TwistBoxTest, ClearsTheFrameFirstAndDrawsTheTower) {
    REQUIRE_GL();
    TwistBox box(0, 100000);
    // Whatever was drawn before, colour and depth, goes.
    glClearColor(1, 0, 0, 1);
    glClearDepth(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    glClearDepth(1);
    box.Draw(20000, 0.0f);
    MaybeSavePicture("twist_box_20000");
    // The sky beside the tower is black, the tower in the middle is lit.
    for (const auto& [x, y] : {std::pair{2, 2}, {637, 2}, {2, 477}, {637, 477}}) {
        const Rgba p = PixelAt(x, y);
        EXPECT_EQ(0, p.r + p.g + p.b) << x << "," << y;
    }
    int lit = 0;
    for (int y = 100; y < 400; y += 20) {
        const Rgba p = PixelAt(320, y);
        if (p.r + p.g + p.b > 60) ++lit;
    }
    EXPECT_GT(lit, 5);
    ExpectFrameLoopState("TwistBox");
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (float c : colour) EXPECT_EQ(1.0f, c);
}

TEST(TwistBoxTest, TheBeatSharpensTheRelief) {
    REQUIRE_GL();
    TwistBox box(0, 100000);
    box.Draw(20000, 0.0f);
    const std::vector<uint8_t> calm = ReadPixels(0, 0, 640, 480);
    ResetGlState();
    box.Draw(20000, 1.0f);
    MaybeSavePicture("twist_box_20000_beat");
    const std::vector<uint8_t> loud = ReadPixels(0, 0, 640, 480);
    long differ = 0;
    for (size_t i = 0; i < calm.size(); ++i)
        if (std::abs(calm[i] - loud[i]) > 4) ++differ;
    EXPECT_GT(differ, static_cast<long>(calm.size() / 100));
}
