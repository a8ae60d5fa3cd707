// Offline capture: renders the show at fixed steps of demo time into PNG
// files, with the beat level taken from the decoded music at each step.
//
// Frame k shows demo time from + floor(k x 1000 / fps), for every k whose
// time is at most `to`; it is written as DIR/%06d.png (DIR is created when
// missing). Needs the window's GL context; reads the back buffer before each
// swap, and worker threads write the files while the next frames draw. An
// "EndDemo" entry ends the capture as it ends the show (through the failure
// channel), after the frames before it are written; Escape stops it. A file
// that cannot be written raises a failure naming it, and so does a range
// that holds no frame (from after to). A progress line goes to standard
// error (see app/progress.h).
//
// The same stepping serves --export and --timedemo (DrawCaptureFrame).
//
// By default the capture ends where the show can be seen to end: at the end
// of the last entry that the music reaches (demo times N to N + its length,
// for a start offset N), but no later than the music does, and before the
// first EndDemo entry that the range reaches, where the show ends. When the
// length of the music is unknown (no track), at most kCaptureCapMs after
// `from`.
#pragma once

#include <cstdint>
#include <string>

#include "app/core/frame_clock.h"
#include "platform/audio.h"
#include "timeline/effekt.h"

class DemoWindow;
class ShowTweaks;

struct CaptureRange {
    uint32_t from;
    uint32_t to;
    int fps;
};

// Demo time of capture frame k.
uint32_t CaptureFrameTime(const CaptureRange& range, uint64_t k);
// Number of frames the range gives (0 when to < from).
uint64_t CaptureFrameCount(const CaptureRange& range);
// Raises "Nothing to <verb>: the range starts at F ms, after its end at
// T ms" when the range holds no frame.
void RequireFrames(const CaptureRange& range, const char* verb);
// The music position, in seconds, at which demo time t is heard for a start
// offset N: t = trunc(position x 1000) + N.
double CapturePosition(uint32_t demo_time, uint32_t start_offset);
// The most a default range spans when the music's length is unknown: 10 minutes.
constexpr uint32_t kCaptureCapMs = 10 * 60 * 1000;

struct CaptureEnd {
    uint32_t to;      // the last demo time to capture
    bool music_ends;  // an entry runs on past the last demo time the music reaches
    bool capped;      // the music's length is unknown: held to kCaptureCapMs after `from`
    bool end_demo;    // an EndDemo entry ends the show after `to`
};

// The default end of a capture that starts at `from`, for the start offset
// N and a track of `music_ms` milliseconds (0: unknown). An entry counts when
// a demo time the music reaches (N .. N + music_ms - 1, wrapping at 2^32)
// lies inside its window; the end is the latest of their end times, each held
// to the last demo time the music reaches within that entry's window. `from`
// itself when no entry counts. An EndDemo entry first drawn at a time T
// after `from` holds the end to T - 1 (one drawn at `from` itself ends the
// show at its first frame, and the end stays as it is).
CaptureEnd DefaultCaptureEnd(const EffectList& effects, uint32_t from, uint32_t start_offset,
                             uint64_t music_ms);

// Draws frame k of the range into the back buffer: clears it, moves the
// music to the frame's demo time and draws the show's frame there with the
// spectrum at that position (DrawShowFrame: keyed tweaks, the spectrum
// texture, the beat level, the effects, seen by `observer` when given).
// Returns the demo time.
uint32_t DrawCaptureFrame(const EffectList& effects, ShowTweaks& tweaks, MusicClock& music,
                          uint32_t start_offset, const CaptureRange& range, uint64_t k,
                          EffectDrawObserver* observer = nullptr);

// Reads the back buffer (width x height) as GL_BGRA bytes, rows bottom-up.
void ReadBackBuffer(int width, int height, uint8_t* bgra);

void CaptureShow(const EffectList& effects, ShowTweaks& tweaks, MusicClock& music,
                 uint32_t start_offset, DemoWindow& window, const std::string& directory,
                 const CaptureRange& range);
