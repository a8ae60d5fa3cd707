// DemoWindow: the show's window, its GL context and its keys (SDL 1.2).
//
// Only one exists, owned by the entry point. Constructing it starts the
// window library and opens the window (full screen, or windowed and
// resizable) and publishes the chosen size as the process-wide window size,
// which never changes afterwards. Destroying it shuts down the parts of the
// library that it started, which closes the window; a sound device opened
// before it (InitAudioOutput) keeps playing until the process ends. Keys act
// on release: Escape asks to quit, the right and left arrows ask to seek one
// second forward or back, Space asks to pause or resume (only the authoring
// modes act on it). The flags describe the most recent SwapAndPoll. Closing
// the window raises "You quit?" at once; a library that cannot start raises
// "Error: <reason>\n". An event filter (the tweak panel's input) may see
// every event first and use some up.
#pragma once

#include <cstdint>

#include "app/core/display_settings.h"
#include "timeline/presenter.h"

union SDL_Event;

// Sees each window event before the window does. Returns true when it used
// the event up: the window then ignores it. Closing the window always
// reaches the window.
class WindowEventFilter {
public:
    virtual ~WindowEventFilter() = default;
    virtual bool Filter(const SDL_Event& event) = 0;
};

class DemoWindow : public FramePresenter {
public:
    DemoWindow(int width, int height, int bits_per_pixel, bool full_screen);
    // Also honours the other choices of the "Video setup" dialog: vertical
    // sync, multisampling and (for a window) always on top.
    explicit DemoWindow(const DisplaySettings& settings);
    ~DemoWindow() override;
    DemoWindow(const DemoWindow&) = delete;
    DemoWindow& operator=(const DemoWindow&) = delete;

    bool QuitRequested() const { return quit_; }
    bool SeekBackRequested() const { return seek_back_; }
    bool SeekForwardRequested() const { return seek_forward_; }
    bool PauseRequested() const { return pause_; }

    // The filter stays the caller's; null removes it.
    void SetEventFilter(WindowEventFilter* filter) { filter_ = filter; }

    // Shows the frame drawn since the last call, then handles the events
    // waiting: they set the flags that the next frame reads.
    void SwapAndPoll() override;

private:
    uint32_t opened_subsystems_ = 0;  // SDL_INIT_* flags this window started
    bool quit_ = false;
    bool seek_back_ = false;
    bool seek_forward_ = false;
    bool pause_ = false;
    WindowEventFilter* filter_ = nullptr;
};
