// PolarCoords: the camera and tumble of a frame, the box geometry, the
// off-screen picture's place in the framebuffer texture, the screen shader
// staying inside that place at every window size, the generator and GL state
// the effect leaves, and its bad input.
#include "effects/shader/polar_coords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/failure.h"
#include "platform/random.h"
#include "render/gl_guards.h"
#include "render/render_target.h"
#include "render/shader.h"
#include "render/window_layer.h"
#include "support/effect_fixtures.h"
#include "support/gl_context.h"
#include "support/gl_state.h"
#include "support/test_paths.h"

using Effekter::PolarCoords;

namespace {

constexpr int kSide = Effekter::kPolarTargetSide;

std::string BundledShader() {
    std::string source;
    EXPECT_TRUE(ReadShaderSource((SourceDir() + "/data/polar.fs").c_str(), source));
    return source;
}

// Sets the window size for a test and puts the test window's back.
class WindowSize {
public:
    WindowSize(int width, int height) {
        SetWindowSize(width, height);
        ResetPerspective();
    }
    ~WindowSize() {
        SetWindowSize(640, 480);
        ResetPerspective();
    }
};

struct Box {
    int left = kSide, right = -1, bottom = kSide, top = -1;  // inclusive texels
};

// The texels that the off-screen pass drew (alpha above 0).
Box DrawnTexels(const std::vector<uint8_t>& pixels) {
    Box box;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            if (pixels[(static_cast<size_t>(y) * kSide + x) * 4 + 3] > 0) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.bottom = std::min(box.bottom, y);
                box.top = std::max(box.top, y);
            }
    return box;
}

}  // namespace

TEST(PolarCoordsTest, CameraSwaysAndBoxesTumbleWithTheDemoTime) {
    const Effekter::PolarFrame still = Effekter::ComputePolarFrame(0);
    EXPECT_EQ(0.0f, still.eye_x);
    EXPECT_EQ(0.0f, still.eye_y);
    EXPECT_EQ(100.0f, still.eye_z);
    EXPECT_EQ(0.0f, still.turn_x);
    EXPECT_EQ(0.0f, still.turn_y);
    EXPECT_EQ(0.0f, still.turn_z);

    // sin(t / 100) sideways, sin(t / 300) up and down, ten units each way.
    const Effekter::PolarFrame f = Effekter::ComputePolarFrame(1000);
    // Quotients and sines are rounded to floats.
    EXPECT_EQ(10.0f * static_cast<float>(std::sin(10.0)), f.eye_x);
    EXPECT_EQ(10.0f * static_cast<float>(std::sin(static_cast<double>(1000.0f / 300.0f))), f.eye_y);
    EXPECT_FLOAT_EQ(50.0f, f.turn_x);
    EXPECT_FLOAT_EQ(10.0f, f.turn_y);
    EXPECT_FLOAT_EQ(30.0f, f.turn_z);

    // Late in a long run the angles come from the exact time, not its float.
    const Effekter::PolarFrame late = Effekter::ComputePolarFrame(4000000001u);
    EXPECT_EQ(static_cast<float>(4000000001.0 * 0.05), late.turn_x);
    EXPECT_LE(std::fabs(late.eye_x), 10.0f);
}

