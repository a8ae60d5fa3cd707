// NanoBall, Zoomba/Zoombb and ColorBox: the numbers of a frame, the state
// they keep between frames, the geometry and pictures they draw (compared
// with tolerances), the GL state each leaves, and pictures that are
// missing, cut short or not pictures at all.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effects/image/color_box.h"
#include "effects/image/nano_ball.h"
#include "effects/image/zoomer.h"
#include "platform/random.h"
#include "platform/tweak_panel.h"
#include "render/gl_guards.h"
#include "support/effect_fixtures.h"
#include "support/gl_context.h"
#include "support/gl_state.h"
#include "support/test_paths.h"

using Effekter::ColorBox;
using Effekter::ColorBoxState;
using Effekter::NanoBall;
using Effekter::Zoomba;
using Effekter::Zoombb;

namespace {

// The shared generator written out: the values after SeedRandom(seed).
class ReferenceRandom {
public:
    explicit ReferenceRandom(uint32_t seed) : state_(seed) {}
    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

private:
    uint32_t state_;
};

// The next value of the shared generator equals the one after `seed` and
// `draws` values.
void ExpectGeneratorAfter(uint32_t seed, int draws) {
    ReferenceRandom reference(seed);
    for (int i = 0; i < draws; ++i) reference.Next();
    EXPECT_EQ(reference.Next(), NextRandom()) << "seed " << seed << ", " << draws << " draws";
}

// A 64 x 64 PNG with a coloured ring on black and a mark that shows its
// turn; `hue` shifts the colours so two such pictures differ.
void WriteRingImage(const ScratchDir& dir, const std::string& relative, int hue) {
    const std::string path = dir.Write(relative, "");
    FIBITMAP* dib = FreeImage_Allocate(64, 64, 24);
    for (unsigned y = 0; y < 64; ++y)
        for (unsigned x = 0; x < 64; ++x) {
            const double r = std::hypot(x - 31.5, y - 31.5);
            const bool ring = r > 18 && r < 28;
            const bool mark = x > 40 && x < 50 && y > 28 && y < 36;
            RGBQUAD q;
            q.rgbRed = static_cast<BYTE>(ring ? (200 + hue) % 256 : mark ? 250 : 0);
            q.rgbGreen = static_cast<BYTE>(ring ? (90 + 2 * hue) % 256 : mark ? 250 : 0);
            q.rgbBlue = static_cast<BYTE>(ring ? (40 + 3 * hue) % 256 : 0);
            q.rgbReserved = 255;
            FreeImage_SetPixelColor(dib, x, y, &q);
        }
    EXPECT_TRUE(FreeImage_Save(FIF_PNG, dib, path.c_str(), 0));
    FreeImage_Unload(dib);
}

// Broken versions of every picture an effect loads, all broken the same way.
void WriteBrokenPictures(const ScratchDir& dir, const std::vector<std::string>& pictures,
                         BrokenPicture kind) {
    for (const std::string& picture : pictures) WriteBrokenPicture(dir, picture, kind);
    dir.Write("data/.keep", "");
}

// The frame loop's state (support/effect_fixtures.h), and lighting switched off again.
void ExpectFrameLoopStateUnlit(const char* effect) {
    ExpectFrameLoopState(effect);
    SCOPED_TRACE(effect);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
}

void ExpectCurrentColour(float expected) {
    for (float c : CurrentColour()) EXPECT_NEAR(expected, c, 1e-6);
}

int Grey(const Rgba& p) { return (p.r + p.g + p.b) / 3; }

// Pixels of a window rectangle (x0..x1, y0..y1, y from the bottom) darker
// than `below`.
int CountDark(int x0, int y0, int x1, int y1, int below) {
    const std::vector<uint8_t> pixels = ReadPixels(x0, y0, x1 - x0, y1 - y0);
    int count = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        if ((pixels[i] + pixels[i + 1] + pixels[i + 2]) / 3 < below) ++count;
    return count;
}

}  // namespace

// ------------------------------------------------------------------ NanoBall

TEST(NanoBallTest, SlidesInFromTheRightOverHalfASecond) {
    using Effekter::ComputeNanoBallFrame;
    const uint32_t start = 20000, end = 60000;
    EXPECT_FLOAT_EQ(10.0f, ComputeNanoBallFrame(start, 0, start, end, 0).slide);
    EXPECT_FLOAT_EQ(5.0f, ComputeNanoBallFrame(start + 250, 0, start, end, 0).slide);
    EXPECT_NEAR(0.02f, ComputeNanoBallFrame(start + 499, 0, start, end, 0).slide, 1e-6);
    EXPECT_EQ(0.0f, ComputeNanoBallFrame(start + 500, 0, start, end, 0).slide);
    EXPECT_EQ(0.0f, ComputeNanoBallFrame(start + 9000, 0, start, end, 0).slide);

    // The slide moves the ball along x and turns it about z by 20 degrees a unit.
    const Effekter::NanoBallFrame f = ComputeNanoBallFrame(start + 250, 0, start, end, 0);
    EXPECT_FLOAT_EQ(5.0f, f.x);
    EXPECT_FLOAT_EQ(-16.0f, f.z);
    EXPECT_FLOAT_EQ(100.0f + 20250.0f / 100.0f, f.turn_z);
}

