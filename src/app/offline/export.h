// Export: the show rendered offline exactly like a capture (the same frames
// of the same range) and encoded with its music into one video file through
// platform/video_file.h.
//
// OpenExport comes first, before the window opens and the show loads, so
// that a file that cannot be written (a missing folder, a read-only one, an
// encoder this FFmpeg lacks, odd sides) fails at once; it raises the failure
// "Unable to export <path>: <reason>". ExportShow then renders the range:
// the main thread draws and reads each frame back, an encoder thread turns
// it into video and sound while the next frame draws. The sound starts at
// the music position of the range's first demo time (ExportMusicStart) and
// lasts as long as the pictures, so the two stay in step to the sample.
//
// Endings: the whole range done, or Escape, or "End of show" (an EndDemo
// entry) or "You quit?" (the window closed, Ctrl+C, a termination signal):
// the frames rendered so far are completed into a file that plays, renamed
// to the target, and the two failures go on to the entry point. Any other
// failure (an effect's, a full disk) leaves nothing under the target's name.
// A progress line goes to standard error (app/progress.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/offline/capture.h"
#include "platform/video_file.h"

class DemoWindow;

// The frame of a track of `track_frames` frames heard at demo time `from`
// for the start offset N: CapturePosition in 44.1 kHz frames, wrapped round
// the track as the music loops (0 for no track).
int64_t ExportMusicStart(uint32_t from, uint32_t start_offset, int64_t track_frames);

std::unique_ptr<VideoFileWriter> OpenExport(const std::string& path, int width, int height,
                                            int fps);

void ExportShow(VideoFileWriter& file, const std::string& path, const EffectList& effects,
                ShowTweaks& tweaks, MusicClock& music, uint32_t start_offset, DemoWindow& window,
                const CaptureRange& range);
