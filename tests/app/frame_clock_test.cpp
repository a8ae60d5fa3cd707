// Demo time, beat level, dispatch and seeking: the arithmetic of one frame.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "app/offline/capture.h"
#include "app/core/frame_clock.h"
#include "app/options.h"

namespace {

TEST(DemoTime, TruncatesAndAddsTheOffsetAsMilliseconds) {
    EXPECT_EQ(DemoTime(0.0, 0), 0u);
    EXPECT_EQ(DemoTime(1.2349, 0), 1234u);
    EXPECT_EQ(DemoTime(5.0, 5), 5005u);  // music started 5 s in, offset 5 ms
    EXPECT_EQ(DemoTime(0.0009, 7), 7u);
    // 32-bit wrap-around of both the product and the sum.
    EXPECT_EQ(DemoTime(4294968.0, 0), 704u);
    EXPECT_EQ(DemoTime(4294968.0, 4294967295u), 703u);
    EXPECT_EQ(DemoTime(0.0, 4294967295u), 4294967295u);
    // Nonsense positions count as 0 instead of tripping undefined behaviour.
    EXPECT_EQ(DemoTime(std::numeric_limits<double>::quiet_NaN(), 3), 3u);
    EXPECT_EQ(DemoTime(std::numeric_limits<double>::infinity(), 3), 3u);
    EXPECT_EQ(DemoTime(1e300, 3), 3u);
}

std::vector<float> SpectrumWithSum(float sum) {
    std::vector<float> s(kSpectrumBins, 0.0f);
    s[0] = sum / 2;
    s[15] = sum / 2;
    s[16] = 100.0f;  // beyond the first 16: ignored
    return s;
}

TEST(BeatLevel, SixthPowerClampedAtOne) {
    EXPECT_EQ(BeatLevel(SpectrumWithSum(0).data()), 0.0f);
    EXPECT_FLOAT_EQ(BeatLevel(SpectrumWithSum(0.5f).data()), 0.015625f);
    EXPECT_EQ(BeatLevel(SpectrumWithSum(1.0f).data()), 1.0f);
    EXPECT_EQ(BeatLevel(SpectrumWithSum(3.0f).data()), 1.0f);
    std::vector<float> nan(kSpectrumBins, 0.0f);
    nan[3] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(std::isnan(BeatLevel(nan.data())));
}

// Records the times it was drawn at.
struct Recorder : Effekt {
    Recorder(int s, int e, std::vector<std::pair<int, uint32_t>>* log, int id)
        : Effekt(s, e), log_(log), id_(id) {}
    void Draw(uint32_t t, float) override { log_->push_back({id_, t}); }
    std::vector<std::pair<int, uint32_t>>* log_;
    int id_;
};

TEST(DrawActiveEffects, StrictWindowsInListOrder) {
    std::vector<std::pair<int, uint32_t>> log;
    EffectList effects;
    effects.push_back(std::make_unique<Recorder>(1000, 2000, &log, 0));
    effects.push_back(std::make_unique<Recorder>(1500, 3000, &log, 1));
    effects.push_back(std::make_unique<Recorder>(-1, 5, &log, 2));  // starts at 2^32 - 1
    for (uint32_t t : {1000u, 1001u, 1600u, 1999u, 2000u, 3000u}) DrawActiveEffects(effects, t, 0);
    const std::vector<std::pair<int, uint32_t>> expected = {{0, 1001}, {0, 1600}, {1, 1600},
                                                            {0, 1999}, {1, 1999}, {1, 2000}};
    EXPECT_EQ(log, expected);
}

struct FakeMusic : MusicClock {
    double position = 10.0;
    std::vector<double> sets;
    void Play() override {}
    double Position() const override { return position; }
    void SetPosition(double s) override {
        sets.push_back(s);
        position = s;
    }
    void Spectrum(float*) override {}
};

TEST(ApplySeeks, ForwardThenBack) {
    FakeMusic music;
    ApplySeeks(music, true, true);
    EXPECT_EQ(music.sets, (std::vector<double>{11.0, 10.0}));
    ApplySeeks(music, false, false);
    EXPECT_EQ(music.sets.size(), 2u);
    for (int i = 0; i < 3; ++i) ApplySeeks(music, true, false);
    EXPECT_DOUBLE_EQ(music.position, 13.0);
}

TEST(Capture, FrameTimesAndCounts) {
    EXPECT_EQ(CaptureFrameCount({11000, 11000, 60}), 1u);
    EXPECT_EQ(CaptureFrameCount({0, 1000, 60}), 61u);
    EXPECT_EQ(CaptureFrameCount({0, 999, 60}), 60u);
    EXPECT_EQ(CaptureFrameCount({0, 100, 60}), 7u);
    EXPECT_EQ(CaptureFrameCount({5, 4, 60}), 0u);
    EXPECT_EQ(CaptureFrameCount({0, 4294967295u, 1000}), 4294967296u);
    EXPECT_EQ(CaptureFrameTime({100, 200, 60}, 0), 100u);
    EXPECT_EQ(CaptureFrameTime({100, 200, 60}, 1), 116u);
    EXPECT_EQ(CaptureFrameTime({100, 200, 60}, 3), 150u);
    // The position at which a demo time is heard inverts the demo time.
    for (uint32_t t : {5u, 5005u, 123456u}) EXPECT_EQ(DemoTime(CapturePosition(t, 5), 5), t);
}

// The default end of a capture: where the show can be seen to end within
// the music, never billions of milliseconds away.
TEST(Capture, DefaultEndIsTheLastEntryTheMusicReaches) {
    EffectList effects;
    effects.push_back(std::make_unique<Effekter::Overlays>(0, 20000));
    effects.push_back(std::make_unique<Effekter::Overlays>(15000, 60000));
    // An entry past the music's 90 s is never seen; it does not count.
    effects.push_back(std::make_unique<Effekter::Overlays>(95000, 99000));
    CaptureEnd end = DefaultCaptureEnd(effects, 0, 0, 90000);
    EXPECT_EQ(end.to, 60000u);
    EXPECT_FALSE(end.music_ends || end.capped);

    // A negative end time reads as 2^32 - 100: the capture stops where the
    // music does, the last demo time it reaches.
    effects.push_back(std::make_unique<Effekter::Overlays>(40000, -100));
    end = DefaultCaptureEnd(effects, 0, 0, 90000);
    EXPECT_EQ(end.to, 89999u);
    EXPECT_TRUE(end.music_ends);
    // With a start offset the music reaches N .. N + length - 1.
    end = DefaultCaptureEnd(effects, 5005, 5, 90000);
    EXPECT_EQ(end.to, 90004u);
    // Last drawn at the music's last time: it does not run on past the music.
    EffectList exact;
    exact.push_back(std::make_unique<Effekter::Overlays>(0, 90000));
    end = DefaultCaptureEnd(exact, 0, 0, 90000);
    EXPECT_EQ(end.to, 89999u);
    EXPECT_FALSE(end.music_ends);

    // Music of unknown length: at most ten minutes after the start.
    end = DefaultCaptureEnd(effects, 1000, 0, 0);
    EXPECT_EQ(end.to, 1000u + kCaptureCapMs);
    EXPECT_TRUE(end.capped);
    effects.pop_back();
    end = DefaultCaptureEnd(effects, 1000, 0, 0);
    EXPECT_EQ(end.to, 99000u);  // every entry counts, none is too long
    EXPECT_FALSE(end.capped);

    // An offset near the end of the demo times wraps: the music reaches
    // 2^32 - 100 .. 2^32 - 1, then 0 .. 89899.
    end = DefaultCaptureEnd(effects, 0, static_cast<uint32_t>(-100), 90000);
    EXPECT_EQ(end.to, 60000u);
    // Entries that are never drawn (empty windows) or nothing at all: `from`.
    EffectList never;
    never.push_back(std::make_unique<Effekter::Overlays>(500, 501));
    EXPECT_EQ(DefaultCaptureEnd(never, 700, 0, 90000).to, 700u);
    EXPECT_EQ(DefaultCaptureEnd(EffectList{}, 700, 0, 90000).to, 700u);
    // The cap never wraps past the last demo time.
    never.push_back(std::make_unique<Effekter::Overlays>(0, -1));
    EXPECT_EQ(DefaultCaptureEnd(never, 4294967000u, 0, 0).to, 4294967295u);
}

// Where an EndDemo entry ends the show between 1000 and 5000 (a loop over
// it goes back there, a capture ends before it): the first such entry
// counts; one first drawn at 1000 or 5000, or never drawn, does not.
TEST(FirstEndOfShow, FirstTimeAnEndDemoEntryIsDrawnInBetween) {
    const struct {
        uint32_t start, end, also;  // EndDemo entries (also = 0: none)
        uint32_t first;             // 0: none
    } cases[] = {{3000, 4000, 0, 3001}, {999, 4000, 0, 0},       {1000, 4000, 0, 1001},
                 {4999, 6000, 0, 0},    {4998, 6000, 0, 4999},   {3000, 3001, 0, 0},
                 {6000, 7000, 0, 0},    {4000, 9000, 2000, 2001}};
    for (const auto& c : cases) {
        EffectList effects;
        effects.push_back(std::make_unique<Effekter::Overlays>(2000, 2500));
        effects.push_back(std::make_unique<Effekter::EndDemo>(c.start, c.end));
        if (c.also) effects.push_back(std::make_unique<Effekter::EndDemo>(c.also, 9000));
        EXPECT_EQ(FirstEndOfShow(effects, 1000, 5000).value_or(0), c.first) << c.start;
    }
}

TEST(Options, ParsesAndRejects) {
    Options o;
    std::string error;
    const char* good[] = {"demo",  "--no-dialog", "--windowed", "--size", "800x600", "--capture",
                          "out",   "--fps",       "30",         "--from", "11000",   "--to",
                          "12000", "--scale",     "0.5",        "--stats"};
    ASSERT_TRUE(ParseOptions(16, good, o, error)) << error;
    EXPECT_FLOAT_EQ(o.scale->value, 0.5f);
    EXPECT_FALSE(o.scale->automatic);
    EXPECT_TRUE(o.stats);
    EXPECT_TRUE(o.no_dialog && o.windowed);
    EXPECT_EQ(*o.width, 800);
    EXPECT_EQ(*o.height, 600);
    EXPECT_EQ(*o.capture_dir, "out");
    EXPECT_EQ(o.fps, 30);
    EXPECT_EQ(*o.from_ms, 11000u);
    EXPECT_EQ(*o.to_ms, 12000u);

    const std::vector<std::vector<const char*>> bad = {
        {"demo", "--size"},          {"demo", "--size", "800"},
        {"demo", "--size", "0x600"}, {"demo", "--size", "8x6x"},
        {"demo", "--fps", "0"},      {"demo", "--fps", "ten"},
        {"demo", "--from", "-1"},    {"demo", "--to", "99999999999"},
        {"demo", "--capture"},       {"demo", "--bogus"},
        {"demo", "--scale", "0"},    {"demo", "--scale", "2"},
        {"demo", "--scale", "abc"},  {"demo", "--scale"}};
    // Negative numbers, numbers past their type, absurd frame rates and sizes.
    const std::vector<std::vector<const char*>> absurd = {
        {"demo", "--size", "-800x600"}, {"demo", "--size", "20000x600"},
        {"demo", "--fps", "100000"},    {"demo", "--fps", "-60"},
        {"demo", "--to", "4294967296"}, {"demo", "--start", "-5"},
        {"demo", "--from", "1e400"},    {"demo", "--loop", "0:4294967296"},
        {"demo", "--scale", "-0.5"},    {"demo", "--scale", "1e999"}};
    for (const auto* list : {&bad, &absurd})
        for (const auto& args : *list) {
            Options x;
            EXPECT_FALSE(ParseOptions(static_cast<int>(args.size()), args.data(), x, error))
                << args.back();
            // The message names the option.
            EXPECT_NE(error.find(args[1]), std::string::npos) << error;
        }
}

}  // namespace