TEST(NanoBallTest, DropsOnStrongBeatsAndRisesTenUnitsASecond) {
    using Effekter::ComputeNanoBallFrame;
    const uint32_t start = 20000, end = 60000;
    // Before any beat the last beat time is 0: the ball is high up.
    Effekter::NanoBallFrame f = ComputeNanoBallFrame(21000, 0.25f, start, end, 0);
    EXPECT_EQ(0u, f.last_beat_time);  // exactly 0.25 is not a beat
    EXPECT_FLOAT_EQ(21000.0f / 100.0f - 10.0f, f.y);

    f = ComputeNanoBallFrame(21000, 0.26f, start, end, 0);
    EXPECT_EQ(21000u, f.last_beat_time);
    EXPECT_FLOAT_EQ(-10.0f, f.y);
    EXPECT_FLOAT_EQ(210.0f, f.turn_x);
    EXPECT_FLOAT_EQ(0.0f, f.turn_y);

    f = ComputeNanoBallFrame(21500, 0.1f, start, end, 21000);
    EXPECT_EQ(21000u, f.last_beat_time);
    EXPECT_FLOAT_EQ(-5.0f, f.y);
    EXPECT_FLOAT_EQ(215.0f + 10.0f, f.turn_x);
    EXPECT_FLOAT_EQ(10.0f, f.turn_y);

    // The effect keeps the time of the last strong beat.
    REQUIRE_GL();
    NanoBall ball(start, end);
    ball.Draw(21000, 0.2f);
    EXPECT_EQ(0u, ball.LastBeatTime());
    ball.Draw(21100, 0.9f);
    EXPECT_EQ(21100u, ball.LastBeatTime());
    ball.Draw(21200, 0.25f);
    EXPECT_EQ(21100u, ball.LastBeatTime());
    ResetGlState();
}

TEST(NanoBallTest, BackgroundFollowsTheBeatAndFadesOverTheLastSevenSeconds) {
    using Effekter::ComputeNanoBallFrame;
    const uint32_t start = 20000, end = 60000;
    EXPECT_FLOAT_EQ(0.5f, ComputeNanoBallFrame(30000, 0, start, end, 0).background_grey);
    EXPECT_FLOAT_EQ(1.0f, ComputeNanoBallFrame(30000, 1, start, end, 0).background_grey);
    EXPECT_FLOAT_EQ(0.75f, ComputeNanoBallFrame(53000, 0.5f, start, end, 0).background_grey);
    EXPECT_FLOAT_EQ(0.5f, ComputeNanoBallFrame(56500, 1, start, end, 0).background_grey);
    EXPECT_NEAR(0.5f / 7000, ComputeNanoBallFrame(59999, 0, start, end, 0).background_grey, 1e-7);
}

TEST(NanoBallTest, SpikesSpreadEvenlyOverTheSphere) {
    std::vector<std::array<double, 3>> directions;
    for (int i = 0; i < NanoBall::kSpikes; ++i) {
        const Effekter::NanoSpikeDirection d = Effekter::ComputeNanoSpikeDirection(i);
        // Turning the z axis about x, then y, gives the stated direction.
        const double ay = d.turn_y * M_PI / 180, ax = d.turn_x * M_PI / 180;
        const double turned[3] = {std::cos(ax) * std::sin(ay), -std::sin(ax),
                                  std::cos(ax) * std::cos(ay)};
        EXPECT_NEAR(turned[0], d.x, 1e-5) << i;
        EXPECT_NEAR(turned[1], d.y, 1e-5) << i;
        EXPECT_NEAR(turned[2], d.z, 1e-5) << i;
        directions.push_back({d.x, d.y, d.z});
    }
    double sum[3] = {0, 0, 0};
    for (const auto& d : directions)
        for (int k = 0; k < 3; ++k) sum[k] += d[k];
    for (double s : sum) EXPECT_NEAR(0.0, s / NanoBall::kSpikes, 0.01);
    // Equal steps of the height, 2/512 apart, from -1 + 1/512 up.
    EXPECT_NEAR(-1 + 1.0 / 512, directions[0][1], 1e-5);
    EXPECT_NEAR(1 - 1.0 / 512, directions[511][1], 1e-5);
    // No two spikes close together: the golden angle keeps neighbours apart.
    double closest = 10;
    for (size_t i = 0; i < directions.size(); ++i)
        for (size_t j = i + 1; j < directions.size(); ++j) {
            const double dx = directions[i][0] - directions[j][0],
                         dy = directions[i][1] - directions[j][1],
                         dz = directions[i][2] - directions[j][2];
            closest = std::min(closest, std::sqrt(dx * dx + dy * dy + dz * dz));
        }
    EXPECT_GT(closest, 0.08);  // an even spread of 512 points is about 0.16 apart
}

TEST(NanoBallTest, SpikeDepthIsWhereGLPutsTheSpikesMiddle) {
    REQUIRE_GL();
    // The depth that orders the spikes, against the modelview GL builds.
    for (uint32_t t : {21000u, 23456u, 40000u}) {
        const Effekter::NanoBallFrame f = Effekter::ComputeNanoBallFrame(t, 0, 20000, 60000, 20500);
        for (int i : {0, 100, 257, 511}) {
            const Effekter::NanoSpikeDirection d = Effekter::ComputeNanoSpikeDirection(i);
            glLoadIdentity();
            glTranslatef(f.x, f.y, f.z);
            RotateXYZ(Vec3(f.turn_x, f.turn_y, f.turn_z));
            glRotatef(d.turn_y, 0, 1, 0);
            glRotatef(d.turn_x, 1, 0, 0);
            glTranslatef(0, 0, 4.5f);
            EXPECT_NEAR(Matrix(GL_MODELVIEW_MATRIX)[14], Effekter::NanoSpikeDepth(f, d, 9.0f), 1e-3)
                << t << " " << i;
        }
    }
    ResetGlState();
}

