// Quill3D, FogRotator, Prikker and Brum: the emblem tables and display list,
// the lighting Quill3D switches off again, the still pole arrangement and its
// tweaks, Prikker's particles against the shared generator, Brum's emission
// rule and star pool, pictures (compared with tolerances), the GL state each
// effect leaves, and missing or broken pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "effects/image/brum.h"
#include "effects/image/fog_rotator.h"
#include "effects/image/prikker.h"
#include "effects/image/quill3d.h"
#include "effects/image/quill3d_emblem.h"
#include "platform/random.h"
#include "platform/tweak_panel.h"
#include "render/gl_guards.h"
#include "support/effect_fixtures.h"
#include "support/gl_context.h"
#include "support/gl_state.h"
#include "support/script_loading.h"
#include "support/test_paths.h"

using Effekter::Brum;
using Effekter::FogRotator;
using Effekter::Prikker;
using Effekter::Quill3D;

namespace {

// Makes an effect in a folder where each of its pictures is broken as `kind`
// says.
template <class T>
std::unique_ptr<T> MakeWithBrokenPictures(BrokenPicture kind,
                                          const std::vector<std::string>& pictures) {
    ScratchDir dir;
    for (const std::string& p : pictures) WriteBrokenPicture(dir, p, kind);
    std::unique_ptr<T> effect;
    InDirectory(dir.path(), [&] { effect = std::make_unique<T>(0, 100000); });
    return effect;
}

// The frame loop's state, and no lighting: Quill3D switches its light off.
void ExpectStateLeft(const char* effect) {
    ExpectFrameLoopState(effect);
    SCOPED_TRACE(effect);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(0, Integer(GL_LIGHT_MODEL_TWO_SIDE));
}

void ExpectColour(float r, float g, float b, float a) {
    const std::array<float, 4> c = CurrentColour();
    EXPECT_FLOAT_EQ(r, c[0]);
    EXPECT_FLOAT_EQ(g, c[1]);
    EXPECT_FLOAT_EQ(b, c[2]);
    EXPECT_FLOAT_EQ(a, c[3]);
}

// Largest difference of any byte between two frames.
int MostDifferent(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int most = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        most = std::max(most, std::abs(int(a[i]) - int(b[i])));
    return most;
}

// Bytes of a w x h window region that differ by more than `tolerance`.
long CountDifferent(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int tolerance) {
    long n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (std::abs(int(a[i]) - int(b[i])) > tolerance) ++n;
    return n;
}

std::vector<uint8_t> Frame() { return ReadPixels(0, 0, 640, 480); }

int Brightness(const Rgba& p) { return p.r + p.g + p.b; }

// Eye z of a window depth under glOrtho(..., near, far).
double EyeZ(double window_z, double near_plane, double far_plane) {
    const double ndc = 2 * window_z - 1;
    return -(ndc * (far_plane - near_plane) + far_plane + near_plane) / 2;
}

const BrokenPicture kBrokenKinds[] = {BrokenPicture::kMissing, BrokenPicture::kTruncated,
                                      BrokenPicture::kNotAnImage};

const std::vector<std::string> kFogPictures = {"data/ostra/fog/pole1.jpg"};
const std::vector<std::string> kPrikPictures = {
    "data/ostra/prikker/prik1.png", "data/ostra/prikker/prik2.png", "data/ostra/prikker/prik3.png",
    "data/ostra/prikker/prik4.png"};
const std::vector<std::string> kBrumPictures = {
    "data/ostra/brum/brum.png", "data/ostra/brum/pastelmand.jpg", "data/ostra/brum/stjern1.jpg"};

}  // namespace

TEST(PlacedEffects, TheScriptMakesAllFour) {
    REQUIRE_GL();
    const LoadedScript l = LoadScriptText(
        "m.ogg\n0\n4\nQuill3D\n0\n1000\nFogRotator\n0\n1000\nPrikker\n0\n1000\nBrum\n0\n1000\n");
    ASSERT_EQ("", l.failure);
    ASSERT_EQ(4u, l.effects.size());
    EXPECT_EQ("Quill3D", l.effects[0]->Name());
    EXPECT_EQ("FogRotator", l.effects[1]->Name());
    EXPECT_NE(nullptr, dynamic_cast<Prikker*>(l.effects[2].get()));
    EXPECT_EQ("Brum", l.effects[3]->Name());
}

// ------------------------------------------------------------------- Quill3D

