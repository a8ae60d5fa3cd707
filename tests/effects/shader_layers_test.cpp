// Banger, Circles and Faces: the numbers of a frame, the uniforms each
// program receives (read back with glGetUniform), the layers' geometry,
// pictures drawn with flat images and small stand-in shaders (compared with
// tolerances), the GL state each effect leaves, and their bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "effects/shader/banger.h"
#include "effects/shader/circles.h"
#include "effects/shader/faces.h"
#include "platform/failure.h"
#include "render/gl_guards.h"
#include "support/effect_fixtures.h"
#include "support/gl_context.h"
#include "support/gl_state.h"
#include "support/test_paths.h"

using Effekter::Banger;
using Effekter::Circles;
using Effekter::Faces;

namespace {

// Stand-in shaders that show what they are given.
// The picture's green, the time in seconds as red.
const char kTimeShader[] =
    "uniform sampler2D picture;\nuniform float time;\n"
    "void main() {\n"
    "    gl_FragColor = vec4(time / 1000.0, texture2D(picture, gl_TexCoord[0].st).g, 0.0, 1.0);\n"
    "}\n";
// The picture times the current colour, as the fixed pipeline would draw it;
// uses time and beat so that both stay active.
const char kTintShader[] =
    "uniform sampler2D picture;\nuniform float time;\nuniform float beat;\n"
    "void main() {\n"
    "    vec4 c = texture2D(picture, gl_TexCoord[0].st) * gl_Color;\n"
    "    gl_FragColor = c + vec4(0.0 * time + 0.0 * beat);\n"
    "}\n";
const char kBrokenShader[] = "void main() { gl_FragColor = vec4(1.0) }\n";

void ClearTo(float r, float g, float b) {
    glClearColor(r, g, b, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
}

void ExpectEverywhere(int r, int g, int b, int tolerance) {
    for (const auto& [x, y] : {std::pair{1, 1}, {638, 478}, {320, 240}, {1, 478}, {638, 1}}) {
        const Rgba p = PixelAt(x, y);
        EXPECT_NEAR(r, p.r, tolerance) << x << "," << y;
        EXPECT_NEAR(g, p.g, tolerance) << x << "," << y;
        EXPECT_NEAR(b, p.b, tolerance) << x << "," << y;
    }
}

// A picture of the bundled content: not a flat colour.
void ExpectAPicture() {
    int lowest = 765, highest = 0;
    for (int y = 20; y < 480; y += 57)
        for (int x = 15; x < 640; x += 61) {
            const Rgba p = PixelAt(x, y);
            lowest = std::min(lowest, p.r + p.g + p.b);
            highest = std::max(highest, p.r + p.g + p.b);
        }
    EXPECT_GT(highest - lowest, 100);
}

float Uniform(GLuint program, const char* name) {
    float value = -1;
    glGetUniformfv(program, glGetUniformLocation(program, name), &value);
    return value;
}

// The texture coordinate t of the topmost fed-back vertex: where the layer
// meets the window's top edge.
float TopEdgeT(const std::vector<FedPolygon>& polygons) {
    float top_y = -1, t = -1;
    for (const FedPolygon& polygon : polygons)
        for (const FedVertex& v : polygon)
            if (v.y > top_y) {
                top_y = v.y;
                t = v.t;
            }
    return t;
}

// Expects the failure a constructor raises in a folder holding `files`.
template <class Effect>
void ExpectConstructionFailure(const std::vector<std::pair<std::string, std::string>>& files,
                               const std::string& message_start) {
    ScratchDir dir;
    for (const auto& [path, contents] : files) dir.Write(path, contents);
    testing::internal::CaptureStderr();
    try {
        InDirectory(dir.path(), [] { Effect effect(0, 1000); });
        ADD_FAILURE() << "nothing raised, expected " << message_start;
    } catch (const DemoFailure& failure) {
        EXPECT_EQ(0u, std::string(failure.what()).rfind(message_start, 0)) << failure.what();
    }
    testing::internal::GetCapturedStderr();
}

}  // namespace

// -------------------------------------------------------------------- Banger

TEST(BangerTest, SlidesForTheFirstSecondThenBeats) {
    using Effekter::ComputeBangerFrame;
    EXPECT_TRUE(ComputeBangerFrame(0, 0).slide);
    const Effekter::BangerFrame last = ComputeBangerFrame(999, 0.5f);
    EXPECT_TRUE(last.slide);
    EXPECT_EQ(999.0f, last.slide_time);
    EXPECT_FLOAT_EQ(0.05f, last.drop);
    const Effekter::BangerFrame beat = ComputeBangerFrame(1000, 1.0f);
    EXPECT_FALSE(beat.slide);
    EXPECT_EQ(0.1f, beat.drop);
    EXPECT_EQ(1.0f, beat.beat_grey);
    // A demo time before the start wraps round to a late one.
    EXPECT_FALSE(ComputeBangerFrame(0xFFFFFFFFu, 0).slide);
}

TEST(BangerTest, TimeUniformUpTo999ThenTheShaderRests) {
    REQUIRE_GL();
    Banger banger(10000, 20000);
    banger.Draw(10000, 0);
    EXPECT_EQ(0.0f, Uniform(banger.Program(), "time"));
    banger.Draw(10999, 0.3f);
    EXPECT_EQ(999.0f, Uniform(banger.Program(), "time"));
    ExpectFrameLoopState("Banger slide phase");
    banger.Draw(11000, 0.3f);
    EXPECT_EQ(999.0f, Uniform(banger.Program(), "time"));  // not used any more
    ExpectFrameLoopState("Banger beat phase");
    EXPECT_EQ(GL_ONE, Integer(GL_BLEND_SRC));
    EXPECT_EQ(GL_ONE, Integer(GL_BLEND_DST));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(0.3f, colour[0]);
    EXPECT_FLOAT_EQ(0.3f, colour[3]);
}

TEST(BangerTest, BothPhasesDropTheOverfilledLayersOnTheBeat) {
    REQUIRE_GL();
    Banger banger(0, 20000);
    for (uint32_t t : {500u, 5000u}) {
        SCOPED_TRACE(t);
        // The quad reaches 1.1 past the centre: at rest the window's top edge
        // cuts it 0.1 / 2.2 of the way down, at full beat right at its edge.
        EXPECT_NEAR(0.1 / 2.2, TopEdgeT(FeedbackPolygons([&] { banger.Draw(t, 0); }, 4000)), 1e-4);
        EXPECT_NEAR(0.0, TopEdgeT(FeedbackPolygons([&] { banger.Draw(t, 1); }, 4000)), 1e-4);
    }
}

class BangerPicture : public ::testing::Test {
protected:
    // Grey 100 bang picture, grey 60 beat picture, the time shader.
    void SetUp() override {
        if (!EnsureGlContext()) GTEST_SKIP() << "no GL context here";
        ScratchDir dir;
        dir.Write("data/banger/slider.txt", kTimeShader);
        WriteFlatPicture(dir, "data/banger/bang.jpg", 100, 100, 100);
        WriteFlatPicture(dir, "data/banger/bang1.jpg", 60, 60, 60);
        InDirectory(dir.path(), [&] { banger_ = std::make_unique<Banger>(1000, 9000); });
    }
    std::unique_ptr<Banger> banger_;
};

TEST_F(BangerPicture, SlidePhaseDrawsTheShaderOverWhatIsThere) {
    ClearTo(0, 0, 0.8f);
    banger_->Draw(1500, 1.0f);
    ExpectEverywhere(128, 100, 0, 2);  // time 500 ms as red, the picture's green
    ExpectFrameLoopState("Banger");
}

TEST_F(BangerPicture, BeatPhaseClearsAndAddsTheBeatPicture) {
    ClearTo(0, 0, 0.8f);
    banger_->Draw(2000, 0.0f);
    ExpectEverywhere(100, 100, 100, 2);
    ClearTo(0, 0, 0.8f);
    banger_->Draw(2000, 0.5f);
    MaybeSavePicture("banger_flat_beat");
    ExpectEverywhere(130, 130, 130, 2);
    ExpectFrameLoopState("Banger");
}

TEST(BangerTest, ShowsTheBundledPictures) {
    REQUIRE_GL();
    Banger banger(0, 20000);
    banger.Draw(600, 0);
    MaybeSavePicture("banger_slide_600");
    banger.Draw(3000, 1.0f);
    MaybeSavePicture("banger_beat");
    ExpectAPicture();
    ExpectFrameLoopState("Banger");
}

TEST(BangerTest, BadShaderFailsAndMissingPicturesDrawPlainLayers) {
    REQUIRE_GL();
    ExpectConstructionFailure<Banger>({}, "Error opening: data/banger/slider.txt");
    ExpectConstructionFailure<Banger>({{"data/banger/slider.txt", kBrokenShader}},
                                      "Compiler error ");
    ScratchDir dir;
    dir.Write("data/banger/slider.txt", kTimeShader);
    std::unique_ptr<Banger> banger;
    InDirectory(dir.path(), [&] { banger = std::make_unique<Banger>(0, 9000); });
    // The shader samples black; the beat phase draws untextured white.
    banger->Draw(250, 0);
    ExpectEverywhere(64, 0, 0, 2);
    banger->Draw(2000, 0.5f);
    ExpectEverywhere(255, 255, 255, 0);
    ExpectFrameLoopState("Banger");
}

// ------------------------------------------------------------------- Circles

TEST(CirclesTest, SendsTheDemoTimeAndKeepsColourAndBlending) {
    REQUIRE_GL();
    Circles circles(0, 100000);
    glColor4f(0.3f, 0.6f, 0.9f, 1.0f);
    circles.Draw(60000, 0.7f);
    EXPECT_EQ(60000.0f, Uniform(circles.Program(), "time"));
    // The beat is not sent: the shader's beat stays 0.
    EXPECT_EQ(0.0f, Uniform(circles.Program(), "beat"));
    MaybeSavePicture("circles_60000");
    ExpectAPicture();
    ExpectFrameLoopState("Circles");
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(0.3f, colour[0]);
    EXPECT_FLOAT_EQ(0.9f, colour[2]);
    circles.Draw(123456789, 0);
    EXPECT_EQ(123456789.0f, Uniform(circles.Program(), "time"));
}

TEST(CirclesTest, DrawsWithTheColourAndBlendingItFinds) {
    REQUIRE_GL();
    ScratchDir dir;
    dir.Write("data/circles/circles.txt", kTintShader);
    WriteFlatPicture(dir, "data/circles/__ring.jpg", 200, 200, 200);
    std::unique_ptr<Circles> circles;
    InDirectory(dir.path(), [&] { circles = std::make_unique<Circles>(0, 100000); });
    ClearTo(0.2f, 0.2f, 0.2f);
    glColor4f(0.5f, 0.5f, 0.25f, 1);
    circles->Draw(1000, 0);
    ExpectEverywhere(100, 100, 50, 2);  // the whole window, replaced

    ClearTo(0.2f, 0.2f, 0.2f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    circles->Draw(1000, 0);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));  // left as found
    glDisable(GL_BLEND);
    ExpectEverywhere(151, 151, 101, 2);  // added to what was there
    ExpectFrameLoopState("Circles");
}