TEST(NanoBallTest, SpikeLengthsAndTheGeneratorState) {
    using Effekter::NanoSpikeLength;
    EXPECT_FLOAT_EQ(10.0f, NanoSpikeLength(0, 0, 0));
    EXPECT_FLOAT_EQ(10.0f - 31 * 0.099609375f + std::sin(1024.0f), NanoSpikeLength(31, 32767, 0));
    EXPECT_FLOAT_EQ(NanoSpikeLength(32, 0, 0), NanoSpikeLength(0, 0, 0));  // only the low 5 bits
    EXPECT_FLOAT_EQ(10.0f + std::sin(1.5f), NanoSpikeLength(0, 0, 1.5f));

    REQUIRE_GL();
    NanoBall ball(0, 100000);
    SeedRandom(77);
    ball.Draw(5000, 0.5f);
    ExpectGeneratorAfter(0, 2 * NanoBall::kSpikes);
    ResetGlState();
}

TEST(NanoBallTest, TweakVariablesBindTheLight) {
    REQUIRE_GL();
    NanoBall ball(0, 100000);
    ball.SetupTweaks();  // no bar: nothing happens
    TweakBar bar("NanoBall");
    ball.AttachTweakBar(&bar);
    ball.SetupTweaks();
    ASSERT_EQ(5u, bar.Variables().size());
    const char* names[] = {"Light pos", "Light amb", "Light spc", "Light dif", "Light ref"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(names[i], bar.Variables()[i].name);
        EXPECT_EQ(names[i], bar.Variables()[i].label);
        EXPECT_EQ(i == 0 ? TW_TYPE_DIR3F : TW_TYPE_COLOR4F, bar.Variables()[i].type);
    }
    EXPECT_EQ("NanoBall", ball.Name());

    // Values written through the bar reach GL on the next frame.
    float* position = static_cast<float*>(bar.Find("Light pos")->value);
    float* ambient = static_cast<float*>(bar.Find("Light amb")->value);
    float* specular = static_cast<float*>(bar.Find("Light spc")->value);
    float* diffuse = static_cast<float*>(bar.Find("Light dif")->value);
    float* reflectance = static_cast<float*>(bar.Find("Light ref")->value);
    EXPECT_EQ(-8.0f, position[1]);
    EXPECT_EQ(32.0f, position[2]);
    EXPECT_EQ(10.0f, specular[0]);
    position[0] = 3;
    ambient[1] = 0.25f;
    diffuse[2] = 0.5f;
    specular[0] = 2;
    reflectance[1] = 0.75f;
    ball.Draw(5000, 0);
    GLfloat value[4];
    glGetLightfv(GL_LIGHT1, GL_POSITION, value);  // set under the identity modelview
    EXPECT_FLOAT_EQ(3.0f, value[0]);
    EXPECT_FLOAT_EQ(-8.0f, value[1]);
    EXPECT_FLOAT_EQ(32.0f, value[2]);
    EXPECT_FLOAT_EQ(1.0f, value[3]);
    glGetLightfv(GL_LIGHT1, GL_AMBIENT, value);
    EXPECT_FLOAT_EQ(0.25f, value[1]);
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, value);
    EXPECT_FLOAT_EQ(0.5f, value[2]);
    glGetLightfv(GL_LIGHT1, GL_SPECULAR, value);
    EXPECT_FLOAT_EQ(2.0f, value[0]);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, value);
    EXPECT_FLOAT_EQ(0.75f, value[1]);
    glGetMaterialfv(GL_BACK, GL_SPECULAR, value);
    EXPECT_FLOAT_EQ(0.75f, value[1]);
    ResetGlState();
}

TEST(NanoBallTest, LeavesLight1OnAndEverythingElseOff) {
    REQUIRE_GL();
    NanoBall ball(0, 100000);
    glDisable(GL_LIGHT1);
    glEnable(GL_DEPTH_TEST);  // whatever came before, depth testing ends off
    ball.Draw(5000, 0.5f);
    ExpectFrameLoopStateUnlit("NanoBall");
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_EQ(GL_SMOOTH, Integer(GL_SHADE_MODEL));
    GLfloat value[4];
    glGetMaterialfv(GL_FRONT, GL_SHININESS, value);
    EXPECT_FLOAT_EQ(96.0f, value[0]);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, value);  // set by the spikes' colour
    EXPECT_NEAR(96 / 255.0, value[0], 1e-6);
    const std::array<float, 4> colour = CurrentColour();
    EXPECT_NEAR(96 / 255.0, colour[0], 1e-6);
    EXPECT_NEAR(96 / 255.0, colour[2], 1e-6);
    EXPECT_EQ(1.0f, colour[3]);
    glDisable(GL_LIGHT1);
    ResetGlState();
}

TEST(NanoBallTest, ItsDisplayListsGoWithIt) {
    REQUIRE_GL();
    auto lists = [] {
        std::vector<GLuint> names;
        for (GLuint name = 1; name < 5000; ++name)
            if (glIsList(name)) names.push_back(name);
        return names;
    };
    const std::vector<GLuint> before = lists();
    auto ball = std::make_unique<NanoBall>(0, 100000);
    const std::vector<GLuint> with = lists();
    EXPECT_EQ(before.size() + 2, with.size());
    ball->Draw(5000, 0.5f);
    ball.reset();
    EXPECT_EQ(before, lists());
    glDisable(GL_LIGHT1);
    ResetGlState();
}