TEST(Quill3DTest, EmblemTablesHoldAThinPlateOfUnitNormals) {
    using namespace Effekter;
    std::vector<int> vertex_uses(kEmblemVertices, 0), normal_uses(kEmblemNormals, 0);
    for (const auto& f : kEmblemFaceTable) {
        for (int k = 0; k < 3; ++k) {
            ASSERT_GE(f[k], 0);
            ASSERT_LT(f[k], kEmblemVertices);
            ASSERT_GE(f[3 + k], 0);
            ASSERT_LT(f[3 + k], kEmblemNormals);
            ++vertex_uses[f[k]];
            ++normal_uses[f[3 + k]];
        }
        // Each corner's normal lies on the side the face winds towards, which
        // two-sided lighting needs to light the right side.
        const float* a = kEmblemVertexTable[f[0]];
        const float* b = kEmblemVertexTable[f[1]];
        const float* c = kEmblemVertexTable[f[2]];
        const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const double g[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
        EXPECT_GT(std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]), 1e-7) << "degenerate";
        for (int k = 3; k < 6; ++k) {
            const float* n = kEmblemNormalTable[f[k]];
            EXPECT_GT(g[0] * n[0] + g[1] * n[1] + g[2] * n[2], 0);
        }
    }
    for (int i = 0; i < kEmblemVertices; ++i) EXPECT_GT(vertex_uses[i], 0) << "vertex " << i;
    for (int i = 0; i < kEmblemNormals; ++i) EXPECT_GT(normal_uses[i], 0) << "normal " << i;

    for (const auto& n : kEmblemNormalTable)
        EXPECT_NEAR(1.0, std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1e-6);
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    for (const auto& v : kEmblemVertexTable)
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], v[k]);
            hi[k] = std::max(hi[k], v[k]);
        }
    for (int k = 0; k < 2; ++k) {
        EXPECT_NEAR(-0.5f, lo[k], 0.02f);
        EXPECT_NEAR(0.5f, hi[k], 0.02f);
    }
    EXPECT_FLOAT_EQ(-0.01f, lo[2]);
    EXPECT_FLOAT_EQ(0.01f, hi[2]);
}

TEST(Quill3DTest, BuildsItsListOnceOnTheFirstDraw) {
    REQUIRE_GL();
    Quill3D quill(0, 100000);
    EXPECT_EQ("Quill3D", quill.Name());
    EXPECT_EQ(-1, quill.DisplayList());
    quill.Draw(10, 0);
    const GLint list = quill.DisplayList();
    ASSERT_GE(list, 0);
    EXPECT_TRUE(glIsList(static_cast<GLuint>(list)));
    // Later frames call the same list and build no other.
    auto lists = [] {
        int n = 0;
        for (GLuint name = 1; name < 2000; ++name) n += glIsList(name) ? 1 : 0;
        return n;
    };
    const int before = lists();
    for (uint32_t t : {20u, 5000u, 99999u}) quill.Draw(t, 1.0f);
    EXPECT_EQ(list, quill.DisplayList());
    EXPECT_EQ(before, lists());
}

TEST(Quill3DTest, EmblemIsCentredFaceOnAndLitWhite) {
    REQUIRE_GL();
    Quill3D quill(0, 100000);
    quill.Draw(1, 0);  // builds the list outside feedback mode
    ResetGlState();
    const std::vector<FedPolygon> polygons = FeedbackPolygons([&] { quill.Draw(2, 0); }, 40000);
    // Every face is drawn: nothing is culled.
    EXPECT_EQ(static_cast<size_t>(Effekter::kEmblemFaces), polygons.size());
    float lo_x = 1e9f, hi_x = -1e9f, lo_y = 1e9f, hi_y = -1e9f;
    for (const FedPolygon& p : polygons)
        for (const FedVertex& v : p) {
            lo_x = std::min(lo_x, v.x);
            hi_x = std::max(hi_x, v.x);
            lo_y = std::min(lo_y, v.y);
            hi_y = std::max(hi_y, v.y);
        }
    // One unit at distance 8 under the 40-degree view (the plate's front is
    // 0.01 nearer).
    const double unit = 480 / (2 * 7.99 * std::tan(20 * M_PI / 180));
    EXPECT_NEAR(320, (lo_x + hi_x) / 2, 0.5);
    EXPECT_NEAR(240, (lo_y + hi_y) / 2, 0.5);
    EXPECT_NEAR(unit, hi_x - lo_x, 1.0);
    EXPECT_NEAR(unit, hi_y - lo_y, 1.0);

    ResetGlState();
    quill.Draw(3, 0);
    MaybeSavePicture("quill3d");
    // The sun's middle faces the light: white, untextured. Around it, black.
    const Rgba middle = PixelAt(320, 240);
    EXPECT_GE(middle.r, 240);
    EXPECT_EQ(middle.r, middle.b);
    EXPECT_EQ(0, Brightness(PixelAt(320 + 60, 240 + 60)));
    ExpectStateLeft("Quill3D");
    ExpectColour(1, 1, 1, 1);
}