TEST(PolarCoordsTest, DrawBoxGivesSixOutwardFacesEachTexturedOnce) {
    REQUIRE_GL();
    // An orthographic view of a turned box (so no face is seen edge-on);
    // window coordinates are turned back into the box's own.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-8, 8, -6, 6, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    RotateXYZ(Vec3(25, 35, 15));
    const std::array<float, 16> m = Matrix(GL_MODELVIEW_MATRIX);
    const float u = 2, v = 3;
    const float half[3] = {1, 2, 3};
    const std::vector<FedPolygon> polygons =
        FeedbackPolygons([&] { Effekter::DrawBox(u, v, half[0], half[1], half[2]); }, 4000);
    ResetPerspective();

    auto object = [&](const FedVertex& w) {
        const float eye[3] = {w.x / 640 * 16 - 8, w.y / 480 * 12 - 6, -(2 * w.z - 1) * 10};
        std::array<float, 3> o{};
        for (int i = 0; i < 3; ++i)
            o[i] = m[4 * i + 0] * eye[0] + m[4 * i + 1] * eye[1] + m[4 * i + 2] * eye[2];
        return o;
    };
    // Feedback gives each quad as two triangles.
    ASSERT_EQ(12u, polygons.size());
    std::map<std::pair<int, int>, std::set<std::pair<float, float>>> faces;  // (axis, side)
    for (const FedPolygon& polygon : polygons) {
        ASSERT_EQ(3u, polygon.size());
        std::vector<std::array<float, 3>> corners;
        for (const FedVertex& w : polygon) corners.push_back(object(w));
        // Every corner is a corner of the box; one axis is the face's.
        int face_axis = -1, face_side = 0;
        for (int axis = 0; axis < 3; ++axis) {
            bool flat = true;
            for (const auto& c : corners) {
                EXPECT_NEAR(half[axis], std::fabs(c[axis]), 1e-3) << axis;
                flat = flat && std::fabs(c[axis] - corners[0][axis]) < 1e-3;
            }
            if (flat) {
                face_axis = axis;
                face_side = corners[0][axis] > 0 ? 1 : -1;
            }
        }
        ASSERT_GE(face_axis, 0);
        for (const FedVertex& w : polygon) faces[{face_axis, face_side}].insert({w.s, w.t});
        // Counter-clockwise seen from outside the box.
        std::array<float, 3> a{}, b{};
        for (int i = 0; i < 3; ++i) {
            a[i] = corners[1][i] - corners[0][i];
            b[i] = corners[2][i] - corners[1][i];
        }
        const float normal[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                                 a[0] * b[1] - a[1] * b[0]};
        EXPECT_GT(normal[face_axis] * face_side, 0) << face_axis << " " << face_side;
    }
    // Six faces, each textured once over its four corners.
    EXPECT_EQ(6u, faces.size());
    for (const auto& [face, texcoords] : faces)
        EXPECT_EQ((std::set<std::pair<float, float>>{{0, 0}, {u, 0}, {u, v}, {0, v}}), texcoords)
            << face.first << " " << face.second;
}

TEST(PolarCoordsTest, PictureFillsTheWindowsShareOfTheTextureAt800x600) {
    REQUIRE_GL();
    WindowSize size(800, 600);
    PolarCoords polar(0, 100000);
    glClearColor(0.2f, 0.4f, 0.6f, 1);  // the effect sets its own clear colour
    polar.Draw(0, 0);
    EXPECT_EQ(0, Integer(GL_FRAMEBUFFER_BINDING_EXT));
    const std::vector<uint8_t> texels = TexturePixels(polar.ColourTexture(), kSide, kSide);
    const Box box = DrawnTexels(texels);

    // Seen from (0, 0, 100) the front faces of the outer columns stand at
    // x = +-21, 99 units away, in the 40-degree view with aspect 4:3.
    const double per_unit = 300 / (99 * std::tan(20 * M_PI / 180));
    EXPECT_NEAR(400 - 21 * per_unit, box.left, 1.5);
    EXPECT_NEAR(400 + 21 * per_unit - 1, box.right, 1.5);
    // The top and bottom rows of boxes reach 20 + h up and -20 - h down; the
    // heights come after srand(123), i outer and j inner.
    SeedRandom(123);
    float heights[21][21];
    for (auto& column : heights)
        for (float& h : column) h = RandomUnit() * 3.0f;
    float highest = 0, lowest = 0;
    for (auto& column : heights) {
        highest = std::max(highest, 20 + column[20]);
        lowest = std::min(lowest, -20 - column[0]);
    }
    EXPECT_NEAR(300 + highest * per_unit - 1, box.top, 1.5);
    EXPECT_NEAR(300 + lowest * per_unit, box.bottom, 1.5);
    // Nothing outside the window's 800 x 600 texels: the clear colour.
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            if (x < 800 && y < 600) continue;
            const uint8_t* p = &texels[(static_cast<size_t>(y) * kSide + x) * 4];
            ASSERT_EQ(0, p[0] | p[1] | p[2] | p[3]) << x << "," << y;
        }
}