class NanoBallPicture : public ::testing::Test {
protected:
    // White background, black spikes and flares: the ball is black on white.
    void SetUp() override {
        if (!EnsureGlContext()) GTEST_SKIP() << "no GL context here";
        WriteFlatPicture(dir_, "data/nanoball/bg.jpg", 255, 255, 255);
        WriteFlatPicture(dir_, "data/nanoball/zoomer1.jpg", 0, 0, 0);
        WriteFlatPicture(dir_, "data/nanoball/flare.jpg", 0, 0, 0);
        InDirectory(dir_.path(), [&] { ball_ = std::make_unique<NanoBall>(10000, 100000); });
        ResetGlState();
    }
    void TearDown() override {
        glDisable(GL_LIGHT1);
        ResetGlState();
    }
    ScratchDir dir_;
    std::unique_ptr<NanoBall> ball_;
};

TEST_F(NanoBallPicture, EntersFromTheRight) {
    ball_->Draw(10001, 1.0f);
    MaybeSavePicture("nanoball_entering");
    // The ball's centre is 10 units right, at the bottom edge: its spikes
    // reach into the right half of the window only.
    EXPECT_EQ(0, CountDark(0, 0, 213, 240, 64));
    EXPECT_GT(CountDark(427, 0, 640, 240, 64), 5000);
    EXPECT_EQ(255, Grey(PixelAt(5, 475)));

    ResetGlState();
    ball_->Draw(10700, 1.0f);
    // Centred: both sides of the lower half show spikes.
    const int left = CountDark(0, 0, 213, 240, 64), right = CountDark(427, 0, 640, 240, 64);
    EXPECT_GT(left, 5000);
    EXPECT_NEAR(1.0, static_cast<double>(left) / right, 0.35);
}

TEST_F(NanoBallPicture, ABeatKnocksTheBallDownAndItRisesOutOfView) {
    ball_->Draw(20000, 1.0f);
    // Centre 10 units below the middle: the top of the window is clear.
    EXPECT_EQ(0, CountDark(0, 400, 640, 480, 64));
    EXPECT_GT(CountDark(0, 0, 640, 80, 64), 20000);
    ResetGlState();
    ball_->Draw(21000, 0.0f);  // risen to the middle: spikes reach the top
    EXPECT_GT(CountDark(0, 400, 640, 480, 64), 2000);
    ResetGlState();
    ball_->Draw(23000, 0.0f);  // 10 units above the middle: gone
    EXPECT_EQ(0, CountDark(0, 0, 640, 480, 64));
    // The quiet background is drawn at half strength.
    EXPECT_NEAR(128, Grey(PixelAt(320, 240)), 2);
}

TEST(NanoBallTest, BundledPicturesShowALitBall) {
    REQUIRE_GL();
    NanoBall ball(0, 100000);
    ball.Draw(30000, 0.8f);
    MaybeSavePicture("nanoball_30000");
    // Highlights on the spikes, a dark ball body and a glowing background.
    int brightest = 0, darkest = 255;
    const std::vector<uint8_t> pixels = ReadPixels(0, 0, 640, 240);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        const int grey = (pixels[i] + pixels[i + 1] + pixels[i + 2]) / 3;
        brightest = std::max(brightest, grey);
        darkest = std::min(darkest, grey);
    }
    EXPECT_GT(brightest, 200);
    EXPECT_LT(darkest, 30);
    glDisable(GL_LIGHT1);
    ResetGlState();
}

TEST(NanoBallTest, BrokenPicturesDrawUntextured) {
    REQUIRE_GL();
    const std::vector<std::string> pictures = {"data/nanoball/zoomer1.jpg",
                                               "data/nanoball/flare.jpg", "data/nanoball/bg.jpg"};
    for (BrokenPicture kind :
         {BrokenPicture::kMissing, BrokenPicture::kTruncated, BrokenPicture::kNotAnImage}) {
        SCOPED_TRACE(BrokenPictureName(kind));
        ScratchDir dir;
        WriteBrokenPictures(dir, pictures, kind);
        std::unique_ptr<NanoBall> ball;
        InDirectory(dir.path(), [&] { ball = std::make_unique<NanoBall>(0, 100000); });
        ResetGlState();
        ball->Draw(40000, 0.0f);  // the ball has risen out of view
        ExpectFrameLoopStateUnlit("NanoBall");
        // A truncated picture may keep its decoded top rows; the others
        // leave the plain colour of the background.
        if (kind != BrokenPicture::kTruncated) {
            EXPECT_NEAR(128, Grey(PixelAt(320, 240)), 2);
        }
        ball->Draw(40100, 1.0f);
        EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
        glDisable(GL_LIGHT1);
    }
    ResetGlState();
}

// -------------------------------------------------------- Zoomba and Zoombb

TEST(ZoomerTest, FrameNumbersAtTimeZero) {
    const Effekter::ZoomerFrame f = Effekter::ComputeZoomerFrame(0, 0.8f);
    EXPECT_EQ(0.0f, f.s1);
    EXPECT_EQ(1.0f, f.c1);
    EXPECT_FLOAT_EQ(0.5f, f.background_x);
    EXPECT_FLOAT_EQ(0.01f, f.background_y);
    EXPECT_EQ(0.0f, f.background_angle);
    EXPECT_FLOAT_EQ(0.9f, f.glow_grey);
    for (int k = -100; k < 0; ++k) {
        const Effekter::ZoomerSprite s = Effekter::ComputeZoomerSprite(k, f);
        const float z = k / 50.0f;
        EXPECT_FLOAT_EQ(z, s.z);
        EXPECT_FLOAT_EQ(90.0f * std::sin(z) * std::cos(z), s.angle) << k;
        EXPECT_FLOAT_EQ(std::pow(0.65f * z, 4.0f), s.x) << k;
        EXPECT_FLOAT_EQ(0.01f, s.y) << k;
        EXPECT_NEAR(1.0f / (z * z), s.grey, 1e-5f * s.grey) << k;
    }
}