TEST(Quill3DTest, TweaksPlaceAndTurnTheEmblemAndItsBackIsLitToo) {
    REQUIRE_GL();
    Quill3D quill(0, 100000);
    TweakBar bar("Quill3D");
    quill.AttachTweakBar(&bar);
    quill.SetupTweaks();
    ASSERT_EQ(3u, bar.Variables().size());
    const char* names[] = {"Cam pos", "Pole pos", "Pole rot"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(names[i], bar.Variables()[i].name);
        EXPECT_EQ(names[i], bar.Variables()[i].label);
        EXPECT_EQ(TW_TYPE_DIR3F, bar.Variables()[i].type);
    }
    float* camera = static_cast<float*>(bar.Find("Cam pos")->value);
    float* place = static_cast<float*>(bar.Find("Pole pos")->value);
    float* turn = static_cast<float*>(bar.Find("Pole rot")->value);
    EXPECT_EQ(-8.0f, camera[2]);

    quill.Draw(1, 0);
    const std::vector<uint8_t> front = Frame();
    // Turned half round about y: the back faces the viewer and two-sided
    // lighting lights it like the front (mirrored, so compare brightness).
    turn[1] = 180;
    ResetGlState();
    quill.Draw(1, 0);
    const Rgba back = PixelAt(320, 240);
    EXPECT_GE(back.r, 240);
    long lit_front = 0, lit_back = 0;
    const std::vector<uint8_t> back_frame = Frame();
    for (size_t i = 0; i < front.size(); i += 4) {
        lit_front += front[i] > 128;
        lit_back += back_frame[i] > 128;
    }
    EXPECT_NEAR(lit_front, lit_back, lit_front / 20);
    // Edge-on, the plate is a sliver.
    turn[1] = 90;
    ResetGlState();
    quill.Draw(1, 0);
    long lit_edge = 0;
    const std::vector<uint8_t> edge_frame = Frame();
    for (size_t i = 0; i < edge_frame.size(); i += 4) lit_edge += edge_frame[i] > 40;
    EXPECT_LT(lit_edge, lit_front / 4);
    // Moved right by the pole position and the camera together.
    turn[1] = 0;
    place[0] = 1;
    camera[0] = 0.5f;
    ResetGlState();
    quill.Draw(1, 0);
    const double unit = 480 / (2 * 7.99 * std::tan(20 * M_PI / 180));
    EXPECT_GE(PixelAt(static_cast<int>(320 + 1.5 * unit), 240).r, 240);
    EXPECT_EQ(0, Brightness(PixelAt(320, 240)));
}

