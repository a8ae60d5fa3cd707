// Start, pause and loop arithmetic, the authoring options, and the routing
// of window events to the tweak panel. No GL, no sound device.
#include "app/live/playback.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/live/panel_input.h"

namespace {

// A music clock the test moves by hand: Advance() plays, unless paused.
class HandClock : public MusicClock {
public:
    void Play() override { position_ = 0; }
    double Position() const override { return position_; }
    void SetPosition(double seconds) override {
        position_ = seconds < 0 ? 0 : std::fmod(seconds, length_);
        ++seeks_;
    }
    void Spectrum(float out[kSpectrumBins]) override {
        for (int i = 0; i < kSpectrumBins; ++i) out[i] = 0;
    }
    void SetPaused(bool paused) override { paused_ = paused; }

    void Advance(double seconds) {
        if (!paused_) position_ = std::fmod(position_ + seconds, length_);
    }
    void SetLength(double seconds) { length_ = seconds; }
    bool paused() const { return paused_; }
    int seeks() const { return seeks_; }

private:
    double position_ = 0;
    double length_ = 1e9;
    bool paused_ = false;
    int seeks_ = 0;
};

PlaybackKeys Keys(bool forward, bool back, bool pause) {
    PlaybackKeys keys;
    keys.forward = forward;
    keys.back = back;
    keys.pause = pause;
    return keys;
}

TEST(MusicPosition, DemoTimeIsHeardAtItsOffsetFromTheStartOffset) {
    EXPECT_DOUBLE_EQ(0.0, MusicPositionFor(0, 0));
    EXPECT_DOUBLE_EQ(23.22, MusicPositionFor(23220, 0));
    // t = trunc(position x 1000) + N: N counts as milliseconds here.
    EXPECT_DOUBLE_EQ(1.0, MusicPositionFor(6000, 5000));
    // Before the offset the music has nothing: its start.
    EXPECT_DOUBLE_EQ(0.0, MusicPositionFor(4999, 5000));
    EXPECT_DOUBLE_EQ(4294967.295, MusicPositionFor(UINT32_MAX, 0));
}

TEST(LoopJump, BackToTheStartAtTheEndOfTheRange) {
    const LoopRange loop{1000, 2000};
    EXPECT_FALSE(LoopJump(loop, 1500, 1999, false));
    EXPECT_EQ(1000u, *LoopJump(loop, 1990, 2000, false));
    EXPECT_EQ(1000u, *LoopJump(loop, 1990, 2500, false));
    // Past TO by a seek of the viewer's: back to FROM as well.
    EXPECT_EQ(1000u, *LoopJump(loop, 1990, 2990, true));
    // Before FROM (a seek back out of the range, or the start): left alone
    // until TO comes round.
    EXPECT_FALSE(LoopJump(loop, 1200, 200, true));
    EXPECT_FALSE(LoopJump(loop, 100, 150, false));
    EXPECT_FALSE(LoopJump(loop, 900, 1000, false));
}

TEST(LoopJump, MusicWrappingInsideTheRangeGoesBackToTheStart) {
    // The track ends at demo time 1800, before TO: the time falls to 0.
    const LoopRange loop{1000, 2000};
    EXPECT_EQ(1000u, *LoopJump(loop, 1795, 3, false));
    // The same fall made by the viewer is theirs.
    EXPECT_FALSE(LoopJump(loop, 1795, 795, true));
    // A fall from outside the range is not the loop's business.
    EXPECT_FALSE(LoopJump(loop, 900, 3, false));
}

TEST(Playback, WithoutOptionsItIsTheShowsOwnClock) {
    HandClock music;
    Playback playback(music, 0, std::nullopt, false);
    music.Advance(1.5);
    EXPECT_EQ(1500u, playback.Frame(Keys(false, false, false)));
    // Space does nothing in a plain show.
    EXPECT_EQ(1500u, playback.Frame(Keys(false, false, true)));
    EXPECT_FALSE(playback.Paused());
    music.Advance(0.25);
    EXPECT_EQ(1750u, playback.Frame(Keys(false, false, false)));
    // Seeks: forward then back, one second each.
    EXPECT_EQ(2750u, playback.Frame(Keys(true, false, false)));
    EXPECT_EQ(1750u, playback.Frame(Keys(false, true, false)));
    EXPECT_EQ(1750u, playback.Frame(Keys(true, true, false)));
}

TEST(Playback, StartsAtTheGivenDemoTime) {
    HandClock music;
    Playback playback(music, 3000, std::nullopt, true);
    playback.StartAt(40000);
    EXPECT_DOUBLE_EQ(37.0, music.Position());
    EXPECT_EQ(40000u, playback.Frame(Keys(false, false, false)));
}

TEST(Playback, PauseHoldsTheDemoTimeAndSeeksStillMoveIt) {
    HandClock music;
    Playback playback(music, 0, std::nullopt, true);
    music.Advance(10);
    EXPECT_EQ(10000u, playback.Frame(Keys(false, false, true)));
    EXPECT_TRUE(playback.Paused());
    EXPECT_TRUE(music.paused());
    music.Advance(5);  // time passes, the music does not
    EXPECT_EQ(10000u, playback.Frame(Keys(false, false, false)));
    EXPECT_EQ(11000u, playback.Frame(Keys(true, false, false)));
    EXPECT_EQ(11000u, playback.Frame(Keys(false, false, false)));
    // Resumed: on from where it stood.
    EXPECT_EQ(11000u, playback.Frame(Keys(false, false, true)));
    EXPECT_FALSE(music.paused());
    music.Advance(0.5);
    EXPECT_EQ(11500u, playback.Frame(Keys(false, false, false)));
}

TEST(Playback, LoopPlaysTheRangeOverAndOver) {
    HandClock music;
    const LoopRange loop{20000, 22000};
    Playback playback(music, 0, loop, true);
    playback.StartAt(loop.from);
    std::vector<uint32_t> times;
    for (int i = 0; i < 50; ++i) {
        times.push_back(playback.Frame(Keys(false, false, false)));
        music.Advance(0.1);
    }
    for (uint32_t t : times) {
        EXPECT_GE(t, 20000u);
        EXPECT_LT(t, 22000u);
    }
    // 2 s of range at 0.1 s a frame: the frame that reaches TO shows FROM.
    EXPECT_EQ(20000u, times[20]);
    EXPECT_EQ(21900u, times[19]);
    EXPECT_EQ(20000u, times[40]);

    // Pausing inside the loop holds; seeking past TO comes back to FROM.
    EXPECT_EQ(21000u, playback.Frame(Keys(false, false, true)));
    EXPECT_EQ(20000u, playback.Frame(Keys(true, false, false)));
    EXPECT_EQ(20000u, playback.Frame(Keys(false, false, false)));
}

TEST(Playback, LoopLongerThanTheMusicStartsOverAtFrom) {
    HandClock music;
    music.SetLength(30.0);  // the track wraps at demo time 30000
    const LoopRange loop{25000, 40000};
    Playback playback(music, 0, loop, true);
    playback.StartAt(loop.from);
    uint32_t t = 0;
    for (int i = 0; i < 60; ++i) {
        t = playback.Frame(Keys(false, false, false));
        EXPECT_GE(t, 25000u);
        music.Advance(0.1);
    }
    EXPECT_LT(t, 30000u);
}

TEST(Options, AuthoringOptions) {
    Options options;
    std::string error;
    const char* args[] = {"demo", "--tweak", "--watch", "--start", "23220", "--loop", "1000:2500"};
    ASSERT_TRUE(ParseOptions(7, args, options, error)) << error;
    EXPECT_TRUE(options.tweak);
    EXPECT_TRUE(options.watch);
    EXPECT_EQ(23220u, *options.start_ms);
    EXPECT_EQ(1000u, options.loop->from);
    EXPECT_EQ(2500u, options.loop->to);
    EXPECT_TRUE(options.Authoring());

    Options plain;
    const char* none[] = {"demo", "--no-dialog"};
    ASSERT_TRUE(ParseOptions(2, none, plain, error));
    EXPECT_FALSE(plain.Authoring());

    LoopRange range;
    EXPECT_FALSE(ParseLoopRange("2000:1000", range));
    EXPECT_FALSE(ParseLoopRange("1000:1000", range));
    EXPECT_FALSE(ParseLoopRange("1000", range));
    EXPECT_FALSE(ParseLoopRange("-5:10", range));
    EXPECT_FALSE(ParseLoopRange("a:b", range));
    EXPECT_FALSE(ParseLoopRange(":10", range));
    EXPECT_FALSE(ParseLoopRange("1:4294967296", range));
    EXPECT_FALSE(ParseLoopRange(nullptr, range));
    EXPECT_TRUE(ParseLoopRange("0:4294967295", range));

    const char* bad_loop[] = {"demo", "--loop", "5:1"};
    Options o1;
    EXPECT_FALSE(ParseOptions(3, bad_loop, o1, error));
    EXPECT_NE(std::string::npos, error.find("--loop")) << error;
    const char* bad_start[] = {"demo", "--start"};
    Options o2;
    EXPECT_FALSE(ParseOptions(2, bad_start, o2, error));
    EXPECT_NE(std::string::npos, error.find("--start")) << error;
}

TEST(Options, HelpNamesEveryKeyAndOption) {
    const std::string help = UsageText();
    for (const char* word : {"--tweak", "--watch", "--start MS", "--loop FROM:TO", "Space", "F1",
                             "Ctrl+S", "Escape", "arrows"})
        EXPECT_NE(std::string::npos, help.find(word)) << word;
}

SDL_Event Key(Uint8 type, SDLKey key) {
    SDL_Event event{};
    event.type = type;
    event.key.type = type;
    event.key.keysym.sym = key;
    return event;
}

TEST(PanelRouting, KeysGoToThePanelOnlyWhileItWantsThem) {
    const SDL_Event space_up = Key(SDL_KEYUP, SDLK_SPACE);
    const SDL_Event digit_down = Key(SDL_KEYDOWN, SDLK_1);

    // Pointer away from the panel: the show's keys work, and releases still
    // reach the panel so no key sticks there.
    PanelRoute r = RoutePanelEvent(space_up, true, false);
    EXPECT_FALSE(r.used_up);
    EXPECT_TRUE(r.to_panel);
    r = RoutePanelEvent(digit_down, true, false);
    EXPECT_FALSE(r.used_up);
    EXPECT_FALSE(r.to_panel);

    // Over the panel (or typing into a field): the panel takes them.
    r = RoutePanelEvent(space_up, true, true);
    EXPECT_TRUE(r.used_up);
    EXPECT_TRUE(r.to_panel);
    r = RoutePanelEvent(digit_down, true, true);
    EXPECT_TRUE(r.used_up);
    EXPECT_TRUE(r.to_panel);

    // A hidden panel takes nothing.
    r = RoutePanelEvent(digit_down, false, true);
    EXPECT_FALSE(r.used_up);

    // F1 toggles on release and reaches nobody else.
    r = RoutePanelEvent(Key(SDL_KEYUP, SDLK_F1), true, true);
    EXPECT_TRUE(r.toggle);
    EXPECT_TRUE(r.used_up);
    EXPECT_FALSE(r.to_panel);
    r = RoutePanelEvent(Key(SDL_KEYDOWN, SDLK_F1), false, false);
    EXPECT_FALSE(r.toggle);
    EXPECT_TRUE(r.used_up);

    // The pointer always reaches the panel and never the show's keys.
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    r = RoutePanelEvent(motion, false, false);
    EXPECT_TRUE(r.to_panel);
    EXPECT_FALSE(r.used_up);
}

TEST(PanelRouting, F1HidesAndShowsThePanel) {
    PanelInput input;
    EXPECT_TRUE(input.Shown());
    EXPECT_TRUE(input.Filter(Key(SDL_KEYDOWN, SDLK_F1)));
    EXPECT_TRUE(input.Shown());
    EXPECT_TRUE(input.Filter(Key(SDL_KEYUP, SDLK_F1)));
    EXPECT_FALSE(input.Shown());
    EXPECT_FALSE(input.Filter(Key(SDL_KEYUP, SDLK_ESCAPE)));
    input.Filter(Key(SDL_KEYUP, SDLK_F1));
    EXPECT_TRUE(input.Shown());

    // Ctrl+S asks for one save, whatever has the keys; S alone is a key.
    SDL_Event save = Key(SDL_KEYDOWN, SDLK_s);
    EXPECT_FALSE(input.Filter(save));
    EXPECT_FALSE(input.TakeSaveRequest());
    save.key.keysym.mod = KMOD_LCTRL;
    EXPECT_TRUE(input.Filter(save));
    EXPECT_TRUE(input.TakeSaveRequest());
    EXPECT_FALSE(input.TakeSaveRequest());
}

}  // namespace
