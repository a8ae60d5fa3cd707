// The render scale's arithmetic: the option, the sizes, the renderer rule,
// the automatic scale's steps and hysteresis, and the frame statistics of
// the overlay and the closing report. No GL.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "app/core/render_scale.h"
#include "app/live/frame_stats.h"
#include "render/drawing_buffer.h"

namespace {

TEST(RenderScale, OptionSizesRendererAndBudget) {
    const struct {
        const char* text;
        bool ok, automatic;
        float value;
    } options[] = {
        {"auto", true, true, 1.0f}, {"1", true, false, 1.0f},     {"1.0", true, false, 1.0f},
        {"0.5", true, false, 0.5f}, {"0.25", true, false, 0.25f}, {"0.2499", false, false, 0},
        {"0", false, false, 0},     {"2", false, false, 0},       {"1.0001", false, false, 0},
        {"abc", false, false, 0},   {"", false, false, 0},        {"0.5x", false, false, 0},
        {"nan", false, false, 0},   {"AUTO", false, false, 0},    {"-0.5", false, false, 0},
    };
    for (const auto& row : options) {
        RenderScale scale;
        EXPECT_EQ(ParseRenderScale(row.text, scale), row.ok) << row.text;
        if (!row.ok) continue;
        EXPECT_EQ(scale.automatic, row.automatic) << row.text;
        EXPECT_FLOAT_EQ(scale.value, row.value) << row.text;
    }
    RenderScale untouched;
    EXPECT_FALSE(ParseRenderScale(nullptr, untouched));

    const struct {
        int side;
        float scale;
        int scaled;
    } sides[] = {{1024, 0.5f, 512}, {768, 0.875f, 672}, {1024, 0.625f, 640}, {1366, 0.5f, 683},
                 {641, 0.5f, 321},  {1, 0.25f, 1},      {3, 0.25f, 1},       {1920, 1.0f, 1920}};
    for (const auto& row : sides)
        EXPECT_EQ(ScaledSide(row.side, row.scale), row.scaled) << row.side << " x " << row.scale;

    const struct {
        const char* renderer;
        bool software;
    } renderers[] = {{"llvmpipe (LLVM 15.0.6, 256 bits)", true},
                     {"softpipe", true},
                     {"Gallium 0.4 on SWRAST", true},
                     {"Software Rasterizer", true},
                     {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
                     {"NVIDIA GeForce GTX 1060/PCIe/SSE2", false},
                     {"", false},
                     {nullptr, false}};
    for (const auto& row : renderers)
        EXPECT_EQ(IsSoftwareRenderer(row.renderer), row.software)
            << (row.renderer ? row.renderer : "null");

    EXPECT_NEAR(FrameBudgetMs(60, true), 16.667, 0.001);
    EXPECT_NEAR(FrameBudgetMs(144, true), 6.944, 0.001);
    EXPECT_NEAR(FrameBudgetMs(0, true), 16.667, 0.001);     // rate unknown
    EXPECT_NEAR(FrameBudgetMs(144, false), 16.667, 0.001);  // no vertical sync
}

// A stretch of frames of one drawing time.
struct Frames {
    double ms;
    int count;
};

// Frames whose drawing time is `fill_ms` x scale^2 + `fixed_ms`, the way a
// fill-bound scene with some fixed cost behaves.
struct Scene {
    double fill_ms, fixed_ms;
    double seconds;
};

TEST(RenderScale, AutomaticScaleStepsAndHysteresis) {
    const double budget = 1000.0 / 60.0;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* what;
        std::vector<Frames> frames;
        float scale;  // after the frames
    } rows[] = {
        {"fits: stays at 1", {{10, 500}}, 1.0f},
        {"three slow frames are not enough", {{140, 3}}, 1.0f},
        {"far too slow: straight to the smallest level", {{140, 4}}, 0.5f},
        {"a little slow: to the level predicted to fit", {{20, 4}}, 0.75f},
        {"up to 1.1 x the budget: held", {{18.3, 40}}, 1.0f},
        {"just above 1.1 x: one step", {{18.4, 4}}, 0.875f},
        {"a few spikes among good frames do not move it",
         {{10, 5}, {60, 3}, {10, 5}, {60, 3}},
         1.0f},
        {"never below one half", {{500, 200}}, 0.5f},
        {"NaN times count as nothing", {{nan, 50}}, 1.0f},
        {"no headroom above: stays down",
         {{20, 4}, {11, 2000}},  // at 0.75, 11 ms predicts 15 ms at 0.875 (> 0.75 budget)
         0.75f},
        {"headroom: not before the hold time", {{140, 4}, {2, 700}}, 0.5f},
        {"headroom: one level per hold time", {{140, 4}, {2, 760}}, 0.625f},
        {"headroom: back to 1", {{140, 4}, {2, 4000}}, 1.0f},
    };
    for (const auto& row : rows) {
        AutoScale scale(budget);
        for (const Frames& f : row.frames)
            for (int i = 0; i < f.count; ++i) scale.AddFrame(f.ms);
        EXPECT_FLOAT_EQ(scale.Scale(), row.scale) << row.what;
    }

    // A scene that gets heavier right after a step up: the step is taken
    // back, and the next one waits twice as long (3 s instead of 1.5 s).
    const struct {
        double after_seconds;  // of light frames after the step was taken back
        float scale;
    } bounce[] = {{2.5, 0.5f}, {3.2, 0.625f}};
    for (const auto& row : bounce) {
        AutoScale scale(budget);
        for (int i = 0; i < 4; ++i) scale.AddFrame(140);  // down to 0.5
        while (scale.Scale() == 0.5f) scale.AddFrame(3);  // up to 0.625 after 1.5 s
        ASSERT_FLOAT_EQ(scale.Scale(), 0.625f);
        for (int i = 0; i < 4; ++i) scale.AddFrame(30);  // heavier: back down
        ASSERT_FLOAT_EQ(scale.Scale(), 0.5f);
        for (double t = 0; t < row.after_seconds * 1000; t += 3) scale.AddFrame(3);
        EXPECT_FLOAT_EQ(scale.Scale(), row.scale) << row.after_seconds << " s after";
    }

    // Scenes drawn with a cost that follows the scale: the scale settles
    // and does not pump (at most one change after the first second).
    const Scene scenes[] = {{30, 1, 20}, {60, 2, 20}, {12, 3, 20}, {200, 1, 20}};
    for (const Scene& scene : scenes) {
        AutoScale scale(budget);
        double t = 0;
        int late_changes = 0;
        while (t < scene.seconds * 1000) {
            const double s = scale.Scale();
            const double ms = scene.fill_ms * s * s + scene.fixed_ms;
            if (scale.AddFrame(ms) && t > 1000) ++late_changes;
            t += ms;
        }
        EXPECT_LE(late_changes, 1) << scene.fill_ms << " ms of fill";
        const double s = scale.Scale();
        const double settled = scene.fill_ms * s * s + scene.fixed_ms;
        EXPECT_TRUE(settled <= 1.1 * budget || s == 0.5f) << scene.fill_ms;
    }
}

TEST(RenderScale, FrameStatisticsAndSlowestStretches) {
    FrameStats stats(true);
    double t = 0;
    auto play = [&](double seconds, double fps, float scale) {
        for (const double end = t + seconds; t < end - 1e-9; t += 1.0 / fps)
            stats.AddFrame(t, scale);
    };
    play(20, 60, 1.0f);
    play(10, 20, 0.5f);
    play(12, 60, 0.75f);
    EXPECT_NEAR(stats.FramesPerSecond(), 60, 1);
    EXPECT_NEAR(stats.LatestMs(), 1000.0 / 60, 0.01);
    EXPECT_NEAR(stats.GraphCount(), 120, 1);
    const std::vector<FrameStats::Stretch> slowest = stats.SlowestStretches(3);
    ASSERT_EQ(slowest.size(), 3u);
    EXPECT_EQ(slowest[0].from_s, 20);
    EXPECT_EQ(slowest[0].to_s, 30);
    EXPECT_NEAR(slowest[0].frames_per_second, 20, 0.5);
    EXPECT_FLOAT_EQ(slowest[0].smallest_scale, 0.5f);
    EXPECT_FLOAT_EQ(slowest[0].largest_scale, 0.5f);
    for (size_t i = 1; i < slowest.size(); ++i) {
        EXPECT_GE(slowest[i].frames_per_second, slowest[i - 1].frames_per_second);
        for (size_t j = 0; j < i; ++j)
            EXPECT_TRUE(slowest[i].to_s <= slowest[j].from_s ||
                        slowest[j].to_s <= slowest[i].from_s)
                << "overlap";
    }
    const std::string report = stats.Report();
    EXPECT_NE(report.find("20-30 s: 20.0 fps at scale 0.5\n"), std::string::npos) << report;

    // Less than ten seconds of play: one stretch over the whole seconds.
    FrameStats brief(true);
    for (int i = 0; i <= 150; ++i) brief.AddFrame(i / 30.0, 1.0f);
    const std::vector<FrameStats::Stretch> one = brief.SlowestStretches(3);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].to_s, 5);
    EXPECT_NEAR(one[0].frames_per_second, 30, 0.5);
    EXPECT_TRUE(FrameStats(true).SlowestStretches(3).empty());
}

}  // namespace
