// Prints, for the rendering toolkit and the first effects:
//  - the time to load a 1024 x 1024 JPEG into a texture (decode, reorder,
//    mipmaps), and of a 1000 x 1000 one that has to be stretched first;
//  - the frame time of FlashWhite, Stroboskop and Plasma2D at 640 x 480 and
//    1024 x 768, next to a cleared frame and one plain full-screen textured
//    quad measured in the same run, so the figures read as multiples of the
//    fill-rate bound;
//  - heap allocations per frame: operator new (must be 0) and malloc calls
//    of the main thread, the GL driver's included.
//
// Usage: xvfb-run -a -s "-screen 0 1280x1024x24" bench_render [frames]
//   Run from the source tree's root (it reads data/). Frames are drawn
//   without being shown or written; glFinish runs before a timing stops.
#include <FreeImage.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "effects/image/flash_white.h"
#include "effects/image/stroboskop.h"
#include "effects/shader/plasma2d.h"
#include "render/gl_guards.h"
#include "render/texture.h"
#include "support/gl_context.h"
#include "support/test_paths.h"

namespace {

using bench::NowMs;

double Median(std::vector<double> v) { return bench::Summarise(std::move(v)).median; }

// A JPEG with detail everywhere (smooth waves plus fine noise),
// so the decoder has real work.
std::string WriteTestJpeg(const ScratchDir& dir, int side) {
    FIBITMAP* dib = FreeImage_Allocate(side, side, 24);
    unsigned seed = 12345;
    for (int y = 0; y < side; ++y) {
        BYTE* line = FreeImage_GetScanLine(dib, y);
        for (int x = 0; x < side; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>((seed >> 16) & 31);
            line[3 * x + 0] = static_cast<BYTE>(128 + 100 * std::sin(x * 0.03) + noise - 16);
            line[3 * x + 1] = static_cast<BYTE>(128 + 100 * std::cos(y * 0.021) + noise - 16);
            line[3 * x + 2] = static_cast<BYTE>((x ^ y) & 255);
        }
    }
    const std::string path = dir.path() + "/picture" + std::to_string(side) + ".jpg";
    FreeImage_Save(FIF_JPEG, dib, path.c_str(), 90);
    FreeImage_Unload(dib);
    return path;
}

void BenchJpegLoad() {
    ScratchDir dir;
    std::printf("Texture load (CTextureFreeImage::Load, median of 9, glFinish included)\n");
    std::printf("  %-34s %10s %12s\n", "image", "decode ms", "load ms");
    for (int side : {1024, 1000}) {
        const std::string path = WriteTestJpeg(dir, side);
        std::vector<double> decode, load;
        for (int i = 0; i < 9; ++i) {
            double start = NowMs();
            FIBITMAP* dib = FreeImage_Load(FreeImage_GetFileType(path.c_str(), 0), path.c_str(), 0);
            FIBITMAP* converted = FreeImage_ConvertTo32Bits(dib);
            FreeImage_Unload(converted);
            FreeImage_Unload(dib);
            decode.push_back(NowMs() - start);

            start = NowMs();
            CTextureFreeImage texture;
            texture.Load(path.c_str());
            glFinish();
            load.push_back(NowMs() - start);
        }
        const std::string label = std::to_string(side) + " x " + std::to_string(side) + " JPEG" +
                                  (side == 1024 ? "" : " (stretched to 1024)");
        std::printf("  %-34s %10.2f %12.2f\n", label.c_str(), Median(decode), Median(load));
    }
    std::printf("\n");
}

struct Subject {
    std::string name;
    std::function<void(uint32_t, float)> draw;
};

struct FrameResult {
    double ms = 0;
    double news_per_frame = 0;
    double mallocs_per_frame = 0;
};

// One frame as the frame loop makes it: clear colour and depth, then draw.
FrameResult Measure(const Subject& subject, int frames) {
    auto frame = [&](int i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const uint32_t t = 5000 + static_cast<uint32_t>(i) * 17;
        const float beat = 0.5f + 0.5f * std::sin(i * 0.3f);
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
    bench::StartCountingAllocations();
    for (int i = 0; i < counted; ++i) frame(i);
    const bench::Allocations allocations = bench::StopCountingAllocations();
    glFinish();
    r.news_per_frame = static_cast<double>(allocations.news) / counted;
    r.mallocs_per_frame = static_cast<double>(allocations.mallocs) / counted;
    return r;
}

void BenchEffects(int width, int height, int frames) {
    SetWindowSize(width, height);
    ResetGlState();
    CTextureFreeImage water;
    water.Load("data/plasma/__water.jpg");
    Effekter::FlashWhite flash(0, 1000000);
    Effekter::Stroboskop strobo(0, 1000000);
    Effekter::Plasma2D plasma(0, 1000000, 1);

    const std::vector<Subject> subjects = {
        {"clear only", [](uint32_t, float) {}},
        {"plain textured quad",
         [&](uint32_t, float) {
             Ortho2DScope view;
             MatrixScope matrix;
             glTranslatef(0, 0, -1);
             TextureBind bind(water);
             Quad(1, 1).Draw(1, 1);
         }},
        {"FlashWhite", [&](uint32_t t, float b) { flash.Draw(t, b); }},
        {"Stroboskop", [&](uint32_t t, float b) { strobo.Draw(t, b); }},
        {"Plasma2D", [&](uint32_t t, float b) { plasma.Draw(t, b); }},
    };
    std::vector<FrameResult> results;
    for (const Subject& s : subjects) results.push_back(Measure(s, frames));
    const double clear = results[0].ms, quad = results[1].ms;
    for (size_t i = 0; i < subjects.size(); ++i) {
        const FrameResult& r = results[i];
        std::printf("  %4d x %-4d  %-20s %9.3f %10.2f %12.2f %10.2f %12.2f\n", width, height,
                    subjects[i].name.c_str(), r.ms, r.ms / quad, (r.ms - clear) / (quad - clear),
                    r.news_per_frame, r.mallocs_per_frame);
    }
    ResetGlState();
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    if (!EnsureGlContext(1024, 768)) {
        std::printf("no GL context (run under xvfb-run)\n");
        return 1;
    }
    std::printf("GL renderer: %s\n\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    BenchJpegLoad();

    std::printf("Frame time over %d frames (clear + draw, glFinish at the end)\n", frames);
    std::printf("  %-11s  %-20s %9s %10s %12s %10s %12s\n", "size", "subject", "ms/frame", "x quad",
                "x quad-clear", "new/frame", "malloc/frame");
    BenchEffects(640, 480, frames);
    BenchEffects(1024, 768, frames);
    std::printf(
        "\n  x quad: frame time over the plain quad frame; x quad-clear: the drawing alone\n"
        "  over the quad's drawing (clear time taken off both). new/frame counts operator\n"
        "  new (the effects' own heap use, must be 0); malloc/frame counts every malloc of\n"
        "  the main thread, the GL driver's included.\n");
    return 0;
}
