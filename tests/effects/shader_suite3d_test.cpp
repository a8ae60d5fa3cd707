// ShaderSuite3D: the edge ramps, drift and turn of a frame; the twenty layers
// with their step values in order and their blending (read back through GL
// feedback and pixels with test shaders); depth writes switched back on, so
// later clears and 3D effects work; the bundled picture; the GL state left.
#include "effects/shader/shader_suite3d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "effects/3d/twist_box.h"
#include "render/gl_guards.h"
#include "support/effect_fixtures.h"
#include "support/gl_context.h"
#include "support/gl_state.h"
#include "write3ds.h"

using Effekter::ComputeShaderSuiteFrame;
using Effekter::ShaderSuite3D;
using Effekter::ShaderSuiteFrame;

namespace {

// The vertex stage hands the uniforms on as the colour (seen in feedback),
// the fragment stage paints it.
const char kUniformsAsColour[] =
    "uniform float step;\n"
    "uniform float time;\n"
    "void main() {\n"
    "    gl_Position = ftransform();\n"
    "    gl_FrontColor = vec4(step, time / 100.0, 0.0, 1.0);\n"
    "}\n";
const char kPaintColour[] = "void main() { gl_FragColor = gl_Color; }\n";

// A square of half size 10 in the x-y plane facing +z, with texture
// coordinates, as the effect's mesh; the test shaders; no pictures.
std::unique_ptr<ShaderSuite3D> MakeWithSquare(int start, int end) {
    ScratchDir dir;
    write3ds::Mesh square;
    square.name = "Square";
    square.vertices = {{-10, -10, 0}, {10, -10, 0}, {10, 10, 0}, {-10, 10, 0}};
    square.texcoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    square.faces = {{0, 1, 2}, {0, 2, 3}};
    write3ds::Scene scene;
    scene.meshes.push_back(square);
    dir.Write("data/rubber/keep", "");
    EXPECT_TRUE(write3ds::Save3ds(scene, dir.path() + "/data/rubber/simple.3ds"));
    dir.Write("data/suite/vs.txt", kUniformsAsColour);
    dir.Write("data/suite/fs.txt", kPaintColour);
    std::unique_ptr<ShaderSuite3D> effect;
    InDirectory(dir.path(), [&] { effect = std::make_unique<ShaderSuite3D>(start, end); });
    return effect;
}

// Window position of an eye-space point in the standard 640 x 480 view.
std::pair<double, double> Project(double x, double y, double z) {
    const double f = 1 / std::tan(20 * M_PI / 180);
    return {320 + x * f / (640.0 / 480.0) / -z * 320, 240 + y * f / -z * 240};
}

}  // namespace

