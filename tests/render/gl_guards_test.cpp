// GL guards, views, Quad, RotateXYZ and the shared random generator: the GL
// state each leaves, read back from a real context.
#include "render/gl_guards.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "platform/failure.h"
#include "support/gl_context.h"
#include "support/gl_state.h"

namespace {

// The generator's first value in this process, drawn before any test runs
// (and before anything could seed it).
const int kFirstDrawOfTheProcess = NextRandom();

void ExpectIdentity(const std::array<float, 16>& m) {
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(i % 5 == 0 ? 1.0f : 0.0f, m[i]) << i;
}

// Column-major matrix times (x, y, z, 1).
std::array<float, 3> Transform(const std::array<float, 16>& m, float x, float y, float z) {
    return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
            m[2] * x + m[6] * y + m[10] * z + m[14]};
}

// Every polygon vertex `draw` feeds back, in order.
template <class Draw>
std::vector<FedVertex> Feedback(Draw draw) {
    std::vector<FedVertex> vertices;
    for (const FedPolygon& polygon : FeedbackPolygons(draw, 4096))
        vertices.insert(vertices.end(), polygon.begin(), polygon.end());
    return vertices;
}

// A view in which object (x, y) lands on window pixel (x, y) + (320, 240)
// scaled by 100, and object z = window z (depth range -1..1 -> 0..1).
void ObjectToWindowView() {
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-3.2, 3.2, -2.4, 2.4, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

}  // namespace

TEST(Guards, EnablerSwitchesOffEvenWhatWasOnBefore) {
    REQUIRE_GL();
    glEnable(GL_DEPTH_TEST);
    {
        CEnabler depth(GL_DEPTH_TEST);
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    }
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));

    {
        CEnabler cull(GL_CULL_FACE);
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    }
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
}

TEST(Guards, DefaultEnablerTouchesNothing) {
    REQUIRE_GL();
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    { CEnabler nothing; }
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());  // no glDisable(0)
    glDisable(GL_BLEND);
}

