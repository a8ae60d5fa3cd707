// Timedemo: the show's benchmark. Plays a range of the show at fixed steps
// of demo time (the frames of a capture) as fast as the machine allows,
// shows every frame, writes no file, and prints to `out`:
//   - when the first frame was shown, counted from the process's start;
//   - one row per script entry: keyword, start-end, the number of frames
//     that draw it, and the median and 95th percentile time of those frames
//     in ms (a frame counts for every entry it draws, so an overlay's row
//     shows the time of the whole frames it is part of);
//   - the whole range: frames, seconds, frames per second, median and 95th
//     percentile frame time;
//   - the fill table (FillMeter): fragments per frame and time per million
//     fragments of every entry next to one plain full-window textured quad.
// Frames draw at the window's render scale (--scale F), which the first line
// names. Measuring the fill adds a glFinish before and after each effect's
// Draw, a little to every frame's time.
// A frame's time runs from the clear to the end of its buffer swap, with
// glFinish, so the GL's work is counted in the frame that caused it.
// "End of show" (an EndDemo entry) and "You quit?" end the run after the
// table of the frames so far is printed; Escape stops it the same way.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/offline/capture.h"

struct TimedemoRow {
    std::string keyword;
    uint32_t start = 0;
    uint32_t end = 0;
    uint64_t frames = 0;   // frames that draw the entry
    double median_ms = 0;  // 0 when no frame draws it
    double p95_ms = 0;
};

// The value at fraction q (0..1) of the sorted values, by nearest rank: the
// smallest value with at least q of the values at or below it. 0 for none.
double NearestRank(std::vector<double> values, double q);

// One row per effect, in list order, from the demo time and the time in ms
// of each frame played.
std::vector<TimedemoRow> TimedemoRows(const EffectList& effects,
                                      const std::vector<uint32_t>& demo_times,
                                      const std::vector<double>& frame_ms);

// The table of rows and the whole range's line, as printed.
std::string FormatTimedemo(const std::vector<TimedemoRow>& rows,
                           const std::vector<double>& frame_ms, double seconds);

// Milliseconds since the process started (its exec, to the kernel's clock
// tick of 10 ms; the program's static initialisation when /proc is not
// there).
double MillisecondsSinceStart();

class DemoWindow;

void RunTimedemo(const EffectList& effects, ShowTweaks& tweaks, MusicClock& music,
                 uint32_t start_offset, DemoWindow& window, const CaptureRange& range, FILE* out);
