#include "app/offline/export.h"

#include <cmath>
#include <cstdio>

#include "app/core/demo_window.h"
#include "app/core/display_loss.h"
#include "app/offline/frame_workers.h"
#include "app/offline/progress.h"
#include "platform/audio.h"
#include "platform/debug_output.h"
#include "platform/failure.h"
#include "render/gl_guards.h"

int64_t ExportMusicStart(uint32_t from, uint32_t start_offset, int64_t track_frames) {
    if (track_frames <= 0) return 0;
    const double seconds = CapturePosition(from, start_offset);
    // The frame the offline clock centres its spectrum on at that time.
    const int64_t frame =
        std::llround(std::fmod(seconds * kMusicRate, static_cast<double>(track_frames)));
    return frame % track_frames;
}

std::unique_ptr<VideoFileWriter> OpenExport(const std::string& path, int width, int height,
                                            int fps) {
    std::string error;
    std::unique_ptr<VideoFileWriter> file = OpenVideoFile(path, width, height, fps, error);
    if (!file) FailFormat("Unable to export %s: %s", path.c_str(), error.c_str());
    return file;
}

namespace {

// Completes the file with the frames encoded so far; a failure here is one
// of the export's own.
void Complete(FrameWorkers& encoder, VideoFileWriter& file, const std::string& path) {
    std::string error;
    if (!encoder.Finish(error) || !file.Finish(error))
        FailFormat("Unable to export %s: %s", path.c_str(), error.c_str());
}

void SayStopped(uint64_t done, uint64_t frames, const std::string& path) {
    if (done == 0)
        DebugOutputFormat("Export stopped before its first frame; nothing was written to %s\n",
                          path.c_str());
    else
        DebugOutputFormat("Export stopped after %llu of %llu frames; %s holds them\n",
                          static_cast<unsigned long long>(done),
                          static_cast<unsigned long long>(frames), path.c_str());
}

}  // namespace

void ExportShow(VideoFileWriter& file, const std::string& path, const EffectList& effects,
                ShowTweaks& tweaks, MusicClock& music, uint32_t start_offset, DemoWindow& window,
                const CaptureRange& range) {
    RequireFrames(range, "export");
    const uint64_t frames = CaptureFrameCount(range);
    const DecodedMusic* track = music.Track();
    file.SetMusic(track, ExportMusicStart(range.from, start_offset, track ? track->frames() : 0));

    const int width = window.Width(), height = window.Height();
    // One encoder thread keeps the frames in order; three buffers let the
    // next frame draw and read back while the encoder works.
    FrameWorkers encoder(1, 3, static_cast<size_t>(width) * height * 4,
                         [&file](uint64_t, const std::vector<uint8_t>& pixels, std::string& error) {
                             return file.AddFrame(pixels.data(), error);
                         });
    ProgressLine progress("Exporting " + path, frames);
    uint64_t k = 0;  // frames handed to the encoder
    // A lost display ends the process: what was rendered becomes the file,
    // as on Escape; without a frame, or when it cannot be completed (in the
    // time the process has left), the partial file goes.
    OnDisplayLost complete_file(
        [&] {
            progress.Finish("");
            std::string error;
            if (k > 0 && encoder.Finish(error) && file.Finish(error)) {
                SayStopped(k, frames, path);
                return;
            }
            remove(file.PartialPath().c_str());
            if (k == 0)
                SayStopped(0, frames, path);
            else
                DebugOutputFormat("Unable to export %s: %s\n", path.c_str(), error.c_str());
        },
        file.PartialPath());
    try {
        while (k < frames && !window.QuitRequested()) {
            window.BeginFrame();
            DrawCaptureFrame(effects, tweaks, music, start_offset, range, k);
            window.EndFrame();
            std::vector<uint8_t>* buffer = encoder.Acquire();
            if (!buffer) break;  // the encoder failed: Complete reports it
            ReadBackBuffer(width, height, buffer->data());
            encoder.Submit(buffer, k);
            ++k;
            window.SwapAndPoll();
            progress.Update(k);
        }
    } catch (const DemoFailure& failure) {
        if (!failure.IsNormalEnd()) throw;
        // "End of show" or "You quit?": what was rendered becomes the file.
        if (k > 0) Complete(encoder, file, path);
        progress.Finish("");
        SayStopped(k, frames, path);
        throw;
    }
    Complete(encoder, file, path);
    const double seconds = progress.Seconds();
    char summary[512];
    snprintf(summary, sizeof summary,
             "Exported %llu frames (%.2f s of show) to %s in %.1f s (%.1f fps); encoding took "
             "%.1f s, %.0f%% of the time",
             static_cast<unsigned long long>(k), static_cast<double>(k) / range.fps, path.c_str(),
             seconds, seconds > 0 ? static_cast<double>(k) / seconds : 0.0, encoder.BusySeconds(),
             seconds > 0 ? 100.0 * encoder.BusySeconds() / seconds : 0.0);
    progress.Finish(summary);
    if (k < frames) SayStopped(k, frames, path);
}
