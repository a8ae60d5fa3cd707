#include "app/core/demo_window.h"

#include <SDL/SDL.h>

#include "app/core/display_loss.h"
#include "app/core/stop_signals.h"
#include "app/core/window_attributes.h"
#include "platform/failure.h"
#include "render/gl_guards.h"

namespace {

DisplaySettings SettingsFor(int width, int height, int bits_per_pixel, bool full_screen) {
    DisplaySettings settings;
    settings.width = width;
    settings.height = height;
    settings.bits_per_pixel = bits_per_pixel;
    settings.windowed = !full_screen;
    return settings;
}

}  // namespace

DemoWindow::DemoWindow(int width, int height, int bits_per_pixel, bool full_screen)
    : DemoWindow(SettingsFor(width, height, bits_per_pixel, full_screen)) {}

DemoWindow::DemoWindow(const DisplaySettings& settings)
    : width_(settings.width), height_(settings.height) {
    SetWindowSize(settings.width, settings.height);
    const Uint32 running_before = SDL_WasInit(SDL_INIT_EVERYTHING);
    if (SDL_Init(SDL_INIT_EVERYTHING) != 0) FailFormat("Error: %s\n", SDL_GetError());
    opened_subsystems_ = SDL_WasInit(SDL_INIT_EVERYTHING) & ~running_before;

    // The context's attributes (double buffer, depth buffer, swap interval,
    // samples) are asked for before the mode is set, where they count. A
    // mode that cannot be set at all leaves no context: it shows as a
    // failing GLEW start-up right after.
    OpenVideoMode(settings);
    // After the library's own connection is open, whose handler would wait
    // forever on a dead one.
    WatchDisplayConnection();
    SDL_WM_SetCaption("Kilnworks", "Kilnworks");
}

// Only what the window started is shut down: the sound device, opened
// before the window, plays on until the process ends, so the music goes on
// under the message box that follows a failure or the end of the show.
DemoWindow::~DemoWindow() {
    // The drawing buffer's GL objects go while the context is still there.
    frame_scale_.reset();
    SDL_QuitSubSystem(opened_subsystems_);
}

void DemoWindow::UseRenderScale(const RenderScale& scale, double budget_ms) {
    frame_scale_ = std::make_unique<FrameScale>(scale, width_, height_, budget_ms);
}

void DemoWindow::SwapAndPoll() {
    quit_ = seek_back_ = seek_forward_ = pause_ = stats_toggle_ = false;
    SDL_GL_SwapBuffers();
    if (StopSignalReceived()) EndShow("You quit?");
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type != SDL_QUIT && filter_ && filter_->Filter(event)) continue;
        if (event.type == SDL_KEYUP) {
            switch (event.key.keysym.sym) {
                case SDLK_ESCAPE: quit_ = true; break;
                case SDLK_RIGHT: seek_forward_ = true; break;
                case SDLK_LEFT: seek_back_ = true; break;
                case SDLK_SPACE: pause_ = true; break;
                case SDLK_F2: stats_toggle_ = true; break;
                default: break;
            }
        } else if (event.type == SDL_QUIT) {
            EndShow("You quit?");
        }
    }
}