TEST(ShaderSuite3DTest, EdgesDropInAndRiseAway) {
    // One millisecond in: 498 units above the path, near x = -150.
    ShaderSuiteFrame f = ComputeShaderSuiteFrame(1001, 1000, 9000);
    EXPECT_FLOAT_EQ(0.996f, f.edge);
    EXPECT_FLOAT_EQ(498.0f, f.y);
    EXPECT_FLOAT_EQ(static_cast<float>(1 / 75.0 - 150), f.x);
    EXPECT_EQ(0.0f, ComputeShaderSuiteFrame(1250, 1000, 9000).edge);
    EXPECT_EQ(0.0f, ComputeShaderSuiteFrame(5000, 1000, 9000).edge);
    EXPECT_EQ(0.0f, ComputeShaderSuiteFrame(8750, 1000, 9000).edge);
    EXPECT_FLOAT_EQ(0.996f, ComputeShaderSuiteFrame(8999, 1000, 9000).edge);
    EXPECT_FLOAT_EQ(0.5f, ComputeShaderSuiteFrame(8875, 1000, 9000).edge);

    // A window shorter than 500 ms: both ramps hold, the end one decides.
    EXPECT_FLOAT_EQ(0.996f,
                    ComputeShaderSuiteFrame(1001, 1000, 1300).edge);        // not yet near the end
    EXPECT_FLOAT_EQ(0.2f, ComputeShaderSuiteFrame(1100, 1000, 1300).edge);  // start would say 0.6
    EXPECT_FLOAT_EQ(0.8f, ComputeShaderSuiteFrame(1250, 1000, 1300).edge);
    // Shorter than 250 ms: the end ramp from the first millisecond.
    EXPECT_FLOAT_EQ(1 - 199 / 250.0f, ComputeShaderSuiteFrame(1001, 1000, 1200).edge);
    EXPECT_FLOAT_EQ(400.0f, ComputeShaderSuiteFrame(1150, 1000, 1200).y);
    // Before the start the unsigned difference is huge: no start ramp.
    EXPECT_EQ(0.0f, ComputeShaderSuiteFrame(900, 1000, 9000).edge);

    // Drift, turn and the program's time follow the demo time.
    f = ComputeShaderSuiteFrame(8500, 1000, 90000);
    EXPECT_FLOAT_EQ(static_cast<float>(7500 / 75.0 - 150), f.x);
    EXPECT_FLOAT_EQ(-50.0f, f.x);
    EXPECT_FLOAT_EQ(425.0f, f.turn);
    EXPECT_FLOAT_EQ(8.5f, f.seconds);
}

TEST(ShaderSuite3DTest, TwentyLayersWithTheirStepsInOrder) {
    REQUIRE_GL();
    auto effect = MakeWithSquare(7000, 60000);
    ASSERT_NE(0u, effect->ProgramName());
    // At 7200 ms the square has turned a whole turn and faces the eye again.
    const std::vector<FedPolygon> polygons =
        FeedbackPolygons([&] { effect->Draw(7200, 0.5f); }, 20000);
    ASSERT_EQ(2u * ShaderSuite3D::kLayers, polygons.size());
    const ShaderSuiteFrame f = ComputeShaderSuiteFrame(7200, 7000, 60000);
    for (int i = 0; i < ShaderSuite3D::kLayers; ++i) {
        for (int k = 0; k < 2; ++k) {
            const FedPolygon& triangle = polygons[2 * i + k];
            ASSERT_EQ(3u, triangle.size());
            for (const FedVertex& v : triangle) {
                EXPECT_FLOAT_EQ(static_cast<float>(i / 20.0), v.r) << i;
                EXPECT_NEAR(0.072, v.g, 1e-6) << i;  // time 7.2 s / 100
            }
        }
        EXPECT_EQ(static_cast<float>(i / 20.0), ShaderSuite3D::LayerStep(i));
    }
    // Every layer in the same place: the square's corners around the object
    // drawn at (x, 500 edge, -500).
    double left = 1e9, right = -1e9, bottom = 1e9, top = -1e9;
    for (const FedPolygon& p : polygons)
        for (const FedVertex& v : p) {
            left = std::min<double>(left, v.x);
            right = std::max<double>(right, v.x);
            bottom = std::min<double>(bottom, v.y);
            top = std::max<double>(top, v.y);
        }
    const auto low = Project(f.x - 10, f.y - 10, -500), high = Project(f.x + 10, f.y + 10, -500);
    EXPECT_NEAR(low.first, left, 0.05);
    EXPECT_NEAR(high.first, right, 0.05);
    EXPECT_NEAR(low.second, bottom, 0.05);
    EXPECT_NEAR(high.second, top, 0.05);
    ExpectFrameLoopState("ShaderSuite3D");

    // The mesh's display list goes with the effect (a script reload that
    // rebuilds the entry must not leave one behind each time).
    const GLuint list = effect->MeshList();
    EXPECT_TRUE(glIsList(list));
    effect.reset();
    EXPECT_FALSE(glIsList(list));
}

