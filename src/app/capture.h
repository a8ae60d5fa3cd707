// Offline capture: renders the show at fixed steps of demo time into PNG
// files, with the beat level taken from the decoded music at each step.
//
// Frame k shows demo time from + floor(k x 1000 / fps), for every k whose
// time is at most `to`; it is written as DIR/%06d.png (DIR is created when
// missing). Needs the window's GL context; reads the back buffer before each
// swap. An "EndDemo" entry ends the capture as it ends the show (through the
// failure channel); Escape stops it. A file that cannot be written raises a
// failure naming it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/audio.h"
#include "timeline/effekt.h"

class DemoWindow;

struct CaptureRange {
    uint32_t from;
    uint32_t to;
    int fps;
};

// Demo time of capture frame k.
uint32_t CaptureFrameTime(const CaptureRange& range, uint64_t k);
// Number of frames the range gives (0 when to < from).
uint64_t CaptureFrameCount(const CaptureRange& range);
// The music position, in seconds, at which demo time t is heard for a start
// offset N: t = trunc(position x 1000) + N.
double CapturePosition(uint32_t demo_time, uint32_t start_offset);
// The latest end time of the entries, or `fallback` when there are none.
uint32_t LastEndTime(const EffectList& effects, uint32_t fallback);

void CaptureShow(const EffectList& effects, MusicClock& music, uint32_t start_offset,
                 DemoWindow& window, const std::string& directory, const CaptureRange& range);