TEST(ZoomerTest, TheTubeSwingsAtItsFarEndOnly) {
    const Effekter::ZoomerFrame f = Effekter::ComputeZoomerFrame(15708, 0);  // 0.00015 t = pi/4
    const float s1 = std::sin(15708 * 0.00015f), c1 = std::cos(15708 * 0.0001f);
    const Effekter::ZoomerSprite far = Effekter::ComputeZoomerSprite(-100, f);
    const Effekter::ZoomerSprite near = Effekter::ComputeZoomerSprite(-1, f);
    const float e = std::pow(1.3f, 4.0f);  // (0.65 * 2)^4
    EXPECT_NEAR(c1 * e, far.x, 1e-5);
    EXPECT_NEAR(s1 * e, far.y, 1e-5);
    EXPECT_NEAR(0.0f, near.x, 1e-8);
    EXPECT_FLOAT_EQ(0.25f, far.grey);
    EXPECT_FLOAT_EQ(1.0f, Effekter::ComputeZoomerSprite(-50, f).grey);
    EXPECT_FLOAT_EQ(-90.0f * std::cos(15708 * 0.00125f) * std::sin(15708 * 0.0025f),
                    f.background_angle);
}

class ZoomerPicture : public ::testing::Test {
protected:
    void SetUp() override {
        if (!EnsureGlContext()) GTEST_SKIP() << "no GL context here";
        ResetGlState();
    }
    void TearDown() override { ResetGlState(); }
    template <class Effect>
    std::unique_ptr<Effect> Make(const ScratchDir& dir) {
        std::unique_ptr<Effect> effect;
        InDirectory(dir.path(), [&] { effect = std::make_unique<Effect>(0, 100000); });
        ResetGlState();
        return effect;
    }
};

TEST_F(ZoomerPicture, ZoombaAndZoombbAgreeWithTheSamePictures) {
    ScratchDir same, different;
    for (const ScratchDir* dir : {&same, &different}) {
        WriteRingImage(*dir, "data/zoomer/zoomer1.jpg", 10);
        WriteRingImage(*dir, "data/zoomer/zoomer2.jpg", 0);
        WriteRingImage(*dir, "data/zoomer/bg.jpg", 40);
        WriteRingImage(*dir, "data/zoomer/bg1.jpg", 70);
    }
    WriteRingImage(same, "data/zoomer/zoomer2-old.jpg", 0);
    WriteRingImage(different, "data/zoomer/zoomer2-old.jpg", 100);

    auto draw = [](Effekt& effect) {
        ResetGlState();
        effect.Draw(23456, 0.4f);
        return ReadPixels(0, 0, 640, 480);
    };
    auto largest_difference = [](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        int most = 0;
        for (size_t i = 0; i < a.size(); ++i) most = std::max(most, std::abs(a[i] - b[i]));
        return most;
    };
    auto zoomba = Make<Zoomba>(same);
    auto zoombb = Make<Zoombb>(same);
    const std::vector<uint8_t> a = draw(*zoomba);
    MaybeSavePicture("zoomba_rings");
    EXPECT_LE(largest_difference(a, draw(*zoombb)), 1);

    // Their own sprite pictures do tell them apart.
    auto other = Make<Zoombb>(different);
    EXPECT_GT(largest_difference(a, draw(*other)), 50);
}

TEST_F(ZoomerPicture, ClearsToWhiteAndAddsTheGlowWithTheBeat) {
    // Black pictures, white glow: at time 0 the background stands 0.5 to the
    // right, so the window's left eighth shows the white clear.
    ScratchDir dir;
    WriteFlatPicture(dir, "data/zoomer/zoomer1.jpg", 0, 0, 0);
    WriteFlatPicture(dir, "data/zoomer/zoomer2.jpg", 0, 0, 0);
    WriteFlatPicture(dir, "data/zoomer/bg.jpg", 0, 0, 0);
    WriteFlatPicture(dir, "data/zoomer/bg1.jpg", 255, 255, 255);
    auto zoomba = Make<Zoomba>(dir);
    glClearColor(1, 0, 0, 1);  // what came before is erased
    glClear(GL_COLOR_BUFFER_BIT);
    zoomba->Draw(0, 0);
    const Rgba clear = PixelAt(20, 240);
    EXPECT_EQ(255, clear.r);
    EXPECT_EQ(255, clear.g);
    EXPECT_EQ(255, clear.b);
    EXPECT_NEAR(0.1 * 255, Grey(PixelAt(320, 240)), 2);  // the black sprites change nothing
    EXPECT_NEAR(0.1 * 255, Grey(PixelAt(600, 50)), 2);
    ExpectFrameLoopStateUnlit("Zoomba");
    GLfloat clear_colour[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear_colour);
    for (float c : clear_colour) EXPECT_EQ(0.0f, c);

    zoomba->Draw(0, 0.5f);
    EXPECT_NEAR(0.6 * 255, Grey(PixelAt(320, 240)), 2);
    zoomba->Draw(0, 1.0f);
    EXPECT_EQ(255, Grey(PixelAt(320, 240)));
}