TEST(PolarCoordsTest, ScreenShaderSamplesOnlyThePictureAndFillsTheWindow) {
    REQUIRE_GL();
    // A stand-in picture: inside the region the window's size gives, red
    // grows to the right and green upwards; outside it is pure blue.
    ShaderProgram program;
    program.Load(false, BundledShader().c_str());
    for (auto [w, h] : {std::pair{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1100, 1100}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const int region_w = std::min(w, kSide), region_h = std::min(h, kSide);
        std::vector<uint8_t> picture(static_cast<size_t>(kSide) * kSide * 4, 0);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                uint8_t* p = &picture[(static_cast<size_t>(y) * kSide + x) * 4];
                const bool inside = x < region_w && y < region_h;
                p[0] = inside ? static_cast<uint8_t>(40 + 200 * x / region_w) : 0;
                p[1] = inside ? static_cast<uint8_t>(40 + 200 * y / region_h) : 0;
                p[2] = inside ? 0 : 255;
                p[3] = 255;
            }
        CTexture texture;
        texture.Upload(picture.data(), kSide, kSide, false, GL_RGBA, true);

        WindowSize size(w, h);
        RenderTarget screen;  // a window of this size
        screen.Bind();
        {
            WindowLayerScope layer;
            TextureBind bind(texture);
            glUseProgram(program.Program());
            DrawLayerQuad();
            glUseProgram(0);
        }
        screen.Unbind();
        const std::vector<uint8_t> shown = TexturePixels(screen.Texture(), w, h);

        int least_red = 255, most_red = 0, least_green = 255, most_green = 0, strays = 0;
        for (int y = 0; y < h; y += 3)
            for (int x = 0; x < w; x += 3) {
                // The warm glow in the middle adds some blue of its own.
                const double r = std::hypot(x - w / 2.0, y - h / 2.0) / (h / 2.0);
                if (r < 0.5) continue;
                const uint8_t* p = &shown[(static_cast<size_t>(y) * w + x) * 4];
                if (p[2] > 100 || p[0] < 10) ++strays;
                least_red = std::min<int>(least_red, p[0]);
                most_red = std::max<int>(most_red, p[0]);
                least_green = std::min<int>(least_green, p[1]);
                most_green = std::max<int>(most_green, p[1]);
            }
        EXPECT_EQ(0, strays);  // never the blue outside, never the black of nothing
        // The samples spread over the picture both ways (the stand-in spans
        // 200 levels each way), not over one corner of it.
        EXPECT_GT(most_red - least_red, 20);
        EXPECT_GT(most_green - least_green, 20);
    }
}

// The effect's picture at a window size: Draw, then its on-screen pass again
// into a target of the window's size (the test window is smaller).
std::vector<uint8_t> PolarPicture(int width, int height, int& texture_width, int& texture_height) {
    WindowSize size(width, height);
    PolarCoords polar(0, 100000);
    polar.Draw(4321, 0);
    glBindTexture(GL_TEXTURE_2D, polar.ColourTexture());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &texture_width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &texture_height);
    glBindTexture(GL_TEXTURE_2D, 0);
    RenderTarget screen;
    screen.Bind();
    {
        WindowLayerScope layer;
        TextureBind bind(polar.ColourTexture());
        glUseProgram(polar.Program());
        DrawLayerQuad();
        glUseProgram(0);
    }
    screen.Unbind();
    return TexturePixels(screen.Texture(), width, height);
}

// A window larger than 1024 gets a framebuffer that holds all of it: at
// 1920 x 1080 the picture is the one at 960 x 540 twice as fine, with no part
// smeared from a clamped edge of the box field.
TEST(PolarCoordsTest, At1920x1080ThePictureIsTheHalfSizeOneTwiceAsFine) {
    REQUIRE_GL();
    int small_w = 0, small_h = 0, large_w = 0, large_h = 0;
    const std::vector<uint8_t> small = PolarPicture(960, 540, small_w, small_h);
    const std::vector<uint8_t> large = PolarPicture(1920, 1080, large_w, large_h);
    EXPECT_EQ(kSide, small_w);
    EXPECT_EQ(kSide, small_h);
    EXPECT_GE(large_w, 1920);
    EXPECT_GE(large_h, 1080);

    // Each pixel at 960 x 540 against the mean of its four at 1920 x 1080,
    // in the left and right halves (the right one is where a 1024-wide
    // texture would run out).
    double difference[2] = {0, 0};
    for (int y = 0; y < 540; ++y)
        for (int x = 0; x < 960; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum +=
                            large[((static_cast<size_t>(2 * y + dy)) * 1920 + 2 * x + dx) * 4 + c];
                const int one = small[(static_cast<size_t>(y) * 960 + x) * 4 + c];
                difference[x < 480 ? 0 : 1] += std::abs(sum / 4.0 - one);
            }
    // Measured: about 15 levels in each half (edges and the box picture's
    // detail at twice the resolution); over 40 in the left half when the
    // texture stops at 1024.
    for (double& d : difference) EXPECT_LT(d / (480.0 * 540 * 3), 25.0);
}