TEST(Quill3DTest, LaterEffectsAreNotLitByIt) {
    REQUIRE_GL();
    Quill3D quill(0, 100000);
    FogRotator poles(0, 100000);
    Prikker dots(0, 100000);
    auto later_effects = [&] {
        poles.Draw(6000, 0);
        dots.Draw(6000, 0);
    };
    later_effects();
    const std::vector<uint8_t> alone = Frame();

    // The emblem, a fresh frame, then the same effects again: the same picture.
    ResetGlState();
    quill.Draw(5000, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    later_effects();
    MaybeSavePicture("after_quill3d");
    EXPECT_LE(MostDifferent(alone, Frame()), 1);

    // And in a frame of its own after that, too.
    ResetGlState();
    later_effects();
    EXPECT_LE(MostDifferent(alone, Frame()), 1);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(0, Integer(GL_LIGHT_MODEL_TWO_SIDE));
}

// ---------------------------------------------------------------- FogRotator

TEST(FogRotatorTest, RegistersSevenVectorsThatShareThreeLabels) {
    REQUIRE_GL();
    FogRotator poles(0, 100000);
    EXPECT_EQ("FogRotator", poles.Name());
    TweakBar bar("FogRotator");
    poles.AttachTweakBar(&bar);
    poles.SetupTweaks();
    const char* names[] = {"Cam pos",    "Pols pos 1", "Pols rot 1", "Pols pos 2",
                           "Pols rot 2", "Pols pos 3", "Pols rot 3"};
    const char* labels[] = {"Cam pos",  "Pole pos", "Pole rot", "Pole pos",
                            "Pole rot", "Pole pos", "Pole rot"};
    ASSERT_EQ(7u, bar.Variables().size());
    for (int i = 0; i < 7; ++i) {
        const TweakVariable& v = bar.Variables()[i];
        EXPECT_EQ(names[i], v.name);
        EXPECT_EQ(labels[i], v.label);
        EXPECT_EQ(TW_TYPE_DIR3F, v.type);
        for (int j = 0; j < i; ++j) EXPECT_NE(bar.Variables()[j].value, v.value);
    }
    // The initial placement: poles at x = 6, heights 1, 0, -1, turned -90 about y.
    for (int n = 1; n <= 3; ++n) {
        const std::string pos = "Pols pos " + std::to_string(n);
        const std::string rot = "Pols rot " + std::to_string(n);
        const float* p = static_cast<const float*>(bar.Find(pos.c_str())->value);
        const float* r = static_cast<const float*>(bar.Find(rot.c_str())->value);
        EXPECT_EQ(6.0f, p[0]);
        EXPECT_EQ(static_cast<float>(2 - n), p[1]);
        EXPECT_EQ(-90.0f, r[1]);
    }
    EXPECT_EQ(-10.0f, static_cast<const float*>(bar.Find("Cam pos")->value)[2]);
}

TEST(FogRotatorTest, PolesLieAcrossTheViewAtThreeHeights) {
    REQUIRE_GL();
    FogRotator poles(0, 100000);
    const double near_plane = 0.1, far_plane = 100;
    const std::vector<FedPolygon> polygons = FeedbackPolygons(
        [&] {
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(-8, 8, -6, 6, near_plane, far_plane);  // 40 pixels per unit
            glMatrixMode(GL_MODELVIEW);
            poles.Draw(5000, 0);
        },
        200000);
    ResetPerspective();
    // Three cylinders of 20 x 10 quads (as many polygons each, whatever the
    // triangulation), 12 units long from x = -6 to 6, of radius 0.5 round the
    // heights 1, 0 and -1, around z = -10.
    ASSERT_FALSE(polygons.empty());
    ASSERT_EQ(0u, polygons.size() % 600);
    struct Extent {
        float lo_x = 1e9f, hi_x = -1e9f, lo_y = 1e9f, hi_y = -1e9f;
        double lo_z = 1e9, hi_z = -1e9;
        size_t polygons = 0;
    };
    Extent poles_seen[3];
    for (const FedPolygon& p : polygons) {
        double cy = 0;
        for (const FedVertex& v : p) cy += v.y / p.size();
        const int n = static_cast<int>(std::lround((280 - cy) / 40));  // pole 0 on top
        ASSERT_GE(n, 0);
        ASSERT_LE(n, 2);
        Extent& e = poles_seen[n];
        ++e.polygons;
        for (const FedVertex& v : p) {
            e.lo_x = std::min(e.lo_x, v.x);
            e.hi_x = std::max(e.hi_x, v.x);
            e.lo_y = std::min(e.lo_y, v.y);
            e.hi_y = std::max(e.hi_y, v.y);
            e.lo_z = std::min(e.lo_z, EyeZ(v.z, near_plane, far_plane));
            e.hi_z = std::max(e.hi_z, EyeZ(v.z, near_plane, far_plane));
        }
    }
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        const Extent& e = poles_seen[n];
        EXPECT_EQ(polygons.size() / 3, e.polygons);
        EXPECT_NEAR(320 - 6 * 40, e.lo_x, 0.1);
        EXPECT_NEAR(320 + 6 * 40, e.hi_x, 0.1);
        EXPECT_NEAR(240 + (1 - n) * 40, (e.lo_y + e.hi_y) / 2, 0.1);
        EXPECT_NEAR(40, e.hi_y - e.lo_y, 0.5);
        EXPECT_NEAR(-10.5, e.lo_z, 1e-3);
        EXPECT_NEAR(-9.5, e.hi_z, 1e-3);
    }
}

TEST(FogRotatorTest, StillPictureAndOnlyTheMiddlePoleTurns) {
    REQUIRE_GL();
    FogRotator poles(0, 100000);
    TweakBar bar("FogRotator");
    poles.AttachTweakBar(&bar);
    poles.SetupTweaks();

    poles.Draw(1000, 0.0f);
    MaybeSavePicture("fog_rotator");
    const std::vector<uint8_t> early = Frame();
    ExpectStateLeft("FogRotator");
    ExpectColour(1, 1, 1, 1);
    ResetGlState();
    poles.Draw(77777, 1.0f);
    EXPECT_EQ(early, Frame());

    // Spin pole 2 about its own axis: its stripes move, the others stay.
    static_cast<float*>(bar.Find("Pols rot 2")->value)[2] = 45;
    ResetGlState();
    poles.Draw(1000, 0.0f);
    const std::vector<uint8_t> turned = Frame();
    // Poles 33 pixels round, centred 66 pixels apart (window rows count up).
    auto band = [](const std::vector<uint8_t>& frame, int y0, int y1) {
        return std::vector<uint8_t>(frame.begin() + y0 * 640 * 4, frame.begin() + y1 * 640 * 4);
    };
    const int top = 240 + 66, bottom = 240 - 66;
    EXPECT_LE(MostDifferent(band(early, top - 25, top + 25), band(turned, top - 25, top + 25)), 1);
    EXPECT_LE(MostDifferent(band(early, bottom - 25, bottom + 25),
                            band(turned, bottom - 25, bottom + 25)),
              1);
    EXPECT_GT(CountDifferent(band(early, 240 - 25, 240 + 25), band(turned, 240 - 25, 240 + 25), 30),
              5000);
}

