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

}  // namespace