TEST(CirclesTest, BadShaderFailsAndAMissingPictureSamplesBlack) {
    REQUIRE_GL();
    ExpectConstructionFailure<Circles>({}, "Error opening: data/circles/circles.txt");
    ExpectConstructionFailure<Circles>({{"data/circles/circles.txt", kBrokenShader}},
                                       "Compiler error ");
    ScratchDir dir;
    dir.Write("data/circles/circles.txt", kTintShader);
    std::unique_ptr<Circles> circles;
    InDirectory(dir.path(), [&] { circles = std::make_unique<Circles>(0, 100000); });
    ClearTo(0.5f, 0.5f, 0.5f);
    circles->Draw(1000, 0);
    ExpectEverywhere(0, 0, 0, 1);
    ExpectFrameLoopState("Circles");
}

// --------------------------------------------------------------------- Faces

TEST(FacesTest, SendsTimeAndBeatAndLeavesTheTextColour) {
    REQUIRE_GL();
    Faces faces(0, 100000);
    faces.Draw(45678, 1.0f);
    EXPECT_EQ(45678.0f, Uniform(faces.Program(), "time"));
    EXPECT_EQ(1.0f, Uniform(faces.Program(), "beat"));
    MaybeSavePicture("faces_beat");
    ExpectAPicture();
    ExpectFrameLoopState("Faces");
    EXPECT_EQ(GL_ONE, Integer(GL_BLEND_SRC));
    EXPECT_EQ(GL_ONE, Integer(GL_BLEND_DST));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(0.1f, colour[0]);
    EXPECT_EQ(0.1f, colour[1]);
    EXPECT_EQ(0.1f, colour[2]);
    EXPECT_EQ(1.0f, colour[3]);

    faces.Draw(50000, 0.25f);
    EXPECT_EQ(0.25f, Uniform(faces.Program(), "beat"));
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(0.25f * 0.1f, colour[0]);
    EXPECT_EQ(0.25f, colour[3]);
}

