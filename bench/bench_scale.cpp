// The render scale's figures:
//  realtime  real-time play of the whole show (data/demo.txt) with
//            --scale auto --stats, in a 1024 x 768 and a 640 x 480 window:
//            the slowest 10-second stretches and the scales they ran at,
//            as the demo reports them at the end of play;
//  zoom      --timedemo of the Zoomba and Zoombb entries at 1024 x 768,
//            --scale 0.5 next to --scale 1, in the same run;
//  fill      the fill table of a --timedemo of the whole show at 640 x 480:
//            fragments per frame and time per million fragments of every
//            entry next to one plain full-window textured quad, entries
//            above 1.3 x the quad marked;
//  alloc     heap allocations per frame of the real-time frame (effects
//            drawn through the automatic scale, the stats overlay shown),
//            in this process, over a scene that makes the scale change;
//  startup   process start to the first buffer swap with every effect of
//            the show loaded (--timedemo at 640 x 480 of one frame), 5 runs.
//
// Usage, from the source root, under a display (the figures depend on what
// else the machine does; the real-time part takes about eight minutes):
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench_scale [part ...]
// Without parts, all of them in the order above.
#include <GL/glew.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/demo_window.h"
#include "app/core/frame_clock.h"
#include "app/live/live_show.h"
#include "bench_support.h"
#include "factory/factory.h"
#include "platform/stats_overlay.h"
#include "platform/tweak_panel.h"
#include "render/gl_guards.h"
#include "support/test_paths.h"

namespace {

std::string Root() {
    char here[4096];
    return getcwd(here, sizeof here) ? here : ".";
}

CommandResult Demo(const std::string& args, int timeout = 3600) {
    return RunCommand("env -u LSAN_OPTIONS '" + DemoExecutable() + "' --no-dialog " + args, Root(),
                      timeout);
}

// The lines of `text` that start with one of `prefixes`, indented.
void PrintLines(const std::string& text, const std::vector<std::string>& prefixes) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
        for (const std::string& prefix : prefixes)
            if (line.rfind(prefix, 0) == 0) {
                std::printf("    %s\n", line.c_str());
                break;
            }
}

void RealTime() {
    std::printf("realtime: the whole show played in real time with --scale auto --stats\n");
    for (const char* size : {"1024x768", "640x480"}) {
        const CommandResult r =
            Demo(std::string("--windowed --size ") + size + " --scale auto --stats");
        std::printf("  %s (exit %d):\n", size, r.exit_code);
        PrintLines(r.err, {"Stats:", "Slowest", "  "});
    }
}

// The median of an entry's frames in a timedemo's table; -1 when missing.
double EntryMedian(const std::string& out, const std::string& keyword) {
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(keyword + " ", 0) != 0) continue;
        char name[64], span[64];
        long frames = 0;
        double median = 0;
        if (sscanf(line.c_str(), "%63s %63s %ld %lf", name, span, &frames, &median) == 4 &&
            frames > 0)
            return median;
    }
    return -1;
}

void Zoom() {
    std::printf(
        "zoom: --timedemo of Zoomba and Zoombb at 1024x768, 15 frames per second of demo "
        "time\n");
    std::printf("  %-8s %14s %14s %10s\n", "entry", "scale 1 ms", "scale 0.5 ms", "speed-up");
    const struct {
        const char* keyword;
        const char* range;
    } entries[] = {{"Zoomba", "--from 108400 --to 116100"},
                   {"Zoombb", "--from 116200 --to 123800"}};
    for (const auto& e : entries) {
        double median[2] = {-1, -1};
        int i = 0;
        for (const char* scale : {"1", "0.5"}) {
            const CommandResult r = Demo(std::string("--size 1024x768 --timedemo --fps 15 ") +
                                         e.range + " --scale " + scale);
            median[i++] = EntryMedian(r.out, e.keyword);
        }
        std::printf("  %-8s %14.2f %14.2f %9.2fx\n", e.keyword, median[0], median[1],
                    median[1] > 0 ? median[0] / median[1] : 0.0);
    }
}

void Fill() {
    std::printf("fill: --timedemo of the whole show at 640x480\n");
    const CommandResult r = Demo("--size 640x480 --timedemo");
    const size_t at = r.out.find("\nFill:");
    if (at == std::string::npos) {
        std::printf("  failed (exit %d): %s\n", r.exit_code, r.err.substr(0, 400).c_str());
        return;
    }
    PrintLines(r.out, {"Whole range:"});
    std::istringstream lines(r.out.substr(at + 1));
    std::string line;
    while (std::getline(lines, line)) {
        double multiple = 0;
        const size_t last = line.find_last_of(' ');
        const bool row =
            last != std::string::npos && sscanf(line.c_str() + last, "%lf", &multiple) == 1;
        std::printf("    %s%s\n", line.c_str(), row && multiple > 1.3 ? "   <- above 1.3" : "");
    }
}

// One real-time frame as LiveShow::Run draws it, with or without the stats
// overlay.
void DrawFrame(LiveShow& live, EffectList& effects, DemoWindow& window, uint32_t t, double seconds,
               bool stats) {
    window.BeginFrame();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawActiveEffects(effects, t, 0.5f);
    window.EndFrame();
    if (stats) live.DrawStats(effects, t, window);
    window.SwapAndPoll();
    live.CountFrame(seconds, window.Scaling() ? window.Scaling()->Scale() : 1.0f);
}

