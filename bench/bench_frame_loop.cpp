// Prints the frame loop's own cost and the demo's start-up time:
//  - DemoTime + Spectrum + BeatLevel + DrawActiveEffects per frame, in
//    microseconds, over an empty effect list and a list of 20 Overlays
//    entries, with the offline music clock on data/music/kiln.ogg (zeros if
//    the file is missing), and the heap allocations per frame (operator new,
//    must be 0; malloc of the main thread);
//  - the wall time of `demo --no-dialog --size 640x480 --capture DIR --from 0
//    --to 0` (start-up to the first captured frame, then exit) on the
//    bundled data and on a script with only an Overlays entry.
//
// Usage: xvfb-run -a -s "-screen 0 1280x1024x24" bench_frame_loop [frames]
//   Run from the source tree's root; build the demo target first.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/core/frame_clock.h"
#include "bench_support.h"
#include "platform/audio.h"
#include "support/test_paths.h"
#include "timeline/effekt.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void BenchLoop(MusicClock& music, const EffectList& effects, const char* label, int frames) {
    float spectrum[kSpectrumBins];
    std::vector<double> whole, of_spectrum;
    whole.reserve(frames);
    of_spectrum.reserve(frames);
    uint32_t sink = 0;
    long frame_news = 0, frame_mallocs = 0;
    for (int i = 0; i < frames; ++i) {
        // The capture clock moves the music 1/60 s per frame.
        music.SetPosition(10.0 + i / 60.0);
        bench::StartCountingAllocations();
        const Clock::time_point start = Clock::now();
        const uint32_t t = DemoTime(music.Position(), 0);
        const Clock::time_point spectrum_start = Clock::now();
        music.Spectrum(spectrum);
        of_spectrum.push_back(Since(spectrum_start));
        const float beat = BeatLevel(spectrum);
        DrawActiveEffects(effects, t, beat);
        whole.push_back(Since(start));
        const bench::Allocations allocations = bench::StopCountingAllocations();
        frame_news += allocations.news;
        frame_mallocs += allocations.mallocs;
        sink += t + static_cast<uint32_t>(beat * 1000);
    }
    const bench::Stats w = bench::Summarise(whole), s = bench::Summarise(of_spectrum);
    std::printf("  %-22s %8.2f %8.2f %8.2f %14.2f %10.3f %12.3f\n", label, w.mean, w.median, w.p95,
                s.median, static_cast<double>(frame_news) / frames,
                static_cast<double>(frame_mallocs) / frames);
    if (sink == 1) std::printf(" ");  // keeps the work from being optimised away
}

double RunDemoMs(const std::string& working_dir, const std::string& capture_dir) {
    const auto start = Clock::now();
    const CommandResult r =
        RunCommand("'" + DemoExecutable() + "' --no-dialog --size 640x480 --capture '" +
                       capture_dir + "' --from 0 --to 0",
                   working_dir, 300);
    const double ms = Since(start) / 1000.0;
    if (r.exit_code != 0) {
        std::printf("  (exit code %d: %s)\n", r.exit_code, r.err.substr(0, 300).c_str());
        return -1;
    }
    return ms;
}

void BenchStartUp() {
    struct stat info;
    if (stat(DemoExecutable().c_str(), &info) != 0) {
        std::printf("Start-up: %s not built\n", DemoExecutable().c_str());
        return;
    }
    std::printf("\nStart-up to the first captured frame (%s, wall time, 3 runs)\n",
                DemoExecutable().c_str());
    std::printf("  %-36s %10s %10s\n", "script", "best ms", "median ms");
    ScratchDir overlays;
    overlays.Write("data/demo.txt", "data/music/none.ogg\n0\n1\nOverlays\n0\n1000\n");
    struct Case {
        const char* label;
        std::string dir;
    };
    char here[4096];
    const std::string root = getcwd(here, sizeof here) ? here : ".";
    for (const Case& c :
         {Case{"bundled data/demo.txt", root}, Case{"one Overlays entry", overlays.path()}}) {
        std::vector<double> runs;
        for (int i = 0; i < 3; ++i) {
            ScratchDir out;
            const double ms = RunDemoMs(c.dir, out.path() + "/frames");
            if (ms >= 0) runs.push_back(ms);
        }
        if (runs.empty()) continue;
        std::sort(runs.begin(), runs.end());
        std::printf("  %-36s %10.0f %10.0f\n", c.label, runs.front(), runs[runs.size() / 2]);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 3000;
    const std::string music_path = "data/music/kiln.ogg";
    struct stat info;
    const bool have_music = stat(music_path.c_str(), &info) == 0;
    const auto open_start = Clock::now();
    std::unique_ptr<MusicClock> music = OpenOfflineMusic(music_path);
    std::printf("Music: %s (%s; opened and decoded in %.0f ms)\n\n", music_path.c_str(),
                have_music ? "present" : "missing, spectrum of zeros", Since(open_start) / 1000);

    EffectList none;
    EffectList overlays;
    for (int i = 0; i < 20; ++i)
        overlays.push_back(std::make_unique<Effekter::Overlays>(0, 10000000));

    std::printf("Frame loop arithmetic over %d frames (microseconds per frame)\n", frames);
    std::printf("  %-22s %8s %8s %8s %14s %10s %12s\n", "effect list", "mean", "median", "p95",
                "Spectrum med.", "new/frame", "malloc/frame");
    BenchLoop(*music, none, "empty", frames);
    BenchLoop(*music, overlays, "20 Overlays", frames);
    BenchStartUp();
    return 0;
}
