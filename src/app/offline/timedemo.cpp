#include "app/offline/timedemo.h"

#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>

#include <unistd.h>

#include "app/core/demo_window.h"
#include "app/core/display_loss.h"
#include "app/offline/fill_meter.h"
#include "app/offline/progress.h"
#include "platform/failure.h"
#include "render/gl_guards.h"

namespace {

using Clock = std::chrono::steady_clock;

// The moment the process started (exec), as the kernel recorded it in
// clock ticks since boot, on the steady clock; the program's own static
// initialisation when /proc cannot tell.
Clock::time_point ProcessStart() {
    const Clock::time_point now = Clock::now();
    FILE* stat = fopen("/proc/self/stat", "r");
    if (!stat) return now;
    char text[1024] = {0};
    const size_t length = fread(text, 1, sizeof text - 1, stat);
    fclose(stat);
    text[length] = '\0';
    // Field 22, counted after the command name, which ends at the last ')'.
    const char* p = strrchr(text, ')');
    unsigned long long ticks = 0;
    for (int field = 2; p && field < 22; ++field) p = strchr(p + 1, ' ');
    timespec boot{};
    const long per_second = sysconf(_SC_CLK_TCK);
    if (!p || sscanf(p + 1, "%llu", &ticks) != 1 || per_second <= 0 ||
        clock_gettime(CLOCK_BOOTTIME, &boot) != 0)
        return now;
    const double since_boot = boot.tv_sec + boot.tv_nsec / 1e9;
    const double age = since_boot - static_cast<double>(ticks) / static_cast<double>(per_second);
    if (age < 0 || age > 60) return now;
    return now - std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(age));
}

// Taken while the program initialises, before main.
const Clock::time_point kProgramStart = ProcessStart();

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

double MillisecondsSinceStart() { return Milliseconds(kProgramStart, Clock::now()); }

double NearestRank(std::vector<double> values, double q) {
    if (values.empty()) return 0.0;
    const size_t n = values.size();
    size_t rank = static_cast<size_t>(std::ceil(q * static_cast<double>(n)));
    rank = std::clamp<size_t>(rank, 1, n);
    std::nth_element(values.begin(), values.begin() + (rank - 1), values.end());
    return values[rank - 1];
}

std::vector<TimedemoRow> TimedemoRows(const EffectList& effects,
                                      const std::vector<uint32_t>& demo_times,
                                      const std::vector<double>& frame_ms) {
    std::vector<TimedemoRow> rows;
    std::vector<double> own;
    for (const auto& effect : effects) {
        own.clear();
        for (size_t i = 0; i < demo_times.size() && i < frame_ms.size(); ++i)
            if (effect->IsActiveAt(demo_times[i])) own.push_back(frame_ms[i]);
        TimedemoRow row;
        row.keyword = effect->Keyword();
        row.start = effect->StartTime();
        row.end = effect->EndTime();
        row.frames = own.size();
        row.median_ms = NearestRank(own, 0.5);
        row.p95_ms = NearestRank(own, 0.95);
        rows.push_back(row);
    }
    return rows;
}

std::string FormatTimedemo(const std::vector<TimedemoRow>& rows,
                           const std::vector<double>& frame_ms, double seconds) {
    std::string text;
    char line[256];
    snprintf(line, sizeof line, "%-18s %-20s %8s %10s %10s\n", "entry", "start-end ms", "frames",
             "median ms", "p95 ms");
    text += line;
    for (const TimedemoRow& row : rows) {
        const std::string span = std::to_string(row.start) + "-" + std::to_string(row.end);
        if (row.frames == 0) {
            snprintf(line, sizeof line, "%-18s %-20s %8s %10s %10s\n", row.keyword.c_str(),
                     span.c_str(), "0", "-", "-");
        } else {
            snprintf(line, sizeof line, "%-18s %-20s %8llu %10.2f %10.2f\n", row.keyword.c_str(),
                     span.c_str(), static_cast<unsigned long long>(row.frames), row.median_ms,
                     row.p95_ms);
        }
        text += line;
    }
    const double fps = seconds > 0 ? static_cast<double>(frame_ms.size()) / seconds : 0.0;
    snprintf(line, sizeof line,
             "Whole range: %zu frames in %.2f s, %.1f frames per second (median %.2f ms, 95th "
             "percentile %.2f ms)\n",
             frame_ms.size(), seconds, fps, NearestRank(frame_ms, 0.5),
             NearestRank(frame_ms, 0.95));
    text += line;
    return text;
}

void RunTimedemo(const EffectList& effects, ShowTweaks& tweaks, MusicClock& music,
                 uint32_t start_offset, DemoWindow& window, const CaptureRange& range, FILE* out) {
    RequireFrames(range, "play");
    const uint64_t frames = CaptureFrameCount(range);
    fprintf(out, "Timedemo: %dx%d, %d frames per second of demo time, demo times %u to %u ms",
            window.Width(), window.Height(), range.fps, range.from, range.to);
    if (const FrameScale* scaling = window.Scaling())
        fprintf(out, ", drawn at %dx%d (scale %.3g)", scaling->DrawnWidth(), scaling->DrawnHeight(),
                scaling->Scale());
    fprintf(out, "\n");
    fflush(out);
    // Grown as frames are played, never reserved for the whole range: a
    // range far longer than the show ends at its EndDemo entry or Escape.
    std::vector<uint32_t> demo_times;
    std::vector<double> frame_ms;
    ProgressLine progress("Timedemo", frames);
    uint64_t k = 0;  // frames played
    FillMeter fill(effects.size());
    const Clock::time_point run_start = Clock::now();
    // The frame times; the fill table too while the GL can still measure it.
    auto report = [&](bool with_fill) {
        progress.Finish("");
        const double seconds = Milliseconds(run_start, Clock::now()) / 1000.0;
        if (k < frames)
            fprintf(out, "Stopped after %llu of %llu frames; the table covers those played\n",
                    static_cast<unsigned long long>(k), static_cast<unsigned long long>(frames));
        fputs(
            FormatTimedemo(TimedemoRows(effects, demo_times, frame_ms), frame_ms, seconds).c_str(),
            out);
        if (with_fill) {
            fill.EndInterruptedDraw();
            fill.MeasureQuad(window, 60);
            fputs(fill.Format(effects).c_str(), out);
        }
        fflush(out);
    };
    // A lost display ends the process: the frame times so far first.
    OnDisplayLost print_table([&report] { report(false); });
    try {
        for (; k < frames && !window.QuitRequested(); ++k) {
            const Clock::time_point start = Clock::now();
            window.BeginFrame();
            const uint32_t t =
                DrawCaptureFrame(effects, tweaks, music, start_offset, range, k, &fill);
            window.EndFrame();
            window.SwapAndPoll();
            glFinish();
            fill.FrameDone();
            const Clock::time_point end = Clock::now();
            if (k == 0)
                fprintf(out, "First frame shown %.0f ms after the program started\n\n",
                        Milliseconds(kProgramStart, end));
            demo_times.push_back(t);
            frame_ms.push_back(Milliseconds(start, end));
            progress.Update(k + 1);
        }
    } catch (const DemoFailure&) {
        report(true);
        throw;
    }
    report(true);
}