TEST_F(ZoomerPicture, SpritesRunFarToNearBrighteningAsTheyCome) {
    ScratchDir dir;
    auto zoomba = Make<Zoomba>(dir);  // no pictures at all
    const std::vector<FedPolygon> polygons =
        FeedbackPolygons([&] { zoomba->Draw(1000, 0); }, 60000);
    ResetGlState();
    // The background (colour 1), the glow (beat + 0.1), then the sprites.
    size_t i = 0;
    while (i < polygons.size() && std::fabs(polygons[i][0].r - 1.0f) < 1e-6) ++i;
    ASSERT_GT(i, 0u);
    const size_t glow = i;
    while (i < polygons.size() && std::fabs(polygons[i][0].r - 0.1f) < 1e-6) ++i;
    ASSERT_GT(i, glow);
    ASSERT_LT(i, polygons.size());
    // Sprites farther than z = -1 have colour 1/z^2 (k = -100..-51), the
    // nearer ones saturate; the colour never falls along the drawing order.
    int dim = 0;
    for (size_t first = i; i < polygons.size(); ++i) {
        const float r = polygons[i][0].r;
        if (i > first) {
            EXPECT_GE(r, polygons[i - 1][0].r - 1e-6f) << i;
        }
        if (r >= 1.0f) continue;
        ++dim;
        bool matched = false;
        for (int k = -100; k <= -51 && !matched; ++k)
            matched = std::fabs(r - 2500.0f / (k * k)) < 1e-5f;
        EXPECT_TRUE(matched) << r;
    }
    EXPECT_GT(dim, 0);
    EXPECT_EQ(1.0f, polygons.back()[0].r);
}

TEST_F(ZoomerPicture, BundledPicturesMakeATunnel) {
    Zoomba zoomba(0, 100000);
    ResetGlState();
    zoomba.Draw(65000, 0.5f);
    MaybeSavePicture("zoomba_65000");
    ExpectFrameLoopStateUnlit("Zoomba");
    int lowest = 765, highest = 0;
    for (const Rgba& p : {PixelAt(10, 10), PixelAt(320, 240), PixelAt(600, 400), PixelAt(200, 300),
                          PixelAt(500, 100), PixelAt(50, 450), PixelAt(420, 200)}) {
        lowest = std::min(lowest, p.r + p.g + p.b);
        highest = std::max(highest, p.r + p.g + p.b);
    }
    EXPECT_GT(highest - lowest, 60);
    Zoombb zoombb(0, 100000);
    ResetGlState();
    zoombb.Draw(72000, 0.5f);
    MaybeSavePicture("zoombb_72000");
}

TEST_F(ZoomerPicture, BrokenPicturesDrawUntextured) {
    const std::vector<std::string> pictures = {"data/zoomer/zoomer1.jpg", "data/zoomer/zoomer2.jpg",
                                               "data/zoomer/zoomer2-old.jpg", "data/zoomer/bg.jpg",
                                               "data/zoomer/bg1.jpg"};
    for (BrokenPicture kind :
         {BrokenPicture::kMissing, BrokenPicture::kTruncated, BrokenPicture::kNotAnImage}) {
        SCOPED_TRACE(BrokenPictureName(kind));
        ScratchDir dir;
        WriteBrokenPictures(dir, pictures, kind);
        auto zoomba = Make<Zoomba>(dir);
        auto zoombb = Make<Zoombb>(dir);
        zoomba->Draw(30000, 0.3f);
        ExpectFrameLoopStateUnlit("Zoomba");
        zoombb->Draw(30000, 0.3f);
        ExpectFrameLoopStateUnlit("Zoombb");
        // Untextured, everything is white or grey, no colour.
        if (kind != BrokenPicture::kTruncated) {
            const Rgba p = PixelAt(320, 240);
            EXPECT_EQ(p.r, p.g);
            EXPECT_EQ(p.g, p.b);
        }
    }
}

// ------------------------------------------------------------------ ColorBox

TEST(ColorBoxTest, TargetChoiceFollowsTheDemoTime) {
    for (uint32_t t : {5000u, 12345u, 99999u}) {
        ColorBoxState state;
        Effekter::UpdateColorBoxTarget(state, t, 0.5f);  // 10 > 0.5: a falling beat
        ReferenceRandom reference(t);
        const int column = static_cast<int>(4.0f * static_cast<float>(reference.Next() / 32767.0));
        const int row = static_cast<int>(4.0f * static_cast<float>(reference.Next() / 32767.0));
        EXPECT_EQ(column, state.target_column) << t;
        EXPECT_EQ(row, state.target_row) << t;
        EXPECT_EQ(t, state.last_jump_time);
        EXPECT_EQ(0.5f, state.previous_beat);
        ExpectGeneratorAfter(t, 2);
        EXPECT_GE(column, 0);
        EXPECT_LE(column, 3);
    }
    // The four columns and rows all come up over a run of times.
    // The column follows the time slowly (about 2.5 s each), the row quickly.
    bool seen[4][4] = {};
    for (uint32_t t = 1000; t < 41000; t += 37) {
        ColorBoxState state;
        Effekter::UpdateColorBoxTarget(state, t, 0);
        seen[state.target_column][state.target_row] = true;
    }
    for (auto& column : seen)
        for (bool s : column) EXPECT_TRUE(s);
}

