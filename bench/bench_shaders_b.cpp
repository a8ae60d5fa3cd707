// Prints the frame time of ShaderSuite3D, ShaderShow and TwistBox at
// 640 x 480 and 1024 x 768, next to a cleared frame and one plain
// full-screen textured quad measured in the same run, and the heap
// allocations per frame (operator new must be 0; malloc counts the GL
// driver's too).
//
// "TwistBox 8x8 viewport" draws the same frames into an 8 x 8 pixel
// viewport: almost no fill, so it shows what submitting the 1000 rings
// costs on its own; the difference to the full-size line is the fill.
//
// Usage: xvfb-run -a -s "-screen 0 1280x1024x24" bench_shaders_b [frames]
//   Run from the source tree's root (it reads data/).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "effect_frames.h"
#include "effects/3d/twist_box.h"
#include "effects/shader/shader_show.h"
#include "effects/shader/shader_suite3d.h"
#include "render/gl_guards.h"
#include "support/gl_context.h"

int main(int argc, char** argv) {
    if (!bench::OpenBenchContext()) return 1;
    const int frames = bench::FramesArgument(argc, argv, 200);
    bench::PrintEffectFrameTables(frames, [] {
        using namespace Effekter;
        auto tower = std::make_shared<TwistBox>(0, 1000000);
        return std::vector<bench::Subject>{
            bench::EffectSubject("ShaderSuite3D", std::make_shared<ShaderSuite3D>(0, 1000000)),
            bench::EffectSubject("ShaderShow ripple", std::make_shared<ShaderShow>(
                                                          0, 1000000, "data/showshaders/ripple.fs",
                                                          "data/show/lagoon.jpg")),
            bench::EffectSubject(
                "ShaderShow kaleido",
                std::make_shared<ShaderShow>(0, 1000000, "data/showshaders/kaleido.fs",
                                             "data/show/glass.jpg")),
            bench::EffectSubject(
                "ShaderShow no shader",
                std::make_shared<ShaderShow>(0, 1000000, "", "data/show/glass.jpg")),
            bench::EffectSubject("TwistBox", tower),
            {"TwistBox 8x8 viewport",
             [tower](uint32_t t, float b) {
                 glViewport(0, 0, 8, 8);
                 tower->Draw(t, b);
                 ResetPerspective();
             }},
        };
    });
    return 0;
}
