// Playback control for working on a show: start at a demo time, pause and
// resume, loop a range. The arithmetic is in pure functions; Playback applies
// it to the music once per frame, together with the seek keys.
//
// Demo time t is heard at music position (t - N) / 1000 seconds for the
// script's start offset N (the show's own rule t = trunc(position x 1000) +
// N). A loop FROM:TO sends the music back to FROM when the demo time reaches
// TO, and also when the music wraps round its end inside the range (the
// track is shorter than TO); a seek of the viewer's own is left alone, so the
// arrow keys still leave the range, and the loop takes hold again when the
// demo time next reaches TO.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/audio.h"

struct LoopRange {
    uint32_t from = 0;
    uint32_t to = 0;  // from < to
};

// The music position, in seconds, at which demo time t is heard for the
// start offset N. Demo times before N, which the music never gives, map to
// position 0 (demo time N).
double MusicPositionFor(uint32_t demo_time, uint32_t start_offset);

// The demo time the loop sends the show to at this frame, if any. `previous`
// is the demo time of the frame before, `now` this frame's; `viewer_seeked`
// tells that the viewer moved the music since the frame before.
std::optional<uint32_t> LoopJump(const LoopRange& loop, uint32_t previous, uint32_t now,
                                 bool viewer_seeked);

// The keys released since the last frame.
struct PlaybackKeys {
    bool forward = false;
    bool back = false;
    bool pause = false;
};

class Playback {
public:
    // `pausing` lets the pause key act (it does only in the authoring modes,
    // so a plain show behaves as it always has).
    Playback(MusicClock& music, uint32_t start_offset, std::optional<LoopRange> loop, bool pausing);

    // Moves the music so that demo time t is heard next.
    void StartAt(uint32_t demo_time);
    // Loops another range from the next frame on (none: no loop): one set on
    // the timeline strip, or the same one turning back elsewhere after a
    // script reloaded with --watch.
    void SetLoop(std::optional<LoopRange> loop);
    // Applies the keys: pause first, then the seeks (forward, then back),
    // then the loop. Returns this frame's demo time.
    uint32_t Frame(const PlaybackKeys& keys);
    bool Paused() const { return paused_; }

private:
    MusicClock& music_;
    uint32_t start_offset_;
    std::optional<LoopRange> loop_;
    bool pausing_;
    bool paused_ = false;
    bool has_previous_ = false;
    uint32_t previous_ = 0;
};
