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
#include <new>
#include <string>
#include <vector>

#include "app/frame_clock.h"
#include "platform/audio.h"
#include "support/test_paths.h"
#include "timeline/effekt.h"

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
}

namespace {
thread_local bool counting = false;
thread_local long news = 0;
thread_local long mallocs = 0;
}  // namespace

extern "C" {
void* malloc(size_t n) {
    if (counting) ++mallocs;
    return __libc_malloc(n);
}
void* calloc(size_t a, size_t b) {
    if (counting) ++mallocs;
    return __libc_calloc(a, b);
}
void* realloc(void* p, size_t n) {
    if (counting) ++mallocs;
    return __libc_realloc(p, n);
}
void free(void* p) { __libc_free(p); }
}

void* operator new(size_t n) {
    if (counting) ++news;
    void* p = __libc_malloc(n == 0 ? 1 : n);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete[](void* p) noexcept { __libc_free(p); }
void operator delete(void* p, size_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t) noexcept { __libc_free(p); }

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

struct Stats {
    double mean = 0, median = 0, p95 = 0;
};

Stats Summarise(std::vector<double> v) {
    Stats s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    for (double x : v) s.mean += x;
    s.mean /= static_cast<double>(v.size());
    s.median = v[v.size() / 2];
    s.p95 = v[std::min(v.size() - 1, v.size() * 95 / 100)];
    return s;
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
        news = mallocs = 0;
        counting = true;
        const Clock::time_point start = Clock::now();
        const uint32_t t = DemoTime(music.Position(), 0);
        const Clock::time_point spectrum_start = Clock::now();
        music.Spectrum(spectrum);
        of_spectrum.push_back(Since(spectrum_start));
        const float beat = BeatLevel(spectrum);
        DrawActiveEffects(effects, t, beat);
        whole.push_back(Since(start));
        counting = false;
        frame_news += news;
        frame_mallocs += mallocs;
        sink += t + static_cast<uint32_t>(beat * 1000);
    }
    const Stats w = Summarise(whole), s = Summarise(of_spectrum);
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