TEST(ColorBoxTest, JumpsOnlyOnAFallingBeatAfter200Milliseconds) {
    ColorBoxState state;
    Effekter::UpdateColorBoxTarget(state, 5000, 0.8f);
    ASSERT_EQ(5000u, state.last_jump_time);
    Effekter::UpdateColorBoxTarget(state, 5100, 0.5f);  // falling, too soon
    EXPECT_EQ(5000u, state.last_jump_time);
    Effekter::UpdateColorBoxTarget(state, 5200, 0.4f);  // exactly 200: still too soon
    EXPECT_EQ(5000u, state.last_jump_time);
    Effekter::UpdateColorBoxTarget(state, 5300, 0.9f);  // rising
    Effekter::UpdateColorBoxTarget(state, 5400, 0.9f);  // steady
    EXPECT_EQ(5000u, state.last_jump_time);
    Effekter::UpdateColorBoxTarget(state, 5500, 0.2f);
    EXPECT_EQ(5500u, state.last_jump_time);

    // After a seek back to before 70 ms a falling beat empties the target.
    SeedRandom(1);
    Effekter::UpdateColorBoxTarget(state, 50, 0.1f);
    EXPECT_EQ(100, state.target_column);
    EXPECT_EQ(100, state.target_row);
    EXPECT_EQ(50u, state.last_jump_time);
    ExpectGeneratorAfter(50, 2);  // the generator was still used
}

TEST(ColorBoxTest, CameraGlidesATenthPerFrame) {
    ColorBoxState state;
    state.target_column = 3;
    state.target_row = 2;
    for (int frame = 0; frame < 5; ++frame) Effekter::GlideColorBoxCamera(state);
    EXPECT_NEAR(0.5f, state.camera_x, 1e-5);
    EXPECT_NEAR(0.5f, state.camera_y, 1e-5);
    for (int frame = 0; frame < 100; ++frame) {
        Effekter::GlideColorBoxCamera(state);
        // It settles just below the target and never passes it.
        EXPECT_LE(state.camera_x, 3.0f);
        EXPECT_LE(state.camera_y, 2.0f);
    }
    EXPECT_GT(state.camera_x, 2.9f);
    EXPECT_GT(state.camera_y, 1.9f);

    // Back down to (1, 0): again 0.1 a frame, ending at or just below.
    state.target_column = 1;
    state.target_row = 0;
    const float x = state.camera_x;
    Effekter::GlideColorBoxCamera(state);
    EXPECT_NEAR(x - 0.1f, state.camera_x, 1e-5);
    for (int frame = 0; frame < 100; ++frame) Effekter::GlideColorBoxCamera(state);
    EXPECT_GT(state.camera_x, 0.9f);
    EXPECT_LE(state.camera_x, 1.0f);
    EXPECT_GT(state.camera_y, -0.1f);
    EXPECT_LE(state.camera_y, 0.0f);
}

TEST(ColorBoxTest, FadesAndTileBrightness) {
    using Effekter::ColorBoxFade;
    EXPECT_FLOAT_EQ(0.5f, ColorBoxFade(12500, 10000, 50000));
    EXPECT_FLOAT_EQ(1.0f, ColorBoxFade(15000, 10000, 50000));
    EXPECT_FLOAT_EQ(0.5f, ColorBoxFade(49000, 10000, 50000));
    EXPECT_FLOAT_EQ(0.0005f, ColorBoxFade(49999, 10000, 50000));
    EXPECT_FLOAT_EQ(0.25f, ColorBoxFade(10500, 10000, 11000));  // both: the end wins

    using Effekter::ColorBoxTileBrightness;
    EXPECT_EQ(1.0f, ColorBoxTileBrightness(0.01f, 2, 3, 2, 3));  // the target, whatever the fade
    EXPECT_FLOAT_EQ(0.5f, ColorBoxTileBrightness(1, 3, 3, 2, 3));
    EXPECT_FLOAT_EQ(0.25f, ColorBoxTileBrightness(0.5f, 1, 3, 2, 3));
    EXPECT_FLOAT_EQ(0.5f / 5, ColorBoxTileBrightness(1, -1, -1, 2, 3));  // 3-4-5
    EXPECT_FLOAT_EQ(0.5f / std::sqrt(2.0f), ColorBoxTileBrightness(1, 1, 1, 0, 0));
    EXPECT_LT(ColorBoxTileBrightness(1, 0, 0, 100, 100), 0.01f);  // no target on the board

    EXPECT_FLOAT_EQ(180.0f * std::sin(6.0f), Effekter::ColorBoxTileAngle(2, 3, 0));
    EXPECT_FLOAT_EQ(180.0f * std::sin(5 * 20.0f * 0.05f + 6),
                    Effekter::ColorBoxTileAngle(2, 3, 20));
}