TEST(ShaderSuite3DTest, TurnsAboutTheVerticalAxis) {
    REQUIRE_GL();
    auto effect = MakeWithSquare(0, 60000);
    for (const uint32_t t : {7200u, 8100u, 8433u, 13500u}) {
        SCOPED_TRACE(t);
        const std::vector<FedPolygon> polygons =
            FeedbackPolygons([&] { effect->Draw(t, 0); }, 20000);
        ASSERT_FALSE(polygons.empty());
        double left = 1e9, right = -1e9;
        for (const FedPolygon& p : polygons)
            for (const FedVertex& v : p) {
                left = std::min<double>(left, v.x);
                right = std::max<double>(right, v.x);
            }
        // The corners (+-10, +-10, 0) turned by t / 20 degrees about y.
        const ShaderSuiteFrame f = ComputeShaderSuiteFrame(t, 0, 60000);
        const double a = f.turn * M_PI / 180;
        double expected_left = 1e9, expected_right = -1e9;
        for (const double x : {-10.0, 10.0})
            for (const double y : {-10.0, 10.0}) {
                const double wx =
                    Project(f.x + x * std::cos(a), f.y + y, -500 - x * std::sin(a)).first;
                expected_left = std::min(expected_left, wx);
                expected_right = std::max(expected_right, wx);
            }
        EXPECT_NEAR(expected_left, left, 0.05);
        EXPECT_NEAR(expected_right, right, 0.05);
    }
    // At 120 degrees its back faces the eye and is culled.
    EXPECT_TRUE(FeedbackPolygons([&] { effect->Draw(7200 + 2400, 0); }, 20000).empty());
    ResetGlState();
}

TEST(ShaderSuite3DTest, LayersBlendBySourceColour) {
    REQUIRE_GL();
    auto effect = MakeWithSquare(7000, 60000);
    effect->Draw(7200, 0);
    MaybeSavePicture("shader_suite3d_layers");
    // Each layer paints its step s: d = s * s + d * (1 - s), on black, in
    // 8-bit steps.
    double d = 0;
    for (int i = 0; i < ShaderSuite3D::kLayers; ++i) {
        const double s = std::round(255 * (i / 20.0)) / 255;
        d = std::round(255 * (s * s + d * (1 - s))) / 255;
    }
    const ShaderSuiteFrame f = ComputeShaderSuiteFrame(7200, 7000, 60000);
    const auto centre = Project(f.x, f.y, -500);
    const Rgba inside = PixelAt(static_cast<int>(centre.first), static_cast<int>(centre.second));
    EXPECT_NEAR(255 * d, inside.r, 3);
    EXPECT_EQ(0, PixelAt(320, 240).r);  // beside the square: the black it found
    ExpectFrameLoopState("ShaderSuite3D");
}

