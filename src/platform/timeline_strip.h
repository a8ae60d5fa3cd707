// The timeline strip of the tweak panel: a window along the bottom edge that
// shows the whole show against the music and lets the viewer move in it.
//
//   [Save] status text                        t = 62.480 s | beat graph |
//   ◆    ◆◆       ◆                                        | of the last|
//   |NanoBall ][Plugin      ]|  [Video]                    | 4 seconds  |
//   |Overlays                ^ play head                   |            |
//
//   [X] one bar per script entry, coloured by its kind, in as few lanes as
//       overlapping entries allow, the keyword written in it where it fits;
//       a tooltip names the entry and its window
//   [X] the play head, the loop range (shaded), keys as marks above the bars
//   [X] the beat level of the last 4 seconds of demo time as a graph
//   [X] click or drag on the bars: seek (a press within 4 pixels of a key
//       lands on the key's time exactly); Shift+drag: a new loop range,
//       Shift+click: no loop; the Save button
//   [ ] zooming and scrolling: the whole span always fills the width
//
// DrawTimelineStrip runs inside the tweak panel's frame (DrawTweakPanelFrame
// in tweak_panel.h); the rest are pure functions and plain data. Nothing here
// allocates per frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// What colours an entry's bar.
enum class TimelineKind : uint8_t { Image, Shader, Model3d, Video, Plugin, Other };

struct TimelineBar {
    uint32_t start = 0, end = 0;  // the entry's window
    const char* keyword = "";     // kept alive by the caller
    TimelineKind kind = TimelineKind::Other;
    int lane = 0;  // 0 at the top
};

// Puts each bar in the first lane where it overlaps no bar already placed,
// in the given order; returns the number of lanes (at least 1).
int AssignTimelineLanes(std::vector<TimelineBar>& bars);

// The beat levels of the last frames, by demo time. A sample earlier than
// the one before (a seek back, a loop) starts the history again.
class BeatHistory {
public:
    static constexpr size_t kCapacity = 512;
    static constexpr uint32_t kSpanMs = 4000;  // what the graph shows

    void Add(uint32_t demo_time, float level);
    size_t Count() const { return count_; }
    // Sample i, 0 the oldest.
    uint32_t Time(size_t i) const { return times_[(first_ + i) % kCapacity]; }
    float Level(size_t i) const { return levels_[(first_ + i) % kCapacity]; }

private:
    uint32_t times_[kCapacity] = {};
    float levels_[kCapacity] = {};
    size_t first_ = 0, count_ = 0;
};

struct TimelineStripView {
    uint32_t first = 0, last = 1;  // demo times at the left and right ends
    uint32_t now = 0;              // the play head
    bool has_loop = false;
    uint32_t loop_from = 0, loop_to = 0;
    const TimelineBar* bars = nullptr;
    size_t bar_count = 0;
    int lanes = 1;
    const uint32_t* keys = nullptr;  // key times, sorted
    size_t key_count = 0;
    const BeatHistory* beats = nullptr;
    const char* status = "";  // beside the Save button
};

// What the viewer did in the strip this frame.
struct TimelineStripInput {
    bool seek = false;
    uint32_t seek_to = 0;
    bool loop_changed = false;  // has_loop/loop_from/loop_to are the new loop
    bool has_loop = false;
    uint32_t loop_from = 0, loop_to = 0;
    bool save = false;
};

// The demo time at horizontal position x of a track running from x0 to x1
// for times first..last, held to the track's ends.
uint32_t TimelineTimeAt(float x, float x0, float x1, uint32_t first, uint32_t last);
// The time of the key nearest to t when it lies within `tolerance` ms, else t.
uint32_t SnapToKey(uint32_t t, const uint32_t* keys, size_t count, uint32_t tolerance);

// The strip's height in pixels for a number of lanes.
float TimelineStripHeight(int lanes);

// Draws the strip across the bottom of a display of the given size and reads
// the pointer; `rect` receives the window (x0, y0, x1, y1). For the panel only.
void DrawTimelineStrip(const TimelineStripView& view, float display_width, float display_height,
                       TimelineStripInput& input, float rect[4]);

// Where a strip last drew its track (the bars, the key marks and the loop
// range): window pixels, y from the top (x0, y0, x1, y1); the track runs
// from the view's first time at x0 to its last at x1. False before any strip
// was drawn.
bool TimelineStripTrackRect(float rect[4]);
