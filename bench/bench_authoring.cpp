// Prints what the authoring options cost and how quickly a change shows:
//  - frame time and heap allocations per frame of a small show drawn as the
//    real-time loop draws it, without options, with the tweak panel shown,
//    with it hidden (F1), with --watch, and with both;
//  - the time from a file's change on disk (written in place, or renamed
//    over) to the first frame that shows it, for a shader, a picture and the
//    script (an added entry), and for the bundled script with one entry added.
//
// Usage: xvfb-run -a -s "-screen 0 1280x1024x24" bench_authoring [frames]
//   Run from the source tree's root (the effects read data/).
#include <FreeImage.h>
#include <GL/glew.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/frame_clock.h"
#include "app/live/live_show.h"
#include "bench_support.h"
#include "factory/factory.h"
#include "render/gl_guards.h"
#include "support/gl_context.h"
#include "support/test_paths.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Plasma (a program), Quill3D (lighting left on), FogRotator (seven vectors
// on its bar) and a caption layer, all on screen at once.
const char kShow[] =
    "none.ogg\n0\n4\n"
    "Plasma2D\n0\n10000000\n7\n"
    "Quill3D\n0\n10000000\n"
    "FogRotator\n0\n10000000\n"
    "AlphaBlendImage\n0\n10000000\ndata/plasma/__water.jpg\nSTATICFADEIN\n";

struct FrameCost {
    double median_ms = 0, p95_ms = 0, news = 0, mallocs = 0;
};

// Draws `frames` frames as the loop does (reload check, clear, the show's
// frame with its tweaks, overlay: bars, key buttons and timeline strip), timing each with glFinish,
// then counts the allocations of 200 more.
FrameCost MeasureFrames(LiveShow& live, EffectList& effects, bool overlay, int frames) {
    const float spectrum[kSpectrumBins] = {0.1f};
    auto frame = [&](uint32_t t) {
        live.ReloadChanges(effects);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        live.DrawFrame(effects, t, spectrum);
        if (overlay) live.DrawOverlay(effects, t);
    };
    for (int i = 0; i < 20; ++i) frame(5000 + 17 * static_cast<uint32_t>(i));
    glFinish();
    std::vector<double> times;
    for (int i = 0; i < frames; ++i) {
        const Clock::time_point start = Clock::now();
        frame(6000 + 17 * static_cast<uint32_t>(i));
        glFinish();
        times.push_back(MsSince(start));
    }
    bench::StartCountingAllocations();
    for (int i = 0; i < 200; ++i) frame(9000 + 17 * static_cast<uint32_t>(i));
    const bench::Allocations a = bench::StopCountingAllocations();
    const bench::Stats s = bench::Summarise(times);
    return FrameCost{s.median, s.p95, a.news / 200.0, a.mallocs / 200.0};
}

void PrintCost(const char* label, const FrameCost& c) {
    std::printf("  %-34s %9.2f %9.2f %11.2f %13.2f\n", label, c.median_ms, c.p95_ms, c.news,
                c.mallocs);
}

SDL_Event F1Released() {
    SDL_Event event{};
    event.type = SDL_KEYUP;
    event.key.type = SDL_KEYUP;
    event.key.keysym.sym = SDLK_F1;
    return event;
}

