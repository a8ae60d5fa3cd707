// Prints the frame time of PolarCoords, Banger (both phases), Circles and
// Faces at 640 x 480 and 1024 x 768, next to a cleared frame and one plain
// full-screen textured quad measured in the same run, and the heap
// allocations per frame (operator new must stay at 0).
//
// Usage: xvfb-run -a -s "-screen 0 1280x1024x24" bench_shaders_a [frames]
//   Run from the source tree's root (it reads data/).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "effect_frames.h"
#include "effects/shader/banger.h"
#include "effects/shader/circles.h"
#include "effects/shader/faces.h"
#include "effects/shader/polar_coords.h"
#include "support/gl_context.h"

int main(int argc, char** argv) {
    if (!bench::OpenBenchContext()) return 1;
    const int frames = bench::FramesArgument(argc, argv, 200);

    bench::PrintEffectFrameTables(frames, [] {
        // The frames run from demo time 5000 on, so a Banger from 0 is in
        // its beat phase; the slide phase is held by folding the time
        // into the effect's first second.
        auto slider = std::make_shared<Effekter::Banger>(0, 1000000);
        bench::Subject slide{"Banger (slide phase)",
                             [slider](uint32_t t, float b) { slider->Draw(1 + t % 999, b); }};
        return std::vector<bench::Subject>{
            bench::EffectSubject("PolarCoords",
                                 std::make_shared<Effekter::PolarCoords>(0, 1000000)),
            slide,
            bench::EffectSubject("Banger (beat phase)",
                                 std::make_shared<Effekter::Banger>(0, 1000000)),
            bench::EffectSubject("Circles", std::make_shared<Effekter::Circles>(0, 1000000)),
            bench::EffectSubject("Faces", std::make_shared<Effekter::Faces>(0, 1000000)),
        };
    });
    return 0;
}