struct Counts {
    long frames = 0, news = 0, mallocs = 0;
    void Print(const char* label) const {
        const double n = frames > 0 ? static_cast<double>(frames) : 1.0;
        std::printf("  %-44s %5ld frames %8.2f %8.2f\n", label, frames, news / n, mallocs / n);
    }
};

void Allocations() {
    std::printf(
        "alloc: heap allocations per real-time frame, --scale auto with the stats overlay, "
        "640x480\n");
    ScratchDir dir;
    // Zoomba (heavy: the scale goes down), then a light layer (it comes back).
    const std::string script =
        dir.Write("demo.txt", "none.ogg\n0\n2\nZoomba\n0\n4000\nPlasma2D\n4000\n8000\n7\n");
    DisplaySettings settings;
    settings.width = 640;
    settings.height = 480;
    settings.windowed = true;
    settings.vertical_sync = false;
    DemoWindow window(settings);
    if (glewInit() != GLEW_OK || !GLEW_VERSION_2_0) {
        std::printf("  no GL 2.0\n");
        return;
    }
    glEnable(GL_TEXTURE_2D);
    ResetPerspective();
    LiveOptions options;
    options.stats = true;
    LiveShow live(options, FindEffectMaker, script);
    EffectList effects;
    std::string music;
    uint32_t offset = 0;
    live.LoadScript(effects, music, offset, nullptr);
    live.SyncBars(effects);
    const auto start = std::chrono::steady_clock::now();
    auto seconds = [&]() {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    // Demo time goes round both scenes, 40 ms a frame.
    auto time_of = [](int i) { return 100 + static_cast<uint32_t>(i * 40) % 7800; };
    std::printf("  %-44s %12s %8s %8s\n", "", "", "new", "malloc");

    // The frame as it was: scale 1, no overlay. Warm-up first, round both
    // scenes (the GL driver compiles its shader variants on first use).
    for (int i = 0; i < 200; ++i) DrawFrame(live, effects, window, time_of(i), seconds(), false);
    Counts plain;
    for (int i = 0; i < 300; ++i) {
        bench::StartCountingAllocations();
        DrawFrame(live, effects, window, time_of(i), seconds(), false);
        const bench::Allocations a = bench::StopCountingAllocations();
        ++plain.frames;
        plain.news += a.news;
        plain.mallocs += a.mallocs;
    }
    plain.Print("scale 1, no overlay (the frame before)");

    RenderScale automatic;
    automatic.automatic = true;
    window.UseRenderScale(automatic, 1000.0 / 60.0);
    for (int i = 0; i < 200; ++i) DrawFrame(live, effects, window, time_of(i), seconds(), true);
    Counts counts[2];  // [the frame changed the scale]
    for (int i = 0; i < 600; ++i) {
        const float before = window.Scaling()->Scale();
        bench::StartCountingAllocations();
        DrawFrame(live, effects, window, time_of(i), seconds(), true);
        const bench::Allocations a = bench::StopCountingAllocations();
        Counts& c = counts[window.Scaling()->Scale() != before ? 1 : 0];
        ++c.frames;
        c.news += a.news;
        c.mallocs += a.mallocs;
    }
    counts[0].Print("--scale auto and the overlay, scale unchanged");
    counts[1].Print("--scale auto and the overlay, scale changed");
    std::printf(
        "  (operator new counts the program's own allocations; the mallocs are the GL\n"
        "  driver's, made inside GL calls: Mesa allocates as it draws, more for more draw\n"
        "  calls and pixels)\n");
    StatsOverlayTerminate();
    DestroyEffects(effects);
}

void StartUp() {
    std::printf(
        "startup: process start to the first buffer swap, the whole show loaded, 640x480 (5 "
        "runs)\n");
    std::vector<double> first, wall;
    for (int i = 0; i < 5; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const CommandResult r = Demo("--size 640x480 --timedemo --from 17 --to 17");
        wall.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        double ms = 0;
        const size_t at = r.out.find("First frame shown ");
        if (at == std::string::npos ||
            sscanf(r.out.c_str() + at, "First frame shown %lf ms", &ms) != 1) {
            std::printf("  failed (exit %d): %s\n", r.exit_code, r.err.substr(0, 400).c_str());
            return;
        }
        first.push_back(ms);
    }
    std::sort(first.begin(), first.end());
    std::sort(wall.begin(), wall.end());
    std::printf("  first frame %4.0f ms (median; best %4.0f, worst %4.0f); process wall %4.0f ms\n",
                first[2], first.front(), first.back(), wall[2]);
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    struct stat info;
    if (stat(DemoExecutable().c_str(), &info) != 0 || stat("data/demo.txt", &info) != 0) {
        std::printf("Run from the source root with %s built\n", DemoExecutable().c_str());
        return 1;
    }
    std::vector<std::string> parts(argv + 1, argv + argc);
    if (parts.empty()) parts = {"realtime", "zoom", "fill", "alloc", "startup"};
    for (const std::string& part : parts) {
        if (part == "realtime")
            RealTime();
        else if (part == "zoom")
            Zoom();
        else if (part == "fill")
            Fill();
        else if (part == "alloc")
            Allocations();
        else if (part == "startup")
            StartUp();
        else
            std::printf("unknown part '%s' (realtime, zoom, fill, alloc, startup)\n", part.c_str());
    }
    return 0;
}
