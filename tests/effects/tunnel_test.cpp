// Tunnel: the closing fade and its unsigned start, the clouds' brightness
// tent and the far limit at depth -15, the turns that add up from cloud to
// cloud (read back from the drawn quads), the landscape with its mirrored
// glow, the blend by source colour, the generator state and GL state it
// leaves, and broken pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "effects/image/tunnel.h"
#include "platform/random.h"
#include "render/gl_guards.h"
#include "support/effect_fixtures.h"
#include "support/gl_context.h"
#include "support/gl_state.h"
#include "support/script_loading.h"
#include "support/test_paths.h"

using Effekter::ComputeTunnelCloud;
using Effekter::ComputeTunnelFrame;
using Effekter::Tunnel;
using Effekter::TunnelFrame;

namespace {

// Eye z of a window depth under the standard perspective view.
double EyeZ(const FedVertex& v) {
    const double n = static_cast<double>(0.1f), f = 1000;
    return 2 * f * n / ((f - n) * (2.0 * v.z - 1) - (f + n));
}

// Brightness of a cloud at depth d: the tent of the effect.
double Tent(double d) { return d > -10 ? -d / 10 : 1 - (-d - 10) / 5; }

// Direction, in degrees, in which the texture's s grows across a drawn
// triangle of a quad facing the viewer: the quad's own x axis on screen.
double TextureAngle(const FedPolygon& p) {
    const FedVertex &a = p[0], &b = p[1], &c = p[2];
    const double x1 = b.x - a.x, y1 = b.y - a.y, x2 = c.x - a.x, y2 = c.y - a.y;
    const double s1 = b.s - a.s, s2 = c.s - a.s;
    const double det = x1 * y2 - x2 * y1;
    const double ds_dx = (s1 * y2 - s2 * y1) / det, ds_dy = (x1 * s2 - x2 * s1) / det;
    return std::atan2(ds_dy, ds_dx) * 180 / M_PI;
}

double AngleDistance(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360 - d);
}

// The drawn clouds of one frame, by depth rounded to a thousandth.
std::map<long, std::vector<FedPolygon>> CloudsByDepth(const std::vector<FedPolygon>& polygons) {
    std::map<long, std::vector<FedPolygon>> clouds;
    for (const FedPolygon& p : polygons) clouds[std::lround(EyeZ(p[0]) * 1000)].push_back(p);
    return clouds;
}

// A tunnel made from pictures written here (flat grey levels; -1 leaves the
// picture out).
std::unique_ptr<Tunnel> MakeTunnel(int start, int end, int clouds, int landscape, int glow) {
    ScratchDir dir;
    if (clouds >= 0) WriteFlatPicture(dir, "data/sky/clouds.jpg", clouds, clouds, clouds);
    if (landscape >= 0)
        WriteFlatPicture(dir, "data/sky/landskab1.jpg", landscape, landscape, landscape);
    if (glow >= 0) WriteFlatPicture(dir, "data/sky/landskab1_add.jpg", glow, glow, glow);
    std::unique_ptr<Tunnel> tunnel;
    InDirectory(dir.path(), [&] { tunnel = std::make_unique<Tunnel>(start, end); });
    return tunnel;
}

}  // namespace

// ------------------------------------------------------------ frame numbers

