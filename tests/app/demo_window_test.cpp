// The show's window and the sound device: closing the window shuts down only
// what the window started, so the music plays on under the message box that
// follows and stops when the process ends.
#include "app/core/demo_window.h"

#include <gtest/gtest.h>

#include <SDL/SDL.h>

#include <cstdlib>

#include "platform/audio.h"
#include "render/gl_guards.h"

namespace {

TEST(DemoWindow, ClosingItKeepsTheSoundDevicePlaying) {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no display";
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    InitAudioOutput();
    ASSERT_EQ(SDL_GetAudioStatus(), SDL_AUDIO_PLAYING) << "no sound device";
    {
        DemoWindow window(320, 240, 32, false);
        EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u);
        EXPECT_EQ(WindowWidth(), 320);
        window.SwapAndPoll();
    }
    // The window is gone, the device is still open and playing.
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    EXPECT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    EXPECT_EQ(SDL_GetAudioStatus(), SDL_AUDIO_PLAYING);

    // A second window (a later run in the same process) leaves it so too.
    { DemoWindow again(160, 120, 32, false); }
    EXPECT_EQ(SDL_GetAudioStatus(), SDL_AUDIO_PLAYING);
}

// Each key acts on its release and sets its own flag for one frame.
TEST(DemoWindow, KeyReleasesSetOneFlagForOneFrame) {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no display";
    DemoWindow window(160, 120, 32, false);
    const struct {
        SDLKey key;
        bool quit, back, forward, pause, stats;
    } rows[] = {
        {SDLK_ESCAPE, true, false, false, false, false},
        {SDLK_LEFT, false, true, false, false, false},
        {SDLK_RIGHT, false, false, true, false, false},
        {SDLK_SPACE, false, false, false, true, false},
        {SDLK_F2, false, false, false, false, true},
        {SDLK_F1, false, false, false, false, false},
    };
    for (const auto& row : rows) {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = row.key;
        SDL_PushEvent(&event);
        window.SwapAndPoll();
        EXPECT_FALSE(window.QuitRequested() || window.StatsToggleRequested()) << "pressed";
        event.type = SDL_KEYUP;
        SDL_PushEvent(&event);
        window.SwapAndPoll();
        EXPECT_EQ(window.QuitRequested(), row.quit) << row.key;
        EXPECT_EQ(window.SeekBackRequested(), row.back) << row.key;
        EXPECT_EQ(window.SeekForwardRequested(), row.forward) << row.key;
        EXPECT_EQ(window.PauseRequested(), row.pause) << row.key;
        EXPECT_EQ(window.StatsToggleRequested(), row.stats) << row.key;
        window.SwapAndPoll();
        EXPECT_FALSE(window.QuitRequested() || window.StatsToggleRequested()) << "next frame";
    }
}

}  // namespace