TEST(ColorBoxTest, TheCameraSettlesOnTheTarget) {
    REQUIRE_GL();
    ScratchDir dir;
    std::unique_ptr<ColorBox> box;
    InDirectory(dir.path(), [&] { box = std::make_unique<ColorBox>(0, 100000); });
    ResetGlState();
    // The first frame chooses; then the beat rises so the target stays.
    box->Draw(8000, 0.1f);
    const int column = box->State().target_column, row = box->State().target_row;
    for (int frame = 1; frame < 60; ++frame) box->Draw(8000 + frame, 0.1f + frame * 0.01f);
    EXPECT_EQ(column, box->State().target_column);
    EXPECT_EQ(row, box->State().target_row);
    EXPECT_NEAR(column, box->State().camera_x, 0.1f);
    EXPECT_NEAR(row, box->State().camera_y, 0.1f);

    // The highlight is the only layer of colour 2 * fade * beat. Where the
    // middle of its picture lands: fit window position = A (s, t) + b over
    // its (clipped) corners and take (s, t) = (0.5, 0.5).
    const float beat = 0.3f;
    const std::vector<FedPolygon> polygons =
        FeedbackPolygons([&] { box->Draw(8100, beat); }, 200000);
    double sums[3][3] = {}, rhs_x[3] = {}, rhs_y[3] = {};
    int corners = 0;
    for (const FedPolygon& p : polygons) {
        if (std::fabs(p[0].r - 2 * beat) > 1e-4) continue;
        for (const FedVertex& v : p) {
            const double basis[3] = {v.s, v.t, 1};
            for (int a = 0; a < 3; ++a) {
                for (int b = 0; b < 3; ++b) sums[a][b] += basis[a] * basis[b];
                rhs_x[a] += basis[a] * v.x;
                rhs_y[a] += basis[a] * v.y;
            }
            ++corners;
        }
    }
    ASSERT_GE(corners, 3);
    // Cramer's rule on the 3 x 3 normal equations.
    auto det = [](const double m[3][3]) {
        return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
               m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    };
    auto solve = [&](const double rhs[3], double out[3]) {
        const double d = det(sums);
        for (int c = 0; c < 3; ++c) {
            double m[3][3];
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b) m[a][b] = b == c ? rhs[a] : sums[a][b];
            out[c] = det(m) / d;
        }
    };
    double fx[3], fy[3];
    solve(rhs_x, fx);
    solve(rhs_y, fy);
    // A tenth of a tile seen from 4 units away is about 17 pixels.
    EXPECT_NEAR(320, 0.5 * fx[0] + 0.5 * fx[1] + fx[2], 25);
    EXPECT_NEAR(240, 0.5 * fy[0] + 0.5 * fy[1] + fy[2], 25);
    ResetGlState();
}

TEST(ColorBoxTest, LeavesGreyColourAndItsBlendFunction) {
    REQUIRE_GL();
    ColorBox box(0, 100000);
    ResetGlState();
    // A second of frames with a rising beat: the camera reaches the target.
    for (int frame = 0; frame < 60; ++frame) {
        ResetGlState();
        glEnable(GL_DEPTH_TEST);  // the board switches depth testing off
        box.Draw(30000 + 17 * frame, 0.2f + 0.01f * frame);
    }
    MaybeSavePicture("colorbox_31003");
    ExpectFrameLoopStateUnlit("ColorBox");
    ExpectCurrentColour(0.5f);
    EXPECT_EQ(GL_ZERO, Integer(GL_BLEND_SRC));
    EXPECT_EQ(GL_ONE_MINUS_SRC_COLOR, Integer(GL_BLEND_DST));
    // The board shines round the target in the middle and is darker away
    // from it.
    const std::vector<uint8_t> pixels = ReadPixels(0, 0, 640, 480);
    double middle = 0, edge = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const uint8_t* p = &pixels[(static_cast<size_t>(y) * 640 + x) * 4];
            const double grey = (p[0] + p[1] + p[2]) / 3.0;
            if (std::hypot(x - 320, y - 240) < 100) middle += grey / (M_PI * 100 * 100);
            if (x < 40 || x >= 600) edge += grey / (80.0 * 480);
        }
    EXPECT_GT(middle, 40);
    EXPECT_GT(middle, 1.5 * edge);
    ResetGlState();
}

TEST(ColorBoxTest, FadesInFromBlack) {
    REQUIRE_GL();
    ScratchDir dir;
    std::unique_ptr<ColorBox> box;
    InDirectory(dir.path(), [&] { box = std::make_unique<ColorBox>(10000, 100000); });
    ResetGlState();
    // Untextured white tiles, no target yet picked in view: at the first
    // millisecond only the target tile (full brightness) stands out.
    box->Draw(10001, 0.0f);
    long total = 0;
    const std::vector<uint8_t> early = ReadPixels(0, 0, 640, 480);
    for (size_t i = 0; i < early.size(); i += 4) total += early[i];
    ResetGlState();
    box->Draw(15000, 0.0f);
    long later = 0;
    const std::vector<uint8_t> full = ReadPixels(0, 0, 640, 480);
    for (size_t i = 0; i < full.size(); i += 4) later += full[i];
    EXPECT_GT(later, total + 640 * 480 * 10);
    ResetGlState();
}

TEST(ColorBoxTest, BrokenPicturesDrawUntextured) {
    REQUIRE_GL();
    const std::vector<std::string> pictures = {
        "data/colorbox/colorbox1.jpg", "data/colorbox/colorbox2.jpg", "data/colorbox/star.jpg"};
    for (BrokenPicture kind :
         {BrokenPicture::kMissing, BrokenPicture::kTruncated, BrokenPicture::kNotAnImage}) {
        SCOPED_TRACE(BrokenPictureName(kind));
        ScratchDir dir;
        WriteBrokenPictures(dir, pictures, kind);
        std::unique_ptr<ColorBox> box;
        InDirectory(dir.path(), [&] { box = std::make_unique<ColorBox>(0, 100000); });
        ResetGlState();
        box->Draw(30000, 0.6f);
        box->Draw(30300, 0.2f);
        ExpectFrameLoopStateUnlit("ColorBox");
        // Untextured tiles add plain grey.
        if (kind != BrokenPicture::kTruncated) {
            const Rgba p = PixelAt(320, 240);
            EXPECT_EQ(p.r, p.g);
            EXPECT_GT(p.r, 50);
        }
    }
    ResetGlState();
}