TEST(TunnelFrame, TheLast15SecondsFadeTheLandscapeInAndTheCloudsOut) {
    // Window 10 s to 70 s: the closing phase starts at 55 s.
    TunnelFrame f = ComputeTunnelFrame(55000, 0.5f, 10000, 70000);
    EXPECT_FALSE(f.landscape);
    EXPECT_EQ(0.0f, f.fade);
    EXPECT_FLOAT_EQ(1.625f, f.cloud_scale);
    EXPECT_FLOAT_EQ(225.0f, f.turn);  // 45 s at 5 degrees a second
    EXPECT_FLOAT_EQ(450.0f, f.depth_offset);
    EXPECT_FLOAT_EQ(0.00625f, f.lift);

    f = ComputeTunnelFrame(55001, 0.5f, 10000, 70000);
    EXPECT_TRUE(f.landscape);
    EXPECT_NEAR(0.9 / 10000, f.fade, 1e-7);

    f = ComputeTunnelFrame(65000, 0.5f, 10000, 70000);
    EXPECT_TRUE(f.landscape);
    EXPECT_FLOAT_EQ(0.9f, f.fade);
    EXPECT_FLOAT_EQ(0.1f * 1.625f, f.cloud_scale);
    EXPECT_FLOAT_EQ(1.5f, f.landscape_half);
    EXPECT_FLOAT_EQ(-1.9f, f.landscape_z);
    EXPECT_FLOAT_EQ(0.9f * 0.5f * 0.125f, f.glow_grey);

    f = ComputeTunnelFrame(69999, 1.0f, 10000, 70000);
    EXPECT_FLOAT_EQ(0.9f, f.fade);  // clamped after 10 s
    EXPECT_FLOAT_EQ(1.0f + 14999 * 0.00005f, f.landscape_half);
}

TEST(TunnelFrame, AnEndBefore15SecondsWrapsAndNeverCloses) {
    for (const uint32_t end : {1u, 10000u, 14999u}) {
        for (const uint32_t t : {0u, end / 2, end - 1}) {
            SCOPED_TRACE(std::to_string(end) + " " + std::to_string(t));
            const TunnelFrame f = ComputeTunnelFrame(t, 0.5f, 0, end);
            EXPECT_FALSE(f.landscape);
            EXPECT_EQ(0.0f, f.fade);
            EXPECT_FLOAT_EQ(1.625f, f.cloud_scale);
            EXPECT_TRUE(std::isfinite(f.landscape_half) && std::isfinite(f.landscape_z));
        }
    }
    // At exactly 15 s the closing phase is the whole window.
    const TunnelFrame f = ComputeTunnelFrame(5000, 0, 0, 15000);
    EXPECT_TRUE(f.landscape);
    EXPECT_FLOAT_EQ(0.45f, f.fade);
}

TEST(TunnelCloud, BrightnessIsATentAndCloudsFromDepth15OnAreSkipped) {
    const float K = 1.625f;
    auto cloud = [&](int n, float offset) {
        return ComputeTunnelCloud(n, offset, K, 0.3f, 0.7f, 0.01f, 0.43f, 0.17f);
    };
    EXPECT_FALSE(cloud(1000, 985).drawn);  // d = -15 exactly
    EXPECT_EQ(0.0f, cloud(1000, 985).colour);
    EXPECT_TRUE(cloud(1000, 985.5f).drawn);
    EXPECT_FLOAT_EQ(0.1f * K, cloud(1000, 985.5f).colour);
    EXPECT_FLOAT_EQ(K, cloud(10, 0).colour);  // d = -10: full strength
    EXPECT_FLOAT_EQ(0.5f * K, cloud(5, 0).colour);
    EXPECT_FLOAT_EQ(0.1f * K, cloud(1, 0).colour);
    EXPECT_EQ(0.0f, cloud(1, 1).colour);          // at the eye
    EXPECT_LT(cloud(1, 2).colour, 0.0f);          // behind it
    const Effekter::TunnelCloud c = cloud(7, 2);  // d = -5
    EXPECT_FLOAT_EQ(-5.0f, c.depth);
    EXPECT_FLOAT_EQ(0.17f * -5.0f, c.x);
    EXPECT_FLOAT_EQ(0.43f * std::sin(0.01f * -5.0f), c.y);
    EXPECT_FLOAT_EQ(10.0f * std::sin(7 * 0.3f) * std::cos(7 * 0.7f), c.turn);
}

// ------------------------------------------------------------------ drawing

