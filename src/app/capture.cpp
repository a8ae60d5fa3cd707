#include "app/capture.h"

#include <FreeImage.h>
#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/demo_window.h"
#include "app/frame_clock.h"
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

    CaptureEnd result{from, false, false};
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
                result.music_ends = cut;
            }
            any = true;
        }
    }
    if (music_ms == 0 && uint64_t{result.to} > uint64_t{from} + kCaptureCapMs) {
        result.to =
            static_cast<uint32_t>(std::min<uint64_t>(uint64_t{from} + kCaptureCapMs, kTimes - 1));
        result.capped = true;
    }
    return result;
}

namespace {

void WritePng(const std::string& path, int width, int height, std::vector<unsigned char>& pixels) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_BGR, GL_UNSIGNED_BYTE, pixels.data());
    // GL rows run bottom-up, which is FreeImage's own order.
    FIBITMAP* image =
        FreeImage_ConvertFromRawBits(pixels.data(), width, height, width * 3, 24, FI_RGBA_RED_MASK,
                                     FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, FALSE);
    const bool saved = image && FreeImage_Save(FIF_PNG, image, path.c_str(), PNG_DEFAULT);
    if (image) FreeImage_Unload(image);
    if (!saved) FailFormat("Unable to write %s", path.c_str());
}

}  // namespace

void CaptureShow(const EffectList& effects, MusicClock& music, uint32_t start_offset,
                 DemoWindow& window, const std::string& directory, const CaptureRange& range) {
    if (CaptureFrameCount(range) == 0)
        FailFormat("Nothing to capture: the range starts at %u ms, after its end at %u ms",
                   range.from, range.to);
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    const int width = WindowWidth(), height = WindowHeight();
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    float spectrum[kSpectrumBins];
    const uint64_t frames = CaptureFrameCount(range);
    for (uint64_t k = 0; k < frames && !window.QuitRequested(); ++k) {
        const uint32_t t = CaptureFrameTime(range, k);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        music.SetPosition(CapturePosition(t, start_offset));
        music.Spectrum(spectrum);
        DrawActiveEffects(effects, t, BeatLevel(spectrum));
        char name[32];
        snprintf(name, sizeof name, "/%06llu.png", static_cast<unsigned long long>(k));
        WritePng(directory + name, width, height, pixels);
        window.SwapAndPoll();
    }
}