TEST(FacesTest, ShaderLayerIsTintedAndTheTextAddsATenth) {
    REQUIRE_GL();
    ScratchDir dir;
    dir.Write("data/circles/circles.txt", kTintShader);
    WriteFlatPicture(dir, "data/circles/circles.jpg", 200, 200, 200);
    WriteFlatPicture(dir, "data/circles/text.jpg", 250, 250, 250);
    std::unique_ptr<Faces> faces;
    InDirectory(dir.path(), [&] { faces = std::make_unique<Faces>(0, 100000); });
    for (const float beat : {0.0f, 0.5f, 1.0f}) {
        SCOPED_TRACE(beat);
        ClearTo(0.5f, 0.5f, 0.5f);
        faces->Draw(1000, beat);
        const int expected = static_cast<int>(200 * beat + 250 * beat * 0.1f + 0.5f);
        ExpectEverywhere(expected, expected, expected, 2);
    }
    ExpectFrameLoopState("Faces");
}

TEST(FacesTest, BadShaderFailsAndMissingPicturesDrawBlackAndFaintWhite) {
    REQUIRE_GL();
    ExpectConstructionFailure<Faces>({}, "Error opening: data/circles/circles.txt");
    ExpectConstructionFailure<Faces>({{"data/circles/circles.txt", kBrokenShader}},
                                     "Compiler error ");
    ScratchDir dir;
    dir.Write("data/circles/circles.txt", kTintShader);
    std::unique_ptr<Faces> faces;
    InDirectory(dir.path(), [&] { faces = std::make_unique<Faces>(0, 100000); });
    faces->Draw(1000, 1.0f);
    ExpectEverywhere(26, 26, 26, 1);  // black layer, then white at a tenth
    ExpectFrameLoopState("Faces");
}
