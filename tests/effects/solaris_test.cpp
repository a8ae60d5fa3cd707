// Solaris: which sprites of the trail are drawn and where (read back through
// GL feedback in a projection wide enough to show them all), the generator
// values they use, the clear, the beat glow and the subtractive title, the GL
// state it leaves and broken pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "effects/image/solaris.h"
#include "platform/random.h"
#include "render/gl_guards.h"
#include "support/effect_fixtures.h"
#include "support/gl_context.h"
#include "support/gl_state.h"
#include "support/script_loading.h"
#include "support/test_paths.h"

using Effekter::ComputeSolarisSprite;
using Effekter::Solaris;

namespace {

// The k-th value (from 0) of the generator after seeding it with 4.
float ValueAfterSeed4(int k) {
    SeedRandom(4);
    float v = 0;
    for (int i = 0; i <= k; ++i) v = RandomUnit();
    return v;
}

int DrawnSprites(uint32_t demo_time) {
    int drawn = 0;
    for (int i = 0; i < Effekter::kSolarisSprites; ++i)
        drawn += ComputeSolarisSprite(demo_time, i).drawn;
    return drawn;
}

// A Solaris made from flat grey pictures written here.
std::unique_ptr<Solaris> MakeSolaris(int sprite, int glow, int title) {
    ScratchDir dir;
    WriteFlatPicture(dir, "data/solaris/solaris1.jpg", sprite, sprite, sprite);
    WriteFlatPicture(dir, "data/solaris/solaris2.jpg", glow, glow, glow);
    WriteFlatPicture(dir, "data/solaris/it.jpg", title, title, title);
    std::unique_ptr<Solaris> solaris;
    InDirectory(dir.path(), [&] { solaris = std::make_unique<Solaris>(0, 1000000); });
    return solaris;
}

void ExpectEverywhere(int value, int tolerance) {
    for (const auto& [x, y] : {std::pair{2, 2}, {637, 477}, {320, 240}, {100, 400}}) {
        const Rgba p = PixelAt(x, y);
        EXPECT_NEAR(value, p.r, tolerance) << x << "," << y;
        EXPECT_NEAR(value, p.g, tolerance) << x << "," << y;
    }
}

double TextureAngle(const FedPolygon& p) {
    const FedVertex &a = p[0], &b = p[1], &c = p[2];
    const double x1 = b.x - a.x, y1 = b.y - a.y, x2 = c.x - a.x, y2 = c.y - a.y;
    const double s1 = b.s - a.s, s2 = c.s - a.s;
    const double det = x1 * y2 - x2 * y1;
    return std::atan2((x1 * s2 - x2 * s1) / det, (s1 * y2 - s2 * y1) / det) * 180 / M_PI;
}

double AngleDistance(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360 - d);
}

}  // namespace

// ------------------------------------------------------------------ sprites

TEST(SolarisTrail, AtDemoTime0Sprites0To29AreDrawn) {
    EXPECT_EQ(30, DrawnSprites(0));
    EXPECT_TRUE(ComputeSolarisSprite(0, 29).drawn);
    EXPECT_NEAR(-29 / 3.0, ComputeSolarisSprite(0, 29).z, 1e-5);
    EXPECT_EQ(-10.0f, ComputeSolarisSprite(0, 30).z);
    EXPECT_FALSE(ComputeSolarisSprite(0, 30).drawn);
    // Two units a second: 5 s on, 60 sprites lie in front of the far limit.
    EXPECT_EQ(60, DrawnSprites(5000));
    EXPECT_FLOAT_EQ(10.0f, ComputeSolarisSprite(5000, 0).z);
    // The loop's 10000 sprites last until about 1 660 000 ms.
    EXPECT_EQ(10000, DrawnSprites(1670000));
    EXPECT_LT(DrawnSprites(1640000), 10000);

    // Bend and brightness: (a, a^2, z) with a = z^2 / 20, weight 1 / distance^2.
    const Effekter::SolarisSprite s = ComputeSolarisSprite(0, 6);  // z = -2
    EXPECT_FLOAT_EQ(-2.0f, s.z);
    EXPECT_FLOAT_EQ(0.2f, s.a);
    EXPECT_NEAR(1.0 / (4 + 0.04 + 0.0016), s.weight, 1e-6);
    EXPECT_FLOAT_EQ(20.0f * 6 * 0.5f + 3000 * 0.005f, Effekter::SolarisSpin(3000, 6, 0.5f));
}

TEST(SolarisTrail, OneGeneratorValuePerSpriteInFrontOfTheFarLimit) {
    REQUIRE_GL();
    auto solaris = MakeSolaris(0, 0, 0);
    for (const uint32_t t : {0u, 5000u, 300000u}) {
        SCOPED_TRACE(t);
        // Sprites at or behind the eye are not drawn but use their value.
        const int drawn = DrawnSprites(t);
        const float next = ValueAfterSeed4(drawn);
        SeedRandom(999);
        solaris->Draw(t, 0.5f);
        EXPECT_EQ(next, RandomUnit());
    }
}

