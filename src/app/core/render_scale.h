// Render scale: frames drawn smaller than the window and stretched over it,
// so that a weak GPU or a software rasteriser keeps up with the display.
//
// The arithmetic is in pure functions and AutoScale (no GL); FrameScale puts
// it to work on a DrawingBuffer (render/drawing_buffer.h) around each frame.
//
// AutoScale holds the display's refresh rate by choosing among the levels
// 1, 7/8, 3/4, 5/8 and 1/2 of the window's sides from the measured time
// it takes to draw a frame. Drawing time is taken to grow with the number of
// pixels (the square of the scale), which holds for the fill-bound effects
// the scale is for, and is cautious otherwise (a cost that does not shrink
// with the scale makes a step up dearer than predicted, never cheaper):
//   - down, as soon as the median of the frames since the last change
//     (at least 4) is above 1.1 x the budget: straight to the level
//     predicted to fit 0.85 x the budget, at least one step;
//   - up, one step at a time, when the frames since the last change (at
//     least 8, for at least the hold time) predict at most 0.75 x the budget
//     at the next level up. The gap between the two thresholds keeps it
//     from pumping; a step up that has to be taken back within 3 s doubles
//     the hold time (from 1.5 s up to 24 s), and 30 s without that resets it.
// Time is the sum of the frame times given, so the behaviour follows from
// the sequence of frame times alone.
#pragma once

#include <array>
#include <chrono>
#include <memory>
#include <optional>

class DrawingBuffer;

// What the viewer asked for: automatic, or a fixed fraction of the window's
// sides.
struct RenderScale {
    bool automatic = false;
    float value = 1.0f;  // 0.25 .. 1 when not automatic
};
constexpr float kSmallestScale = 0.25f;

// "auto", or a decimal number from 0.25 to 1. False for anything else.
bool ParseRenderScale(const char* text, RenderScale& scale);

// True for the names of Mesa's software rasterisers (llvmpipe, softpipe,
// swrast, "Software Rasterizer") in a GL_RENDERER string, in any case.
bool IsSoftwareRenderer(const char* renderer);

// The time one frame may take at a refresh rate in Hz; 60 Hz when the rate
// is unknown (0 or less) or vertical sync is off.
double FrameBudgetMs(int refresh_hz, bool vertical_sync);

class AutoScale {
public:
    static constexpr std::array<float, 5> kLevels = {1.0f, 0.875f, 0.75f, 0.625f, 0.5f};

    explicit AutoScale(double budget_ms) : budget_ms_(budget_ms) {}
    float Scale() const { return kLevels[level_]; }
    // One frame, drawn at Scale(), took `drawing_ms`. True when the scale of
    // the next frame differs.
    bool AddFrame(double drawing_ms);

private:
    static constexpr int kSamples = 16;
    static constexpr double kFirstUpHoldMs = 1500;
    double Median() const;
    bool StepTo(int level);

    double budget_ms_;
    int level_ = 0;
    std::array<double, kSamples> samples_{};
    int count_ = 0;  // frames since the last change
    double since_change_ms_ = 0;
    double since_up_ms_ = 1e12;      // since the last step up
    double since_bounce_ms_ = 1e12;  // since a step up was taken back
    double up_hold_ms_ = kFirstUpHoldMs;
};

// The render scale applied to the frames of a window of the given size.
// Fixed scales draw every frame at their value; `automatic` adjusts between
// frames through AutoScale, from the time between Begin() and the end of the
// GL's work in End() (it calls glFinish, so a vertical-sync wait does not
// hide spare time). Needs the GL context; allocates nothing per frame.
class FrameScale {
public:
    FrameScale(const RenderScale& choice, int window_width, int window_height, double budget_ms);
    ~FrameScale();
    FrameScale(const FrameScale&) = delete;
    FrameScale& operator=(const FrameScale&) = delete;

    // Before the frame's clear: the drawing buffer stands for the window.
    void Begin();
    // After the effects, before panels and messages: the picture is on the
    // window; an automatic scale takes the frame's time.
    void End();

    float Scale() const;
    bool Automatic() const { return autoscale_.has_value(); }
    int DrawnWidth() const;
    int DrawnHeight() const;

private:
    std::unique_ptr<DrawingBuffer> buffer_;
    std::optional<AutoScale> autoscale_;
    std::chrono::steady_clock::time_point begin_;
};
