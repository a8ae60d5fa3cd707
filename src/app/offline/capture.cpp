#include "app/offline/capture.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/core/demo_window.h"
#include "app/core/display_loss.h"
#include "app/core/frame_clock.h"
#include "app/core/show_frame.h"
#include "app/offline/frame_workers.h"
#include "app/offline/png_file.h"
#include "app/offline/progress.h"
#include "platform/failure.h"
#include "render/gl_guards.h"

uint32_t CaptureFrameTime(const CaptureRange& range, uint64_t k) {
    return range.from + static_cast<uint32_t>(k * 1000 / static_cast<uint64_t>(range.fps));
}

uint64_t CaptureFrameCount(const CaptureRange& range) {
    if (range.to < range.from) return 0;
    // floor(k * 1000 / fps) <= span  <=>  k * 1000 < (span + 1) * fps.
    const uint64_t span = range.to - range.from;
    return ((span + 1) * static_cast<uint64_t>(range.fps) + 999) / 1000;
}

void RequireFrames(const CaptureRange& range, const char* verb) {
    if (CaptureFrameCount(range) == 0)
        FailFormat("Nothing to %s: the range starts at %u ms, after its end at %u ms", verb,
                   range.from, range.to);
}

double CapturePosition(uint32_t demo_time, uint32_t start_offset) {
    return static_cast<double>(static_cast<uint32_t>(demo_time - start_offset)) / 1000.0;
}

CaptureEnd DefaultCaptureEnd(const EffectList& effects, uint32_t from, uint32_t start_offset,
                             uint64_t music_ms) {
    constexpr uint64_t kTimes = uint64_t{1} << 32;  // demo times wrap here
    // The demo times the music reaches, as at most two stretches [first, last]
    // (first > last: none). Unknown length: every time.
    struct Stretch {
        uint64_t first, last;
    };
    Stretch stretches[2] = {{0, kTimes - 1}, {1, 0}};
    if (music_ms > 0 && music_ms < kTimes) {
        const uint64_t last = start_offset + music_ms - 1;
        stretches[0] = {start_offset, std::min(last, kTimes - 1)};
        if (last >= kTimes) stretches[1] = {0, last - kTimes};
    }

    CaptureEnd result{from, false, false, false};
    bool any = false;
    for (const auto& effect : effects) {
        // The entry is drawn at start + 1 .. end - 1.
        const uint64_t first_drawn = uint64_t{effect->StartTime()} + 1;
        const uint64_t end = effect->EndTime();
        for (const Stretch& stretch : stretches) {
            if (end == 0 || std::max(first_drawn, stretch.first) > std::min(end - 1, stretch.last))
                continue;
            const bool cut = end > stretch.last;
            const uint32_t candidate = static_cast<uint32_t>(cut ? stretch.last : end);
            if (!any || candidate > result.to) {
                result.to = candidate;
                // Said only when the entry is drawn past the music's last
                // time, not when its last drawn time is that time.
                result.music_ends = end - 1 > stretch.last;
            }
            any = true;
        }
    }
    if (music_ms == 0 && uint64_t{result.to} > uint64_t{from} + kCaptureCapMs) {
        result.to =
            static_cast<uint32_t>(std::min<uint64_t>(uint64_t{from} + kCaptureCapMs, kTimes - 1));
        result.capped = true;
    }
    // The show ends where an EndDemo entry is first drawn.
    if (const std::optional<uint32_t> end = FirstEndOfShow(effects, from, uint64_t{result.to} + 1))
        result = {*end - 1, false, false, true};
    return result;
}

uint32_t DrawCaptureFrame(const EffectList& effects, ShowTweaks& tweaks, MusicClock& music,
                          uint32_t start_offset, const CaptureRange& range, uint64_t k,
                          EffectDrawObserver* observer) {
    const uint32_t t = CaptureFrameTime(range, k);
    float spectrum[kSpectrumBins];
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    music.SetPosition(CapturePosition(t, start_offset));
    music.Spectrum(spectrum);
    DrawShowFrame(effects, tweaks, t, spectrum, observer);
    return t;
}

void ReadBackBuffer(int width, int height, uint8_t* bgra) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    // Four bytes a pixel is the layout the GL keeps: a plain copy.
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
}

namespace {

std::string Summary(uint64_t frames, const std::string& directory, const ProgressLine& progress,
                    const FrameWorkers& writers) {
    const double seconds = progress.Seconds();
    char text[512];
    snprintf(text, sizeof text,
             "Captured %llu frames into %s in %.1f s (%.1f fps); writing PNG files took %.1f s "
             "on %d threads",
             static_cast<unsigned long long>(frames), directory.c_str(), seconds,
             seconds > 0 ? static_cast<double>(frames) / seconds : 0.0, writers.BusySeconds(),
             writers.WorkerCount());
    return text;
}

}  // namespace

void CaptureShow(const EffectList& effects, ShowTweaks& tweaks, MusicClock& music,
                 uint32_t start_offset, DemoWindow& window, const std::string& directory,
                 const CaptureRange& range) {
    RequireFrames(range, "capture");
    const uint64_t frames = CaptureFrameCount(range);
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    const int width = window.Width(), height = window.Height();

    FrameWorkers writers(
        DefaultWorkerCount(), DefaultWorkerCount() + 2, static_cast<size_t>(width) * height * 4,
        [&directory, width, height](uint64_t k, const std::vector<uint8_t>& pixels,
                                    std::string& error) {
            thread_local PngEncoder encoder;
            char name[32];
            snprintf(name, sizeof name, "/%06llu.png", static_cast<unsigned long long>(k));
            const std::string path = directory + name;
            std::string why;
            if (encoder.Write(path, pixels.data(), width, height, why)) return true;
            error = "Unable to write " + path + " (" + why + ")";
            return false;
        });
    ProgressLine progress("Capturing into " + directory, frames);
    uint64_t k = 0;  // frames handed to the writers
    std::string error;
    // A lost display ends the process: the frames drawn so far are still
    // written, as on Escape.
    OnDisplayLost write_the_rest([&] {
        std::string why;
        const bool written = writers.Finish(why);
        progress.Finish(written ? Summary(k, directory, progress, writers) : why);
    });
    try {
        while (k < frames && !window.QuitRequested()) {
            window.BeginFrame();
            DrawCaptureFrame(effects, tweaks, music, start_offset, range, k);
            window.EndFrame();
            std::vector<uint8_t>* buffer = writers.Acquire();
            if (!buffer) break;  // a file could not be written: Finish reports it
            ReadBackBuffer(width, height, buffer->data());
            writers.Submit(buffer, k);
            ++k;
            window.SwapAndPoll();
            progress.Update(k);
        }
    } catch (const DemoFailure& failure) {
        // "End of show" or "You quit?": the frames drawn so far are still
        // written, and a file that could not be is the failure to report.
        if (!writers.Finish(error)) Fail(error);
        if (failure.IsNormalEnd()) progress.Finish(Summary(k, directory, progress, writers));
        throw;
    }
    if (!writers.Finish(error)) Fail(error);
    progress.Finish(Summary(k, directory, progress, writers));
}
