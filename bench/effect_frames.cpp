#include "effect_frames.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <utility>

#include "bench_support.h"
#include "render/gl_guards.h"
#include "render/texture.h"
#include "support/gl_context.h"
#include "timeline/effekt.h"

namespace bench {

Subject EffectSubject(std::string name, std::shared_ptr<Effekt> effect) {
    return {std::move(name), [effect](uint32_t t, float b) { effect->Draw(t, b); }};
}

FrameResult MeasureFrames(const Subject& subject, int frames, uint32_t first_time) {
    auto frame = [&](int i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const uint32_t t = first_time + static_cast<uint32_t>(i) * 17;
        const float beat = 0.5f + 0.5f * std::sin(static_cast<float>(i) * 0.3f);
        subject.draw(t, beat);
    };
    for (int i = 0; i < 20; ++i) frame(i);  // warm up shaders and caches
    glFinish();
    FrameResult r;
    const double start = NowMs();
    for (int i = 0; i < frames; ++i) frame(i);
    glFinish();
    r.ms = (NowMs() - start) / frames;

    const int counted = 100;
    StartCountingAllocations();
    for (int i = 0; i < counted; ++i) frame(frames + i);
    const Allocations allocations = StopCountingAllocations();
    glFinish();
    r.news_per_frame = static_cast<double>(allocations.news) / counted;
    r.mallocs_per_frame = static_cast<double>(allocations.mallocs) / counted;
    return r;
}

bool OpenBenchContext() {
    if (!EnsureGlContext(1024, 768)) {
        std::printf("no GL context (run under xvfb-run)\n");
        return false;
    }
    std::printf("GL renderer: %s\n\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    return true;
}

int FramesArgument(int argc, char** argv, int fallback) {
    return argc > 1 ? std::max(10, std::atoi(argv[1])) : fallback;
}

void PrintEffectFrameTables(int frames, const std::function<std::vector<Subject>()>& make_subjects,
                            uint32_t first_time) {
    PrintEffectFrameHeader(frames);
    for (auto [width, height] : {std::pair{640, 480}, std::pair{1024, 768}})
        PrintEffectFrameTable(width, height, frames, make_subjects, first_time);
    PrintEffectFrameFooter();
}

void PrintEffectFrameHeader(int frames) {
    std::printf("Frame time over %d frames (clear + draw, glFinish at the end)\n", frames);
    std::printf("  %-11s  %-24s %9s %10s %12s %10s %12s\n", "size", "subject", "ms/frame", "x quad",
                "x quad-clear", "new/frame", "malloc/frame");
}

void PrintEffectFrameTable(int width, int height, int frames,
                           const std::function<std::vector<Subject>()>& make_subjects,
                           uint32_t first_time) {
    SetWindowSize(width, height);
    ResetGlState();
    CTextureFreeImage water;
    water.Load("data/plasma/__water.jpg");
    std::vector<Subject> subjects = {
        {"clear only", [](uint32_t, float) {}},
        {"plain textured quad",
         [&](uint32_t, float) {
             Ortho2DScope view;
             MatrixScope matrix;
             glTranslatef(0, 0, -1);
             TextureBind bind(water);
             Quad(1, 1).Draw(1, 1);
         }},
    };
    for (Subject& s : make_subjects()) subjects.push_back(std::move(s));

    std::vector<FrameResult> results;
    for (const Subject& s : subjects) {
        results.push_back(MeasureFrames(s, frames, first_time));
        ResetGlState();
    }
    const double clear = results[0].ms, quad = results[1].ms;
    for (size_t i = 0; i < subjects.size(); ++i) {
        const FrameResult& r = results[i];
        std::printf("  %4d x %-4d  %-24s %9.3f %10.2f %12.2f %10.2f %12.2f\n", width, height,
                    subjects[i].name.c_str(), r.ms, r.ms / quad, (r.ms - clear) / (quad - clear),
                    r.news_per_frame, r.mallocs_per_frame);
    }
    std::fflush(stdout);
    ResetGlState();
}

void PrintEffectFrameFooter() {
    std::printf(
        "\n  x quad: frame time over the plain quad frame; x quad-clear: the drawing alone\n"
        "  over the quad's drawing (clear time taken off both). new/frame counts operator\n"
        "  new (the effects' own heap use, must be 0); malloc/frame counts every malloc of\n"
        "  the main thread, the GL driver's included.\n");
}

}  // namespace bench