TEST(Guards, TransparencyKeepsItsBlendFunction) {
    REQUIRE_GL();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    {
        CTransparency add(GL_ONE, GL_ONE);
        EXPECT_TRUE(glIsEnabled(GL_BLEND));
        EXPECT_EQ(GL_ONE, Integer(GL_BLEND_SRC));
        EXPECT_EQ(GL_ONE, Integer(GL_BLEND_DST));
    }
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(GL_ONE, Integer(GL_BLEND_SRC));
    EXPECT_EQ(GL_ONE, Integer(GL_BLEND_DST));

    // Deleted through the base, as guards may be held.
    CEnabler* held = new CTransparency(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
    EXPECT_EQ(GL_ONE_MINUS_SRC_COLOR, Integer(GL_BLEND_DST));
    delete held;
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST(Guards, FogIsLinearBlackAndOffAfterwards) {
    REQUIRE_GL();
    {
        CFog fog(2.5f, 40.0f);
        EXPECT_TRUE(glIsEnabled(GL_FOG));
        EXPECT_EQ(GL_LINEAR, Integer(GL_FOG_MODE));
        EXPECT_EQ(GL_NICEST, Integer(GL_FOG_HINT));
        GLfloat start = 0, end = 0, colour[4] = {1, 1, 1, 1};
        glGetFloatv(GL_FOG_START, &start);
        glGetFloatv(GL_FOG_END, &end);
        glGetFloatv(GL_FOG_COLOR, colour);
        EXPECT_FLOAT_EQ(2.5f, start);
        EXPECT_FLOAT_EQ(40.0f, end);
        for (float c : colour) EXPECT_EQ(0.0f, c);
    }
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST(Guards, ScopesUnwindWhenAFailurePasses) {
    REQUIRE_GL();
    try {
        CTransparency blend(GL_ONE, GL_ONE);
        CFog fog(1, 2);
        Ortho2DScope view;
        MatrixScope matrix;
        glTranslatef(5, 6, 7);
        Fail("stop");
    } catch (const DemoFailure&) {
    }
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_EQ(1, Integer(GL_MODELVIEW_STACK_DEPTH));
    ExpectIdentity(Matrix(GL_MODELVIEW_MATRIX));
    EXPECT_FLOAT_EQ(-1.0f, Matrix(GL_PROJECTION_MATRIX)[11]);  // perspective again
}

TEST(Views, ResetPerspectiveUsesTheWindowSize) {
    REQUIRE_GL();
    SetWindowSize(1280, 720);
    glMatrixMode(GL_PROJECTION);
    glTranslatef(1, 1, 1);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    ResetPerspective();
    EXPECT_EQ((std::array<GLint, 4>{0, 0, 1280, 720}), Viewport());
    EXPECT_EQ(GL_MODELVIEW, Integer(GL_MATRIX_MODE));
    ExpectIdentity(Matrix(GL_MODELVIEW_MATRIX));
    const std::array<float, 16> p = Matrix(GL_PROJECTION_MATRIX);
    const double f = 1.0 / std::tan(20.0 * M_PI / 180.0);
    EXPECT_NEAR(f, p[5], 1e-5);
    EXPECT_NEAR(1.7777777777777777, p[5] / p[0], 1e-5);
    // Near 0.1 and far 1000 from the depth terms.
    const double near_plane = p[14] / (p[10] - 1.0), far_plane = p[14] / (p[10] + 1.0);
    EXPECT_NEAR(0.1, near_plane, 1e-4);
    EXPECT_NEAR(1000.0, far_plane, 5.0);
    SetWindowSize(640, 480);
    ResetPerspective();
}

TEST(Views, PerspectiveScopeUsesItsSizeThenTheWindows) {
    REQUIRE_GL();
    {
        PerspectiveScope scope(256, 128);
        EXPECT_EQ((std::array<GLint, 4>{0, 0, 256, 128}), Viewport());
        const std::array<float, 16> p = Matrix(GL_PROJECTION_MATRIX);
        EXPECT_NEAR(2.0, p[5] / p[0], 1e-5);
        glTranslatef(3, 0, 0);
    }
    EXPECT_EQ((std::array<GLint, 4>{0, 0, 640, 480}), Viewport());
    ExpectIdentity(Matrix(GL_MODELVIEW_MATRIX));
    const std::array<float, 16> p = Matrix(GL_PROJECTION_MATRIX);
    EXPECT_NEAR(640.0 / 480.0, p[5] / p[0], 1e-5);

    SetPerspective(300, 100);
    EXPECT_EQ((std::array<GLint, 4>{0, 0, 300, 100}), Viewport());
    EXPECT_NEAR(3.0, Matrix(GL_PROJECTION_MATRIX)[5] / Matrix(GL_PROJECTION_MATRIX)[0], 1e-5);
    ResetPerspective();
}

TEST(Views, Ortho2DRunsYDownwardsAndEndsInPerspective) {
    REQUIRE_GL();
    glViewport(0, 0, 10, 10);
    {
        Ortho2DScope view;
        EXPECT_EQ((std::array<GLint, 4>{0, 0, 640, 480}), Viewport());
        ExpectIdentity(Matrix(GL_MODELVIEW_MATRIX));
        EXPECT_EQ(GL_MODELVIEW, Integer(GL_MATRIX_MODE));
        const std::array<float, 16> p = Matrix(GL_PROJECTION_MATRIX);
        // x: -1 -> left, 1 -> right; y: -1 -> top, 1 -> bottom.
        EXPECT_FLOAT_EQ(1.0f, p[0]);
        EXPECT_FLOAT_EQ(-1.0f, p[5]);
        EXPECT_FLOAT_EQ(0.0f, p[11]);
        // Depth: z = -0.1 maps to -1, z = -100 to 1.
        EXPECT_NEAR(-1.0, p[10] * -0.1 + p[14], 1e-5);
        EXPECT_NEAR(1.0, p[10] * -100.0 + p[14], 1e-5);

        // A red quad in the top-left quarter lands top left in the window.
        glDisable(GL_TEXTURE_2D);
        glColor3f(1, 0, 0);
        glBegin(GL_QUADS);
        glVertex3f(-1, -1, -1);
        glVertex3f(0, -1, -1);
        glVertex3f(0, 0, -1);
        glVertex3f(-1, 0, -1);
        glEnd();
        glEnable(GL_TEXTURE_2D);
        EXPECT_EQ(255, PixelAt(10, 470).r);  // y counted from the bottom
        EXPECT_EQ(0, PixelAt(10, 10).r);
        EXPECT_EQ(0, PixelAt(630, 470).r);
    }
    EXPECT_FLOAT_EQ(-1.0f, Matrix(GL_PROJECTION_MATRIX)[11]);
    EXPECT_EQ((std::array<GLint, 4>{0, 0, 640, 480}), Viewport());
}

TEST(Views, MatrixScopePushesAndPops) {
    REQUIRE_GL();
    glTranslatef(1, 0, 0);
    {
        MatrixScope scope;
        EXPECT_EQ(2, Integer(GL_MODELVIEW_STACK_DEPTH));
        glTranslatef(0, 5, 0);
    }
    EXPECT_EQ(1, Integer(GL_MODELVIEW_STACK_DEPTH));
    const std::array<float, 16> m = Matrix(GL_MODELVIEW_MATRIX);
    EXPECT_FLOAT_EQ(1.0f, m[12]);
    EXPECT_FLOAT_EQ(0.0f, m[13]);
    glLoadIdentity();
}

TEST(QuadTest, CornersAndTextureCoordinates) {
    REQUIRE_GL();
    ObjectToWindowView();
    glNormal3f(1, 0, 0);
    const std::vector<FedVertex> fed = Feedback([] { Quad(1, 1.2f).Draw(1, -1); });
    ASSERT_GE(fed.size(), 4u);
    // Window position -> texture coordinate, whatever the triangulation.
    std::map<std::pair<int, int>, std::pair<float, float>> corners;
    for (const FedVertex& v : fed) {
        corners[{static_cast<int>(std::lround((v.x - 320) / 100)),
                 static_cast<int>(std::lround((v.y - 240) / 10))}] = {v.s, v.t};
        EXPECT_NEAR(0.5, v.z, 1e-5);  // object z = 0
    }
    const std::map<std::pair<int, int>, std::pair<float, float>> expected = {
        {{-1, -12}, {0, 0}}, {{1, -12}, {1, 0}}, {{1, 12}, {1, -1}}, {{-1, 12}, {0, -1}}};
    EXPECT_EQ(expected, corners);

    GLfloat normal[3] = {};
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    EXPECT_EQ(0.0f, normal[0]);
    EXPECT_EQ(1.0f, normal[2]);
    ResetPerspective();
}

TEST(QuadTest, PositionMovesItAndItSetsNoColourOrTexture) {
    REQUIRE_GL();
    ObjectToWindowView();
    glColor4f(0.25f, 0.5f, 0.75f, 1);
    Quad quad(0.5f, 0.25f);
    quad.position = Vec3(1, -1, 0.5f);
    const std::vector<FedVertex> fed = Feedback([&] { quad.Draw(2, 3); });
    ASSERT_GE(fed.size(), 4u);
    float min_x = 1e9f, max_x = -1e9f, min_y = 1e9f, max_y = -1e9f;
    for (const FedVertex& v : fed) {
        min_x = std::min(min_x, v.x);
        max_x = std::max(max_x, v.x);
        min_y = std::min(min_y, v.y);
        max_y = std::max(max_y, v.y);
        EXPECT_NEAR(0.25, v.z, 1e-5);  // object z = 0.5
        EXPECT_NEAR(0.25f, v.r, 1e-3);
        EXPECT_NEAR(0.75f, v.b, 1e-3);
        EXPECT_FLOAT_EQ(v.x > 400 ? 2.0f : 0.0f, v.s);
        EXPECT_FLOAT_EQ(v.y > 140 ? 3.0f : 0.0f, v.t);
    }
    EXPECT_NEAR(370, min_x, 1e-2);
    EXPECT_NEAR(470, max_x, 1e-2);
    EXPECT_NEAR(115, min_y, 1e-2);
    EXPECT_NEAR(165, max_y, 1e-2);
    EXPECT_EQ(0, Integer(GL_TEXTURE_BINDING_2D));
    ResetPerspective();
}

TEST(Rotate, TurnsAboutZThenYThenX) {
    REQUIRE_GL();
    glLoadIdentity();
    RotateXYZ(Vec3(0, 0, 90));
    std::array<float, 3> p = Transform(Matrix(GL_MODELVIEW_MATRIX), 1, 0, 0);
    EXPECT_NEAR(0, p[0], 1e-6);
    EXPECT_NEAR(1, p[1], 1e-6);
    EXPECT_NEAR(0, p[2], 1e-6);

    // (1, 0, 0) about z -> (0, 1, 0), then about x -> (0, 0, 1). The other
    // order would leave it at (0, 1, 0).
    glLoadIdentity();
    RotateXYZ(Vec3(90, 0, 90));
    p = Transform(Matrix(GL_MODELVIEW_MATRIX), 1, 0, 0);
    EXPECT_NEAR(0, p[0], 1e-6);
    EXPECT_NEAR(0, p[1], 1e-6);
    EXPECT_NEAR(1, p[2], 1e-6);

    // About y: (1, 0, 0) -> (0, 0, -1).
    glLoadIdentity();
    RotateXYZ(Vec3(0, 90, 0));
    p = Transform(Matrix(GL_MODELVIEW_MATRIX), 1, 0, 0);
    EXPECT_NEAR(-1, p[2], 1e-6);
    glLoadIdentity();
}

TEST(Vec3Test, DefaultsToZeroAndSetReplaces) {
    Vec3 v;
    EXPECT_EQ(0.0f, v.x);
    EXPECT_EQ(0.0f, v.y);
    EXPECT_EQ(0.0f, v.z);
    v.Set(1, 2, 3);
    Vec3 copy = v;
    EXPECT_EQ(3.0f, copy.z);
    const Quad q(4, 5);
    EXPECT_EQ(4.0f, q.half_extent.x);
    EXPECT_EQ(5.0f, q.half_extent.y);
    EXPECT_EQ(0.0f, q.position.z);
}

TEST(Random, KnownSequences) {
    EXPECT_EQ(41, kFirstDrawOfTheProcess);  // the state is 1 before any seed
    SeedRandom(1);
    EXPECT_EQ(41, NextRandom());
    EXPECT_EQ(18467, NextRandom());
    EXPECT_EQ(6334, NextRandom());
    SeedRandom(123);
    EXPECT_EQ(440, NextRandom());
    EXPECT_EQ(19053, NextRandom());
    EXPECT_EQ(23075, NextRandom());
    SeedRandom(0);
    EXPECT_EQ(38, NextRandom());
    // The state wraps at 2^32; values stay within 0..32767.
    SeedRandom(0xFFFFFFFFu);
    int lowest = 32767, highest = 0;
    for (int i = 0; i < 200000; ++i) {
        const int r = NextRandom();
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    EXPECT_EQ(0, lowest);
    EXPECT_EQ(32767, highest);
}

TEST(Random, UnitIsTheDrawOver32767) {
    SeedRandom(1);
    EXPECT_EQ(static_cast<float>(41 / 32767.0), RandomUnit());
    EXPECT_EQ(static_cast<float>(18467 / 32767.0), RandomUnit());
    // The same seed gives the same values.
    SeedRandom(77);
    const float a = RandomUnit(), b = RandomUnit();
    SeedRandom(77);
    EXPECT_EQ(a, RandomUnit());
    EXPECT_EQ(b, RandomUnit());
    // Never above 1.
    for (int i = 0; i < 100000; ++i) ASSERT_LE(RandomUnit(), 1.0f);
}
