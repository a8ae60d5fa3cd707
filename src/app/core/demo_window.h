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
// modes act on it), F2 asks to show or hide the frame-time overlay. The flags describe the most
// recent SwapAndPoll. Closing the window raises "You quit?" at once, and so does SwapAndPoll after
// a stop signal (SIGINT, SIGTERM, SIGHUP: see stop_signals.h); a library that cannot start raises
// "Error: <reason>\n". A lost display ends the process (see display_loss.h). An event filter (the
// tweak panel's input) may see every event first and use some up.
#pragma once

#include <cstdint>
#include <memory>

#include "app/core/display_settings.h"
#include "app/core/render_scale.h"
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
    bool StatsToggleRequested() const { return stats_toggle_; }

    // The window's own size (the size effects see may be smaller during a
    // frame drawn at a render scale).
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Frames from now on are drawn at this render scale (needs the GL
    // context ready); without a call they go straight to the window.
    void UseRenderScale(const RenderScale& scale, double budget_ms);
    // Around the drawing of each frame (see FrameScale): BeginFrame before
    // its clear, EndFrame after the effects and before panels, messages and
    // reading the picture back.
    void BeginFrame() {
        if (frame_scale_) frame_scale_->Begin();
    }
    void EndFrame() {
        if (frame_scale_) frame_scale_->End();
    }
    // The render scale in use, or null when frames go straight to the window.
    const FrameScale* Scaling() const { return frame_scale_.get(); }

    // The filter stays the caller's; null removes it.
    void SetEventFilter(WindowEventFilter* filter) { filter_ = filter; }

    // Shows the frame drawn since the last call, then handles the events
    // waiting: they set the flags that the next frame reads.
    void SwapAndPoll() override;

private:
    uint32_t opened_subsystems_ = 0;  // SDL_INIT_* flags this window started
    int width_ = 0;
    int height_ = 0;
    std::unique_ptr<FrameScale> frame_scale_;
    bool quit_ = false;
    bool seek_back_ = false;
    bool seek_forward_ = false;
    bool pause_ = false;
    bool stats_toggle_ = false;
    WindowEventFilter* filter_ = nullptr;
};