TEST(TunnelDraw, DrawsTheCloudsInFrontOfDepth15AndNoneBehindTheEye) {
    REQUIRE_GL();
    Tunnel tunnel(0, 200000);
    struct Case {
        uint32_t t;
        std::vector<double> depths;
    };
    std::vector<double> whole, half;
    for (int d = 1; d <= 14; ++d) whole.push_back(-d);
    for (int d = 0; d <= 14; ++d) half.push_back(-d - 0.5);
    // At 0 ms the cloud at -15 is skipped; 50 ms on it is at -14.5 and
    // drawn. After 100 s every cloud has passed the eye.
    for (const Case& c : {Case{0, whole}, Case{50, half}, Case{100000, {}}}) {
        SCOPED_TRACE(c.t);
        const float beat = 0.5f;
        const auto clouds = CloudsByDepth(FeedbackPolygons([&] { tunnel.Draw(c.t, beat); }, 20000));
        ASSERT_EQ(c.depths.size(), clouds.size());
        auto expected = c.depths.rbegin();
        for (const auto& [depth, polygons] : clouds) {
            EXPECT_NEAR(*expected, depth / 1000.0, 0.002);
            const double colour = std::min(1.0, Tent(*expected) * (beat + 1.125));
            for (const FedPolygon& p : polygons) EXPECT_NEAR(colour, p[0].r, 1e-4);
            ++expected;
        }
    }
    ExpectFrameLoopState("Tunnel");
}

TEST(TunnelDraw, EachCloudTurnsTheNextOnesFurther) {
    REQUIRE_GL();
    Tunnel tunnel(0, 200000);
    SeedRandom(1234);
    const float r1 = RandomUnit(), r2 = RandomUnit();
    SeedRandom(1234);
    // 2 s in: the tunnel has turned by 10 degrees; clouds 21 to 34 are drawn.
    const auto clouds = CloudsByDepth(FeedbackPolygons([&] { tunnel.Draw(2000, 0); }, 20000));
    ASSERT_EQ(14u, clouds.size());
    for (const auto& [depth, polygons] : clouds) {
        const int n = static_cast<int>(std::lround(20 - depth / 1000.0));
        double expected = 10;
        for (int k = 1000; k >= n; --k)
            expected +=
                10.0f * std::sin(static_cast<float>(k) * r1) * std::cos(static_cast<float>(k) * r2);
        for (const FedPolygon& p : polygons)
            EXPECT_LT(AngleDistance(expected, TextureAngle(p)), 0.05) << "cloud " << n;
    }
}

TEST(TunnelDraw, TheClosingLandscapeLiesUnderTheCloudsWithItsGlowMirrored) {
    REQUIRE_GL();
    Tunnel tunnel(0, 30000);
    const float beat = 0.8f;
    // 10 s into the closing phase.
    const std::vector<FedPolygon> polygons =
        FeedbackPolygons([&] { tunnel.Draw(25000, beat); }, 20000);
    int landscape = 0, glow = 0, clouds = 0;
    for (const FedPolygon& p : polygons) {
        const float c = p[0].r;
        if (std::fabs(c - 0.9f) < 1e-4) {
            ++landscape;
            for (const FedVertex& v : p) EXPECT_GE(v.t, 0.0f);
        } else if (std::fabs(c - 0.9f * beat * 0.125f) < 1e-4 && p[0].t <= 0) {
            ++glow;
            for (const FedVertex& v : p) EXPECT_LE(v.t, 0.0f);  // mirrored
            // Half size 1.5: the window shows the middle two thirds.
            for (const FedVertex& v : p) EXPECT_GE(v.t, -5.0f / 6 - 1e-4);
        } else {
            ++clouds;
            EXPECT_LE(c, 0.1f * (beat + 1.125f) + 1e-4);
        }
    }
    EXPECT_GT(landscape, 0);
    EXPECT_GT(glow, 0);
    EXPECT_GT(clouds, 0);
    // The landscape comes first, beneath everything.
    EXPECT_NEAR(0.9f, polygons.front()[0].r, 1e-4);
    ExpectFrameLoopState("Tunnel closing");

    // An end before 15 s: no landscape, finite colours.
    Tunnel short_tunnel(0, 10000);
    for (const FedPolygon& p : FeedbackPolygons([&] { short_tunnel.Draw(5000, 0.5f); }, 20000)) {
        EXPECT_TRUE(std::isfinite(p[0].r));
        EXPECT_GT(EyeZ(p[0]), -15.0);  // clouds only, in perspective
    }
}