void BenchFrameCosts(int frames, bool with_watch) {
    ScratchDir dir;
    const std::string script = dir.Write("demo.txt", kShow);
    auto run = [&](const char* label, bool tweak, bool watch, bool hide) {
        LiveOptions options;
        options.tweak = tweak;
        options.watch = watch;
        LiveShow live(options, FindEffectMaker, script);
        EffectList effects;
        std::string music;
        uint32_t offset = 0;
        live.LoadScript(effects, music, offset, nullptr);
        live.SyncBars(effects);
        if (hide) live.Input().Filter(F1Released());
        ResetGlState();
        PrintCost(label, MeasureFrames(live, effects, tweak || watch, frames));
        DestroyEffects(effects);
        TweakTerminate();
    };
    if (!with_watch) {
        run("no option", false, false, false);
        run("--tweak, panel and strip shown", true, false, false);
        run("--tweak, panel hidden (F1)", true, false, true);
    } else {
        // Stable uniform locations stay on once --watch turned them on.
        run("--watch", false, true, false);
        run("--watch --tweak, panel hidden", true, true, true);
        run("--watch --tweak, panel shown", true, true, false);
    }
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

void WritePicture(const std::string& path, int r, int g, int b) {
    FIBITMAP* image = FreeImage_Allocate(256, 256, 24);
    RGBQUAD colour{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
    for (unsigned y = 0; y < 256; ++y)
        for (unsigned x = 0; x < 256; ++x) FreeImage_SetPixelColor(image, x, y, &colour);
    FreeImage_Save(FIF_JPEG, image, path.c_str(), JPEG_QUALITYGOOD);
    FreeImage_Unload(image);
}

std::string Solid(int i) {
    char colour[64];
    std::snprintf(colour, sizeof colour, "%d.0 / 255.0, 0.0, 0.0", 40 + 20 * (i % 10));
    return std::string("uniform float time;\nvoid main() { gl_FragColor = vec4(") + colour +
           ", 1.0) + 0.0 * time; }\n";
}

struct Latency {
    std::vector<double> ms;
    void Print(const char* label) const {
        if (ms.empty()) {
            std::printf("  %-40s  (never shown)\n", label);
            return;
        }
        const bench::Stats s = bench::Summarise(ms);
        std::printf("  %-40s %9.0f %9.0f %9.0f\n", label, s.median, s.max, s.mean);
    }
};

// Frames until `shown` says the change is on screen (at most 5 s). Reading
// the pixel waits for the frame, as a buffer swap would.
double FramesUntilShown(LiveShow& live, EffectList& effects, Clock::time_point changed,
                        const std::function<bool()>& shown) {
    while (MsSince(changed) < 5000) {
        live.ReloadChanges(effects);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawActiveEffects(effects, 5000, 0.0f);
        if (shown()) return MsSince(changed);
        live.DrawOverlay(effects, 5000);
    }
    return -1;
}

int MiddleRed() {
    uint8_t p[4] = {0, 0, 0, 0};
    glReadPixels(WindowWidth() / 2, WindowHeight() / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return p[0];
}

void BenchLatency(int rounds) {
    ScratchDir dir;
    const std::string shader = dir.Write("data/layer.fs", Solid(0));
    const std::string picture = dir.path() + "/data/layer.jpg";
    WritePicture(picture, 255, 255, 255);
    const std::string layer = "ShaderShow\n0\n10000000\n" + shader + "\n" + picture + "\n";
    const std::string script = dir.Write("data/demo.txt", "none.ogg\n0\n1\n" + layer);
    LiveOptions options;
    options.watch = true;
    LiveShow live(options, FindEffectMaker, script);
    EffectList effects;
    std::string music;
    uint32_t offset = 0;
    live.LoadScript(effects, music, offset, nullptr);
    ResetGlState();
    auto settle = [&] {
        const Clock::time_point start = Clock::now();
        while (MsSince(start) < 300) {
            live.ReloadChanges(effects);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            DrawActiveEffects(effects, 5000, 0.0f);
            glFinish();  // frames do not pile up in the driver's queue
        }
    };

    Latency in_place, renamed, pictures, scripts;
    for (int i = 1; i <= rounds; ++i) {
        settle();
        const bool rename = i % 2 == 0;
        Clock::time_point changed;
        if (rename) {
            WriteFile(shader + ".new", Solid(i));
            changed = Clock::now();
            fs::rename(shader + ".new", shader);
        } else {
            changed = Clock::now();
            WriteFile(shader, Solid(i));
        }
        const int want = 40 + 20 * (i % 10);
        const double ms = FramesUntilShown(live, effects, changed,
                                           [&] { return std::abs(MiddleRed() - want) <= 2; });
        if (ms >= 0) (rename ? renamed : in_place).ms.push_back(ms);
    }
    // The picture through a shader that shows it.
    WriteFile(shader,
              "uniform sampler2D p;\nvoid main() { gl_FragColor = texture2D(p, "
              "gl_TexCoord[0].st); }\n");
    settle();
    for (int i = 1; i <= rounds; ++i) {
        settle();
        const int red = 60 + 15 * (i % 10);
        const std::string next = picture + ".new.jpg";
        WritePicture(next, red, 0, 0);
        const Clock::time_point changed = Clock::now();
        fs::rename(next, picture);
        const double ms = FramesUntilShown(live, effects, changed,
                                           [&] { return std::abs(MiddleRed() - red) <= 6; });
        if (ms >= 0) pictures.ms.push_back(ms);
    }
    // The script: one more entry each round.
    std::string text = "none.ogg\n0\n1\n" + layer;
    for (int i = 1; i <= rounds; ++i) {
        settle();
        text += "Overlays\n0\n" + std::to_string(1000 + i) + "\n";
        const size_t before = effects.size();
        const Clock::time_point changed = Clock::now();
        WriteFile(script, text);
        const double ms =
            FramesUntilShown(live, effects, changed, [&] { return effects.size() > before; });
        if (ms >= 0) scripts.ms.push_back(ms);
    }
    std::printf("\nFrom a change on disk to the first frame showing it, --watch (ms; %d rounds)\n",
                rounds);
    std::printf("  %-40s %9s %9s %9s\n", "change", "median", "max", "mean");
    in_place.Print("shader written in place");
    renamed.Print("shader saved by rename");
    pictures.Print("picture (256 x 256 JPEG) by rename");
    scripts.Print("script: an entry added");
    DestroyEffects(effects);
}

// The bundled script, read with --watch, then an entry appended: how long
// the rebuild takes when every other entry is kept.
void BenchBundledScript() {
    ScratchDir dir;
    std::ifstream bundled("data/demo.txt");
    std::string text((std::istreambuf_iterator<char>(bundled)), std::istreambuf_iterator<char>());
    const std::string script = dir.Write("demo.txt", text);
    LiveOptions options;
    options.watch = true;
    LiveShow live(options, FindEffectMaker, script);
    EffectList effects;
    std::string music;
    uint32_t offset = 0;
    const Clock::time_point load_start = Clock::now();
    live.LoadScript(effects, music, offset, nullptr);
    const double load_ms = MsSince(load_start);
    WriteFile(script, text + "Overlays\n0\n1000\n");
    const Clock::time_point reload_start = Clock::now();
    live.Reloader()->Reload(script, effects);
    const double reload_ms = MsSince(reload_start);
    std::printf(
        "\nBundled script (%zu entries): loaded in %.0f ms; an added entry reloaded in "
        "%.1f ms\n",
        effects.size(), load_ms, reload_ms);
    DestroyEffects(effects);
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(20, std::atoi(argv[1])) : 300;
    if (!EnsureGlContext(640, 480)) {
        std::printf("No GL context (run under xvfb-run)\n");
        return 1;
    }
    std::printf(
        "Frame cost at 640 x 480 over %d frames (Plasma2D, Quill3D, FogRotator, "
        "AlphaBlendImage)\n",
        frames);
    std::printf("  %-34s %9s %9s %11s %13s\n", "options", "median ms", "p95 ms", "new/frame",
                "malloc/frame");
    BenchFrameCosts(frames, false);
    BenchFrameCosts(frames, true);
    BenchLatency(10);
    BenchBundledScript();
    return 0;
}
