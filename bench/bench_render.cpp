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
#include "effect_frames.h"
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

}  // namespace

int main(int argc, char** argv) {
    if (!bench::OpenBenchContext()) return 1;
    const int frames = bench::FramesArgument(argc, argv, 300);
    BenchJpegLoad();

    bench::PrintEffectFrameTables(frames, [] {
        return std::vector<bench::Subject>{
            bench::EffectSubject("FlashWhite", std::make_shared<Effekter::FlashWhite>(0, 1000000)),
            bench::EffectSubject("Stroboskop", std::make_shared<Effekter::Stroboskop>(0, 1000000)),
            bench::EffectSubject("Plasma2D", std::make_shared<Effekter::Plasma2D>(0, 1000000, 1)),
        };
    });
    return 0;
}