TEST(PolarCoordsTest, ReseedsEveryFrameAndLeavesTheFrameLoopState) {
    REQUIRE_GL();
    PolarCoords polar(0, 100000);
    // The bundled shader declares both uniforms, so nothing is reported at
    // start-up; the effect never sets them.
    EXPECT_GE(polar.TimeLocation(), 0);
    EXPECT_GE(polar.ResolutionLocation(), 0);
    SeedRandom(123);
    for (int i = 0; i < 441; ++i) NextRandom();
    const int next = NextRandom();

    glColor4f(0.3f, 0.3f, 0.3f, 0.3f);
    for (uint32_t t : {5000u, 77777u}) {
        SeedRandom(9);
        polar.Draw(t, 1.0f);
        EXPECT_EQ(next, NextRandom()) << t;
    }
    MaybeSavePicture("polar_coords_77777");
    ExpectFrameLoopState("PolarCoords");
    EXPECT_EQ(0, Integer(GL_FRAMEBUFFER_BINDING_EXT));
    GLfloat colour[4], clear[4], time = -1, resolution[2] = {-1, -1};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(1.0f, colour[i]);
        EXPECT_EQ(0.0f, clear[i]);
    }
    glGetUniformfv(polar.Program(), polar.TimeLocation(), &time);
    glGetUniformfv(polar.Program(), polar.ResolutionLocation(), resolution);
    EXPECT_EQ(0.0f, time);
    EXPECT_EQ(0.0f, resolution[0]);

    // The boxes fill the screen with a picture, not a flat colour.
    int lowest = 765, highest = 0;
    for (int y = 20; y < 480; y += 57)
        for (int x = 15; x < 640; x += 61) {
            const Rgba p = PixelAt(x, y);
            lowest = std::min(lowest, p.r + p.g + p.b);
            highest = std::max(highest, p.r + p.g + p.b);
        }
    EXPECT_GT(lowest, 30);
    EXPECT_GT(highest - lowest, 100);
}

TEST(PolarCoordsTest, BadShaderFailsAndAMissingPictureDrawsWhiteBoxes) {
    REQUIRE_GL();
    {
        ScratchDir empty;
        try {
            InDirectory(empty.path(), [] { PolarCoords polar(0, 1000); });
            ADD_FAILURE() << "nothing raised";
        } catch (const DemoFailure& failure) {
            EXPECT_STREQ("Error opening: data/polar.fs", failure.what());
        }
    }
    {
        ScratchDir dir;
        dir.Write("data/polar.fs", "void main() { gl_FragColor = vec4(1.0) }\n");
        testing::internal::CaptureStderr();
        try {
            InDirectory(dir.path(), [] { PolarCoords polar(0, 1000); });
            ADD_FAILURE() << "nothing raised";
        } catch (const DemoFailure& failure) {
            EXPECT_EQ(0u, std::string(failure.what()).rfind("Compiler error ", 0));
        }
        testing::internal::GetCapturedStderr();
    }
    {
        // No box picture: the field is drawn in plain white.
        ScratchDir dir;
        dir.Write("data/polar.fs", BundledShader());
        std::unique_ptr<PolarCoords> polar;
        InDirectory(dir.path(), [&] { polar = std::make_unique<PolarCoords>(0, 1000); });
        polar->Draw(500, 0);
        const std::vector<uint8_t> texels = TexturePixels(polar->ColourTexture(), kSide, kSide);
        const uint8_t* centre = &texels[(static_cast<size_t>(240) * kSide + 320) * 4];
        EXPECT_EQ(255, centre[0]);
        EXPECT_EQ(255, centre[2]);
        ExpectFrameLoopState("PolarCoords");
    }
}
