// Prints the frame time of the picture layers at 640 x 480 and 1024 x 768,
// next to a cleared frame and one plain full-screen textured quad measured in
// the same run, with heap allocations per frame:
//  - AlphaBlendImage: the title caption (UPCENTER), the beat logo (RANDOM)
//    and the opaque full-screen case (STATICFADEOUT over a JPEG);
//  - Tunnel early in its window (a few clouds behind the eye), late in it
//    (most of the thousand behind the eye) and in the closing phase of a
//    30 s window (landscape, glow and faded clouds);
//  - Solaris early (30 sprites) and late in the show (hundreds of sprites
//    behind the eye).
// The effect's cost is best read as "x quad-clear": how many plain
// full-screen layers its drawing is worth.
//
// Usage: xvfb-run -a -s "-screen 0 1280x1024x24" bench_image_layers [frames]
//   Run from the source tree's root (it reads data/).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "effect_frames.h"
#include "effects/image/alpha_blend_image.h"
#include "effects/image/solaris.h"
#include "effects/image/tunnel.h"
#include "support/gl_context.h"

namespace {

// Draws `effect` at the measured times shifted by `offset` ms.
bench::Subject Shifted(std::string name, std::shared_ptr<Effekt> effect, uint32_t offset) {
    return {std::move(name),
            [effect, offset](uint32_t t, float b) { effect->Draw(t + offset, b); }};
}

std::vector<bench::Subject> MakeSubjects() {
    using Effekter::AlphaBlendImage;
    // The measured frames run from 5 s to about 10 s of demo time.
    auto title = std::make_shared<AlphaBlendImage>(0, 20000, "data/captions/title.png", "UPCENTER");
    auto logo = std::make_shared<AlphaBlendImage>(0, 20000, "data/captions/logo.png", "RANDOM");
    auto cover =
        std::make_shared<AlphaBlendImage>(0, 20000, "data/sky/landskab1.jpg", "STATICFADEOUT");
    auto tunnel = std::make_shared<Effekter::Tunnel>(0, 200000);
    auto closing = std::make_shared<Effekter::Tunnel>(0, 30000);
    auto solaris = std::make_shared<Effekter::Solaris>(0, 2000000);
    return {
        bench::EffectSubject("AlphaBlend title", title),
        bench::EffectSubject("AlphaBlend logo RANDOM", logo),
        bench::EffectSubject("AlphaBlend opaque fade", cover),
        bench::EffectSubject("Tunnel 5 s", tunnel),
        Shifted("Tunnel 90 s", tunnel, 85000),
        Shifted("Tunnel closing 20 s", closing, 15000),
        bench::EffectSubject("Solaris 5 s", solaris),
        Shifted("Solaris 300 s", solaris, 295000),
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (!bench::OpenBenchContext()) return 1;
    const int frames = bench::FramesArgument(argc, argv, 200);
    bench::PrintEffectFrameTables(frames, MakeSubjects);
    return 0;
}