TEST(TunnelDraw, LeavesTheGeneratorAfter89AndTheLastCloudsColour) {
    REQUIRE_GL();
    Tunnel tunnel(0, 200000);
    SeedRandom(89);
    NextRandom();
    NextRandom();
    NextRandom();
    const int fourth = NextRandom();
    SeedRandom(55);
    tunnel.Draw(0, 0.5f);
    EXPECT_EQ(fourth, NextRandom());
    ExpectFrameLoopState("Tunnel");
    // The nearest cloud, at -1: a tenth of 1.625.
    for (float c : CurrentColour()) EXPECT_FLOAT_EQ(0.1625f, c);
}

// ---------------------------------------------------------------- pictures

TEST(TunnelPicture, CloudsCoverBySourceColour) {
    REQUIRE_GL();
    auto tunnel = MakeTunnel(0, 200000, 255, 0, 0);
    tunnel->Draw(0, 0);
    // Every cloud covers the middle: v = c^2 + v (1 - c), farthest first.
    double v = 0;
    for (int d = -14; d <= -1; ++d) {
        const double c = std::min(1.0, Tent(d) * 1.125);
        v = c * c + v * (1 - c);
    }
    EXPECT_NEAR(255 * v, PixelAt(320, 240).r, 4);
    ExpectFrameLoopState("Tunnel");
}

TEST(TunnelPicture, BrokenPicturesDrawTheirLayersUntextured) {
    REQUIRE_GL();
    // What white pictures give in the closing phase, with a beat.
    auto white = MakeTunnel(0, 30000, 255, 255, 255);
    white->Draw(26000, 0.9f);
    const Rgba reference = PixelAt(320, 240);
    for (BrokenPicture kind :
         {BrokenPicture::kMissing, BrokenPicture::kTruncated, BrokenPicture::kNotAnImage}) {
        SCOPED_TRACE(BrokenPictureName(kind));
        ScratchDir dir;
        for (const char* name : {"clouds.jpg", "landskab1.jpg", "landskab1_add.jpg"})
            WriteBrokenPicture(dir, std::string("data/sky/") + name, kind);
        std::unique_ptr<Tunnel> tunnel;
        InDirectory(dir.path(), [&] { tunnel = std::make_unique<Tunnel>(0, 30000); });
        ResetGlState();
        tunnel->Draw(26000, 0.9f);
        ExpectFrameLoopState("Tunnel");
        if (kind == BrokenPicture::kTruncated) continue;  // whatever half a file decodes to
        EXPECT_NEAR(reference.r, PixelAt(320, 240).r, 2);
    }
}

TEST(TunnelPicture, TheBundledCloudsAndLandscape) {
    REQUIRE_GL();
    Tunnel tunnel(0, 60000);
    for (const uint32_t t : {8000u, 55000u}) {
        ResetGlState();
        tunnel.Draw(t, 0.6f);
        MaybeSavePicture("tunnel_" + std::to_string(t));
        int lowest = 765, highest = 0;
        for (int y = 20; y < 480; y += 60)
            for (int x = 20; x < 640; x += 60) {
                const Rgba p = PixelAt(x, y);
                lowest = std::min(lowest, p.r + p.g + p.b);
                highest = std::max(highest, p.r + p.g + p.b);
            }
        EXPECT_GT(highest - lowest, 60) << t;  // a picture, not a flat colour
        ExpectFrameLoopState("Tunnel");
    }
}

TEST(TunnelScript, TheKeywordTakesNoFurtherLines) {
    REQUIRE_GL();
    const LoadedScript loaded =
        LoadScriptText("music.ogg\n0\n1\nTunnel\n0\n30000\nFlashWhite\n0\n10\n");
    ASSERT_EQ("", loaded.failure);
    ASSERT_EQ(2u, loaded.effects.size());
    EXPECT_NE(nullptr, dynamic_cast<const Tunnel*>(loaded.effects[0].get()));
}