TEST(SolarisTrail, SpritesSitOnTheBentTrailTurnedByTheirOwnValues) {
    REQUIRE_GL();
    Solaris solaris(0, 1000000);
    // The trail draws in the projection it finds: one wide enough for all
    // of it, with the eye plane clipped as in the standard view.
    const double span = 30, near_plane = 0.1, far_plane = 100;
    const std::vector<FedPolygon> polygons = FeedbackPolygons(
        [&] {
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(-span * 4 / 3, span * 4 / 3, -span, span, near_plane, far_plane);
            glMatrixMode(GL_MODELVIEW);
            solaris.Draw(0, 0);
        },
        40000);
    ResetPerspective();
    // Title polygons are cut by the window edges; sprites lie whole inside.
    std::map<int, std::vector<const FedPolygon*>> sprites;  // by index i
    int title = 0;
    for (const FedPolygon& p : polygons) {
        const bool cut = std::any_of(p.begin(), p.end(),
                                     [](const FedVertex& v) { return v.s > 0.01f && v.s < 0.99f; });
        if (cut) {
            ++title;
            continue;
        }
        const double eye_z = -(p[0].z * (far_plane - near_plane) + near_plane);
        sprites[static_cast<int>(std::lround(-eye_z * 3))].push_back(&p);
    }
    EXPECT_GT(title, 0);
    // Sprite 0 sits in the eye plane and is clipped; 1 to 29 are drawn.
    ASSERT_EQ(29u, sprites.size());
    EXPECT_EQ(1, sprites.begin()->first);
    EXPECT_EQ(29, sprites.rbegin()->first);
    for (const auto& [i, list] : sprites) {
        SCOPED_TRACE(i);
        const Effekter::SolarisSprite s = ComputeSolarisSprite(0, i);
        // The sprite quad, two triangles; without a beat the glow's colour
        // is 0 and it is not drawn.
        EXPECT_EQ(2u, list.size());
        float left = 1e9f, right = -1e9f, bottom = 1e9f, top = -1e9f;
        for (const FedPolygon* p : list)
            for (const FedVertex& v : *p) {
                left = std::min(left, v.x);
                right = std::max(right, v.x);
                bottom = std::min(bottom, v.y);
                top = std::max(top, v.y);
            }
        EXPECT_NEAR(320 + s.a * 240 / span, (left + right) / 2, 0.05);
        EXPECT_NEAR(240 + s.a * s.a * 240 / span, (bottom + top) / 2, 0.05);
        // The sprite's colour is its weight.
        EXPECT_NEAR(std::min(1.0f, s.weight), (*list[0])[0].r, 1e-4);
        // Sprite i turns by 20 i r, r its own value of the generator.
        const double spin = 20.0 * i * ValueAfterSeed4(i);
        EXPECT_LT(AngleDistance(spin, TextureAngle(*list[0])), 0.05);
    }
}

// ---------------------------------------------------------------- pictures

TEST(SolarisPicture, ClearsTheFrameAndPrintsTheTitleByItsColour) {
    REQUIRE_GL();
    // Black pictures: the red drawn before is cleared, nothing else shows.
    auto dark = MakeSolaris(0, 0, 0);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    dark->Draw(1000, 0.5f);
    ExpectEverywhere(0, 0);
    ExpectFrameLoopState("Solaris");
    for (float c : CurrentColour()) EXPECT_EQ(1.0f, c);

    // White sprites saturate the window; a half grey title halves it.
    auto titled = MakeSolaris(255, 0, 128);
    ResetGlState();
    titled->Draw(1000, 0.0f);
    ExpectEverywhere(127, 2);
    ExpectFrameLoopState("Solaris");
}

TEST(SolarisPicture, TheGlowFollowsTheBeat) {
    REQUIRE_GL();
    auto glowing = MakeSolaris(0, 255, 0);
    glowing->Draw(1000, 0.0f);
    ExpectEverywhere(0, 0);
    ResetGlState();
    // With a beat the nearest sprite's glow (weight near 9) saturates.
    glowing->Draw(1000, 1.0f);
    EXPECT_GE(PixelAt(320, 240).r, 254);
    ExpectFrameLoopState("Solaris");
}

TEST(SolarisPicture, BrokenPicturesDrawTheirLayersUntextured) {
    REQUIRE_GL();
    for (BrokenPicture kind :
         {BrokenPicture::kMissing, BrokenPicture::kTruncated, BrokenPicture::kNotAnImage}) {
        SCOPED_TRACE(BrokenPictureName(kind));
        ScratchDir dir;
        for (const char* name : {"solaris1.jpg", "solaris2.jpg", "it.jpg"})
            WriteBrokenPicture(dir, std::string("data/solaris/") + name, kind);
        std::unique_ptr<Solaris> solaris;
        InDirectory(dir.path(), [&] { solaris = std::make_unique<Solaris>(0, 100000); });
        ResetGlState();
        solaris->Draw(2000, 0.7f);
        ExpectFrameLoopState("Solaris");
        // Untextured, the white title takes away everything the trail lit.
        if (kind != BrokenPicture::kTruncated) ExpectEverywhere(0, 0);
    }
}

TEST(SolarisPicture, TheBundledTrail) {
    REQUIRE_GL();
    Solaris solaris(0, 1000000);
    solaris.Draw(31000, 0.5f);
    MaybeSavePicture("solaris_31000");
    int lowest = 765, highest = 0;
    for (int y = 20; y < 480; y += 40)
        for (int x = 20; x < 640; x += 40) {
            const Rgba p = PixelAt(x, y);
            lowest = std::min(lowest, p.r + p.g + p.b);
            highest = std::max(highest, p.r + p.g + p.b);
        }
    EXPECT_GT(highest - lowest, 200);
    ExpectFrameLoopState("Solaris");
}

TEST(SolarisScript, TheKeywordTakesNoFurtherLines) {
    REQUIRE_GL();
    const LoadedScript loaded =
        LoadScriptText("music.ogg\n0\n1\nSolaris\n0\n30000\nFlashWhite\n0\n10\n");
    ASSERT_EQ("", loaded.failure);
    ASSERT_EQ(2u, loaded.effects.size());
    EXPECT_NE(nullptr, dynamic_cast<const Solaris*>(loaded.effects[0].get()));
}
