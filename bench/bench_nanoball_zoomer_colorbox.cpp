// Prints the frame time of NanoBall, Zoomba, Zoombb and ColorBox at
// 640 x 480 and 1024 x 768, next to a cleared frame and one plain
// full-screen textured quad measured in the same run, and their heap
// allocations per frame (operator new must be 0).
//
// What to expect from the layers they really draw: Zoomba and Zoombb about
// one background, one glow and some sixty window-filling sprites (every
// sprite nearer than z = -1.4 covers the window); ColorBox a few layers of
// overlapping additive tiles; NanoBall one background and a ball that
// covers part of the window, but 512 lit cylinders and discs of geometry.
//
// Usage: xvfb-run -a -s "-screen 0 1280x1024x24" bench_nanoball_zoomer_colorbox [frames [name]]
//   Run from the source tree's root (it reads data/). With a name, only
//   that effect is measured (for profiling one of them).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "effect_frames.h"
#include "effects/image/color_box.h"
#include "effects/image/nano_ball.h"
#include "effects/image/zoomer.h"
#include "support/gl_context.h"

int main(int argc, char** argv) {
    if (!bench::OpenBenchContext()) return 1;
    const int frames = bench::FramesArgument(argc, argv, 200);
    const std::string only = argc > 2 ? argv[2] : "";
    bench::PrintEffectFrameTables(frames, [&only] {
        // NanoBall starts a beat before the measured frames, so its ball
        // stays in view (the beat swings above 0.25 every few frames).
        std::vector<bench::Subject> subjects = {
            bench::EffectSubject("NanoBall", std::make_shared<Effekter::NanoBall>(4000, 1000000)),
            bench::EffectSubject("Zoomba", std::make_shared<Effekter::Zoomba>(0, 1000000)),
            bench::EffectSubject("Zoombb", std::make_shared<Effekter::Zoombb>(0, 1000000)),
            bench::EffectSubject("ColorBox", std::make_shared<Effekter::ColorBox>(0, 1000000)),
        };
        if (!only.empty()) {
            subjects.erase(std::remove_if(subjects.begin(), subjects.end(),
                                          [&](const bench::Subject& s) { return s.name != only; }),
                           subjects.end());
        }
        return subjects;
    });
    return 0;
}
