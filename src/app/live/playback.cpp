#include "app/live/playback.h"

#include "app/core/frame_clock.h"

double MusicPositionFor(uint32_t demo_time, uint32_t start_offset) {
    if (demo_time < start_offset) return 0.0;
    return static_cast<double>(demo_time - start_offset) / 1000.0;
}

std::optional<uint32_t> LoopJump(const LoopRange& loop, uint32_t previous, uint32_t now,
                                 bool viewer_seeked) {
    if (now >= loop.to) return loop.from;
    const bool was_inside = previous >= loop.from && previous < loop.to;
    // Time that went back without a seek of the viewer's: the music wrapped
    // round its end before reaching TO.
    if (!viewer_seeked && was_inside && now < previous) return loop.from;
    return std::nullopt;
}

Playback::Playback(MusicClock& music, uint32_t start_offset, std::optional<LoopRange> loop,
                   bool pausing)
    : music_(music), start_offset_(start_offset), loop_(loop), pausing_(pausing) {}

void Playback::StartAt(uint32_t demo_time) {
    music_.SetPosition(MusicPositionFor(demo_time, start_offset_));
    has_previous_ = false;
}

void Playback::SetLoop(std::optional<LoopRange> loop) {
    loop_ = loop;
    has_previous_ = false;
}

uint32_t Playback::Frame(const PlaybackKeys& keys) {
    if (keys.pause && pausing_) {
        paused_ = !paused_;
        music_.SetPaused(paused_);
    }
    ApplySeeks(music_, keys.forward, keys.back);
    uint32_t t = DemoTime(music_.Position(), start_offset_);
    if (loop_) {
        const uint32_t previous = has_previous_ ? previous_ : t;
        const bool seeked = keys.forward || keys.back;
        if (const std::optional<uint32_t> to = LoopJump(*loop_, previous, t, seeked)) {
            music_.SetPosition(MusicPositionFor(*to, start_offset_));
            t = DemoTime(music_.Position(), start_offset_);
        }
    }
    previous_ = t;
    has_previous_ = true;
    return t;
}