TEST(ShaderSuite3DTest, DepthWritesAreOnAgainAfterTheLayers) {
    REQUIRE_GL();
    auto effect = MakeWithSquare(0, 60000);
    // A near quad fills the depth buffer before the effect draws.
    auto draw_square = [](float z, float r, float g, float b) {
        CEnabler depth(GL_DEPTH_TEST);
        glColor3f(r, g, b);
        glDisable(GL_TEXTURE_2D);
        MatrixScope matrix;
        glTranslatef(0, 0, z);
        Quad(1, 1).Draw(1, 1);
        glEnable(GL_TEXTURE_2D);
        glColor3f(1, 1, 1);
    };
    draw_square(-2, 1, 1, 1);
    effect->Draw(7200, 0);
    EXPECT_EQ(GL_TRUE, Integer(GL_DEPTH_WRITEMASK));

    // The next frame's clear reaches the depth buffer again ...
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    float depth = 0;
    glReadPixels(320, 240, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(1.0f, depth);
    // ... and a later 3D pass occludes: the near red square stays in front
    // of the far green one drawn after it.
    draw_square(-3, 1, 0, 0);
    draw_square(-5, 0, 1, 0);
    const Rgba p = PixelAt(320, 240);
    EXPECT_EQ(255, p.r);
    EXPECT_EQ(0, p.g);
    ExpectFrameLoopState("ShaderSuite3D");
}

TEST(ShaderSuite3DTest, ALater3DEffectDrawsTheSameAfterIt) {
    REQUIRE_GL();
    // TwistBox draws every ring's front face before its back face and relies
    // on depth writes to keep the back hidden.
    Effekter::TwistBox tower(0, 100000);
    ResetGlState();  // depth writes on, as the frame loop starts
    tower.Draw(20000, 0.0f);
    const std::vector<uint8_t> alone = ReadPixels(0, 0, 640, 480);

    ShaderSuite3D suite(0, 100000);
    ResetGlState();
    suite.Draw(20000, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);  // the next frame
    tower.Draw(20000, 0.0f);
    MaybeSavePicture("twist_box_after_suite");
    const std::vector<uint8_t> after = ReadPixels(0, 0, 640, 480);
    long differ = 0, lit = 0;
    for (size_t i = 0; i < alone.size(); ++i) {
        if (std::abs(alone[i] - after[i]) > 2) ++differ;
        if (alone[i] > 40) ++lit;
    }
    EXPECT_GT(lit, static_cast<long>(alone.size() / 20));  // the tower is on screen
    EXPECT_EQ(0, differ);
    ResetGlState();
}

TEST(ShaderSuite3DTest, BundledMeshAndShadersDrawAGlowingObject) {
    REQUIRE_GL();
    testing::internal::CaptureStderr();
    ShaderSuite3D suite(10000, 40000);
    EXPECT_EQ("", testing::internal::GetCapturedStderr());  // both uniforms are used
    GLint linked = 0;
    glGetProgramiv(suite.ProgramName(), GL_LINK_STATUS, &linked);
    EXPECT_EQ(GL_TRUE, linked);

    // At 21250 ms the object sits at x = 0, in the middle of the window.
    suite.Draw(21250, 0.7f);
    MaybeSavePicture("shader_suite3d_21250");
    ExpectFrameLoopState("ShaderSuite3D");
    int lit = 0, dark = 0;
    for (int y = 0; y < 480; y += 8)
        for (int x = 0; x < 640; x += 8) {
            const Rgba p = PixelAt(x, y);
            const int sum = p.r + p.g + p.b;
            if (sum > 90) ++lit;
            if (sum == 0) ++dark;
        }
    EXPECT_GT(lit, 200);   // a body of some size
    EXPECT_GT(dark, 800);  // on the black it found
    // The corners stay black.
    for (const auto& [x, y] : {std::pair{0, 0}, {639, 479}}) EXPECT_EQ(0, PixelAt(x, y).r);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (float c : colour) EXPECT_EQ(1.0f, c);
    EXPECT_EQ(GL_SRC_COLOR, Integer(GL_BLEND_SRC));
    EXPECT_EQ(GL_ONE_MINUS_SRC_COLOR, Integer(GL_BLEND_DST));
}

TEST(ShaderSuite3DTest, MissingFilesAreReportedAndNotFatal) {
    REQUIRE_GL();
    ScratchDir empty;
    std::unique_ptr<ShaderSuite3D> effect;
    testing::internal::CaptureStderr();
    InDirectory(empty.path(), [&] { effect = std::make_unique<ShaderSuite3D>(0, 10000); });
    const std::string written = testing::internal::GetCapturedStderr();
    // No shader files: the program has nothing to link and no uniforms.
    EXPECT_NE(std::string::npos, written.find("no mesh in \"data/rubber/simple.3ds\""));
    EXPECT_NE(std::string::npos, written.find("Unable to locate shader handle for: step\n"
                                              "Unable to locate shader handle for: time\n"));
    effect->Draw(5000, 0.5f);  // draws nothing, raises nothing
    EXPECT_EQ(0, PixelAt(320, 240).r);
    ExpectFrameLoopState("ShaderSuite3D");
}