TEST(FogRotatorTest, MissingOrBrokenPictureDrawsWhitePoles) {
    REQUIRE_GL();
    for (BrokenPicture kind : kBrokenKinds) {
        SCOPED_TRACE(BrokenPictureName(kind));
        auto poles = MakeWithBrokenPictures<FogRotator>(kind, kFogPictures);
        ResetGlState();
        poles->Draw(5000, 0);
        for (int y : {240 - 66, 240, 240 + 66}) {
            const Rgba p = PixelAt(320, y);
            EXPECT_EQ(255, p.r);
            EXPECT_EQ(255, p.b);
        }
        EXPECT_EQ(0, Brightness(PixelAt(320, 20)));
        ExpectStateLeft("FogRotator");
    }
}

// ------------------------------------------------------------------- Prikker

TEST(PrikkerTest, ParticlesFollowTheGeneratorSeededWith100) {
    REQUIRE_GL();
    SeedRandom(5);
    Prikker dots(2000, 100000);
    SeedRandom(Prikker::kSeed);
    auto next = [] { return static_cast<float>(NextRandom() / 32767.0); };
    for (int i = 0; i < Prikker::kParticles; ++i) {
        const Effekter::PrikParticle& p = dots.Particle(i);
        const float r1 = next(), r2 = next(), r3 = next(), r4 = next(), r5 = next();
        ASSERT_EQ(r3 + 0.25f * static_cast<float>(i), p.position.x) << i;
        ASSERT_EQ(r2, p.position.y) << i;
        ASSERT_EQ(r1, p.position.z) << i;
        ASSERT_EQ(2 * r4, p.amplitude) << i;
        ASSERT_EQ(0.001f * r5, p.speed) << i;
        ASSERT_EQ(2, p.texture_index) << i;
    }
    // The generator is left where the last particle left it.
    const int after_particles = NextRandom();
    SeedRandom(5);
    Prikker again(0, 1000);
    EXPECT_EQ(after_particles, NextRandom());
    // The band: 0 to about 250 units along x, one unit high and deep.
    EXPECT_LT(dots.Particle(0).position.x, 1.0f);
    EXPECT_GT(dots.Particle(999).position.x, 249.75f);
}

TEST(PrikkerTest, SpritesPulseDriftAndTurnWithTheirSpeed) {
    Effekter::PrikParticle p{2, 1.5f, Vec3(3, 0.5f, 0.5f), 0.0008f};
    const Effekter::PrikSprite start = Effekter::ComputePrikSprite(p, 0);
    EXPECT_EQ(0.0f, start.brightness);
    EXPECT_EQ(0.0f, start.drift_x);
    EXPECT_EQ(0.0f, start.angle);
    // Full brightness a quarter period in, dark again after pi / speed.
    const int quarter = static_cast<int>(M_PI / 2 / 0.0008);
    EXPECT_NEAR(1.5f, Effekter::ComputePrikSprite(p, quarter).brightness, 1e-5);
    EXPECT_NEAR(0.0f, Effekter::ComputePrikSprite(p, 2 * quarter).brightness, 2e-3);
    EXPECT_LT(Effekter::ComputePrikSprite(p, 3 * quarter).brightness, -1.4f);
    const Effekter::PrikSprite ten = Effekter::ComputePrikSprite(p, 10000);
    EXPECT_FLOAT_EQ(-8.0f, ten.drift_x);
    EXPECT_FLOAT_EQ(80.0f, ten.angle);
    // The fastest possible particle moves 10 units left in 10 seconds.
    p.speed = 0.001f;
    EXPECT_FLOAT_EQ(-10.0f, Effekter::ComputePrikSprite(p, 10000).drift_x);
}

TEST(PrikkerTest, DarkAtTheStartThenADriftingBand) {
    REQUIRE_GL();
    Prikker dots(2000, 100000);
    // At its start every sprite has brightness 0: the frame is unchanged.
    glClearColor(0.2f, 0.3f, 0.4f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const std::vector<uint8_t> before = Frame();
    dots.Draw(2000, 0.5f);
    EXPECT_EQ(before, Frame());
    ExpectStateLeft("Prikker");

    // Five seconds in, through a wide view that shows the whole band: one
    // quad per particle at its drifted place, with its brightness.
    const int32_t rel = 5000;
    const double near_plane = 0.1, far_plane = 100;
    const std::vector<FedPolygon> quads = FeedbackPolygons(
        [&] {
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            // 2 pixels per unit across, 24 up.
            glOrtho(-10, 310, -10, 10, near_plane, far_plane);
            glMatrixMode(GL_MODELVIEW);
            dots.Draw(2000 + rel, 0);
        },
        100000);
    ResetPerspective();
    // Every particle is one quad, fed back as the same number of polygons.
    ASSERT_FALSE(quads.empty());
    ASSERT_EQ(0u, quads.size() % Prikker::kParticles);
    const size_t per_quad = quads.size() / Prikker::kParticles;
    for (int i = 0; i < Prikker::kParticles; ++i) {
        const Effekter::PrikParticle& p = dots.Particle(i);
        const Effekter::PrikSprite s = Effekter::ComputePrikSprite(p, rel);
        float lo_x = 1e9f, hi_x = -1e9f, lo_y = 1e9f, hi_y = -1e9f;
        for (size_t k = i * per_quad; k < (i + 1) * per_quad; ++k)
            for (const FedVertex& v : quads[k]) {
                lo_x = std::min(lo_x, v.x);
                hi_x = std::max(hi_x, v.x);
                lo_y = std::min(lo_y, v.y);
                hi_y = std::max(hi_y, v.y);
                ASSERT_NEAR(std::clamp(s.brightness, 0.0f, 1.0f), v.r, 1e-3) << i;
                ASSERT_NEAR(-10 + p.position.z, EyeZ(v.z, near_plane, far_plane), 1e-3) << i;
            }
        // The square's middle, wherever it is turned.
        ASSERT_NEAR(2 * (10 + p.position.x + s.drift_x), (lo_x + hi_x) / 2, 0.01) << i;
        ASSERT_NEAR(24 * (10 + p.position.y), (lo_y + hi_y) / 2, 0.01) << i;
    }

    ResetGlState();
    dots.Draw(2000 + rel, 0);
    MaybeSavePicture("prikker_5000");
    // Sprites glow round the band just above the middle; far above it, black.
    int brightest = 0;
    for (int x = 320; x < 640; x += 2) brightest = std::max(brightest, Brightness(PixelAt(x, 273)));
    EXPECT_GT(brightest, 300);
    EXPECT_EQ(0, Brightness(PixelAt(320, 460)));
    ExpectStateLeft("Prikker");
}

TEST(PrikkerTest, MissingOrBrokenPicturesDrawPlainSquares) {
    REQUIRE_GL();
    for (BrokenPicture kind : kBrokenKinds) {
        SCOPED_TRACE(BrokenPictureName(kind));
        auto dots = MakeWithBrokenPictures<Prikker>(kind, kPrikPictures);
        ResetGlState();
        dots->Draw(4000, 0);
        long lit = 0;
        const std::vector<uint8_t> frame = Frame();
        for (size_t i = 0; i < frame.size(); i += 4) lit += frame[i] > 0 ? 1 : 0;
        EXPECT_GT(lit, 1000);
        ExpectStateLeft("Prikker");
    }
}

// ---------------------------------------------------------------------- Brum

TEST(BrumTest, StarsLeaveTheEmitterAndFade) {
    using Effekter::EvaluateStar;
    const Vec3 p = Effekter::BrumEmitterPosition(12345);
    EXPECT_FLOAT_EQ(std::sin(12.345f), p.x);
    EXPECT_FLOAT_EQ(std::cos(6.1725f), p.y);
    EXPECT_FLOAT_EQ(-4.0f - std::cos(12345.0f / 40000.0f), p.z);

    // Five values in order: direction (d3, d2, d1), life 10000 |d4|, reach d5 / 2.
    SeedRandom(11);
    float d[5];
    for (float& v : d) v = static_cast<float>(NextRandom() / 32767.0);
    SeedRandom(11);
    const Effekter::StarParticle star = Effekter::MakeStar(12345, p);
    EXPECT_EQ(d[2], star.direction.x);
    EXPECT_EQ(d[1], star.direction.y);
    EXPECT_EQ(d[0], star.direction.z);
    EXPECT_EQ(0.5f * d[4], star.reach);
    EXPECT_EQ(12345u, star.birth);
    EXPECT_EQ(static_cast<uint32_t>(12345.0f + 10000.0f * d[3]), star.death);

    const Effekter::StarLook born = EvaluateStar(star, star.birth);
    EXPECT_EQ(1.0f, born.life);
    EXPECT_EQ(p.x, born.position.x);
    EXPECT_EQ(p.z, born.position.z);
    const Effekter::StarLook dying = EvaluateStar(star, star.death);
    EXPECT_EQ(0.0f, dying.life);
    EXPECT_FLOAT_EQ(p.x + star.reach * star.direction.x, dying.position.x);
    // Directions are never negative: stars drift towards +x, +y and +z.
    EXPECT_GE(dying.position.y, p.y);
    EXPECT_GE(dying.position.z, p.z);

    // A star whose life rounds to 0 ms is over at once, at its start.
    Effekter::StarParticle flash = star;
    flash.death = flash.birth;
    const Effekter::StarLook over = EvaluateStar(flash, flash.birth);
    EXPECT_EQ(0.0f, over.life);
    EXPECT_EQ(p.x, over.position.x);
    EXPECT_EQ(p.y, over.position.y);
    EXPECT_EQ(p.z, over.position.z);

    // The sprite turns with the emitter's direction from the middle.
    EXPECT_FLOAT_EQ(180.0f, Effekter::BrumSpriteAngle(Vec3(0, 1, -4)));
    EXPECT_FLOAT_EQ(180.0f - 1.5707964f * 360.0f / 3.14f,
                    Effekter::BrumSpriteAngle(Vec3(1, 0, -4)));
}

TEST(BrumTest, EmissionRuleIsUnsignedAndAtMostOncePerFrame) {
    using Effekter::BrumShouldEmit;
    EXPECT_TRUE(BrumShouldEmit(1011, 1000));
    EXPECT_FALSE(BrumShouldEmit(1010, 1000));
    EXPECT_FALSE(BrumShouldEmit(1000, 1000));
    EXPECT_TRUE(BrumShouldEmit(999, 1000));  // a backwards seek
    EXPECT_TRUE(BrumShouldEmit(11, 0));

    REQUIRE_GL();
    Brum a(0, 10000000), b(0, 10000000);
    a.Draw(500000, 0);  // whatever came before, this emits
    EXPECT_EQ(500000u, Brum::LastEmission());
    EXPECT_EQ(1, a.Stars().Size());
    a.Draw(500010, 0);
    EXPECT_EQ(1, a.Stars().Size());
    a.Draw(500011, 0);
    EXPECT_EQ(2, a.Stars().Size());
    // A long frame still emits only one.
    a.Draw(503000, 0);
    EXPECT_EQ(3, a.Stars().Size());
    EXPECT_EQ(503000u, a.Stars().Newest(0).birth);
    // The clock is shared: of two Brums in one frame only the first emits.
    a.Draw(504000, 0);
    b.Draw(504000, 0);
    EXPECT_EQ(4, a.Stars().Size());
    EXPECT_EQ(0, b.Stars().Size());
    // Back one second: a star at once.
    a.Draw(503000 + 5, 0);
    EXPECT_EQ(5, a.Stars().Size());
    EXPECT_EQ(503005u, Brum::LastEmission());
    ExpectStateLeft("Brum");
    EXPECT_EQ(GL_SRC_ALPHA, Integer(GL_BLEND_SRC));
    EXPECT_EQ(GL_ONE_MINUS_SRC_ALPHA, Integer(GL_BLEND_DST));
    ExpectColour(1, 1, 1, 1);
}

// Plays `milliseconds` of the emission rule without GL, as Brum's Draw does
// it, and returns the most stars alive at once.
int PlayStars(Effekter::StarPool& pool, uint32_t& last, uint32_t from, uint32_t milliseconds,
              uint32_t step) {
    int most = 0;
    for (uint32_t t = from; t < from + milliseconds; t += step) {
        pool.Prune(t);
        if (Effekter::BrumShouldEmit(t, last)) {
            pool.Add(Effekter::MakeStar(t, Effekter::BrumEmitterPosition(t)));
            last = t;
        }
        for (int i = 0; i < pool.Size(); ++i) {
            if (t > pool.Newest(i).death) {
                ADD_FAILURE() << "an expired star is kept";
                return most;
            }
        }
        most = std::max(most, pool.Size());
    }
    return most;
}

TEST(BrumTest, StarPoolHoldsEveryLiveStarAndNeverGrows) {
    SeedRandom(3);
    Effekter::StarPool pool;
    uint32_t last = 0;
    // Ten minutes at the fastest emission, one star every 11 ms: never more
    // than 910 alive (lives of up to 10 s), about half that on average,
    // whatever the show's length.
    const int most = PlayStars(pool, last, 1000, 600000, 11);
    EXPECT_LE(most, 910);
    EXPECT_GT(most, 400);

    // Seeking back a second again and again leaves younger stars waiting
    // beside new ones; the pool fills up but never grows, and the newest star
    // is always the one just made.
    uint32_t t = 700000;
    for (int seek = 0; seek < 40; ++seek) {
        EXPECT_LE(PlayStars(pool, last, t, 900, 11), Effekter::StarPool::kCapacity);
        t -= 100;
    }
    EXPECT_EQ(Effekter::StarPool::kCapacity, pool.Size());
    EXPECT_EQ(last, pool.Newest(0).birth);
}

TEST(BrumTest, DrawPrunesItsStarsOverALongRun) {
    REQUIRE_GL();
    Brum brum(0, 100000000);
    // 25 frames a second for 20 s: at most 251 stars alive (lives of up to
    // 10 s), about half that on average.
    for (uint32_t t = 1000000; t < 1000000 + 20000; t += 40) {
        brum.Draw(t, 0);
        ASSERT_LE(brum.Stars().Size(), 251);
    }
    EXPECT_GT(brum.Stars().Size(), 80);
}

TEST(BrumTest, BackgroundTurnsSmoothlyAtTheMeanOfTheSteppedAngle) {
    // The stepped angle is 0.01 * float(2^32 - t): its float steps make it
    // jump a few degrees at a time. The smooth one stays within a step of it.
    auto distance = [](double a, double b) {
        const double d = std::fmod(std::fabs(a - b), 360.0);
        return std::min(d, 360 - d);
    };
    for (uint32_t t = 1; t < 400000; t += 997) {
        const double stepped = 0.01f * static_cast<float>(0u - t);
        EXPECT_LT(distance(stepped, Effekter::BrumBackgroundAngle(t)), 5.5) << t;
    }
    // -0.01 degrees per millisecond, without jumps.
    for (uint32_t t = 1000; t < 80000; t += 7) {
        const double step =
            distance(Effekter::BrumBackgroundAngle(t + 1), Effekter::BrumBackgroundAngle(t) - 0.01);
        EXPECT_LT(step, 1e-3) << t;
    }
}

TEST(BrumTest, DrawsBackgroundStarsAndSprite) {
    REQUIRE_GL();
    Brum brum(0, 100000000);
    TweakBar bar("Brum");
    brum.AttachTweakBar(&bar);
    brum.SetupTweaks();
    ASSERT_EQ(2u, bar.Variables().size());
    EXPECT_EQ("BGPos", bar.Variables()[0].name);
    EXPECT_EQ("Bg pos", bar.Variables()[0].label);
    EXPECT_EQ("BGScale", bar.Variables()[1].name);
    EXPECT_EQ("Bg scale", bar.Variables()[1].label);
    EXPECT_EQ(-2.0f, static_cast<const float*>(bar.Variables()[0].value)[2]);

    for (uint32_t t = 40000; t <= 42000; t += 16) {
        ResetGlState();
        brum.Draw(t, 0);
    }
    MaybeSavePicture("brum_42000");
    // The background covers the middle and is not flat.
    int lowest = 765, highest = 0;
    for (const auto& [x, y] : {std::pair{320, 240}, {200, 300}, {420, 180}, {300, 120}}) {
        lowest = std::min(lowest, Brightness(PixelAt(x, y)));
        highest = std::max(highest, Brightness(PixelAt(x, y)));
    }
    EXPECT_GT(lowest, 150);
    EXPECT_GT(highest - lowest, 20);
    ExpectStateLeft("Brum");

    // Shrunk to a tenth, the background leaves the corners black.
    static_cast<float*>(bar.Variables()[1].value)[0] = 0.1f;
    static_cast<float*>(bar.Variables()[1].value)[1] = 0.1f;
    ResetGlState();
    brum.Draw(42016, 0);
    EXPECT_EQ(0, Brightness(PixelAt(5, 5)));
    EXPECT_EQ(0, Brightness(PixelAt(634, 474)));
}

TEST(BrumTest, MissingOrBrokenPicturesStillDraw) {
    REQUIRE_GL();
    for (BrokenPicture kind : kBrokenKinds) {
        SCOPED_TRACE(BrokenPictureName(kind));
        auto brum = MakeWithBrokenPictures<Brum>(kind, kBrumPictures);
        for (uint32_t t = 70000; t <= 70500; t += 20) {
            ResetGlState();
            brum->Draw(t, 0);
        }
        // An untextured white background and sprite, grey star squares.
        long white = 0;
        const std::vector<uint8_t> frame = Frame();
        for (size_t i = 0; i < frame.size(); i += 4)
            white += frame[i] == 255 && frame[i + 2] == 255;
        EXPECT_GT(white, 640 * 480 / 2);
        ExpectStateLeft("Brum");
    }
}
