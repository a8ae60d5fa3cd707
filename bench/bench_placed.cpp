// Prints, for the placed-object and particle effects:
//  - Brum's memory over a long show, measured first while the process is
//    small: resident set size and heap in use after 20 s and after 10
//    minutes of demo time at 60 frames a second (a star every frame), also
//    once freed heap is trimmed, with the number of live stars and the
//    allocations made on the way (37,500 finished frames: this part takes a
//    few minutes);
//  - the frame time of Quill3D, FogRotator, Prikker and Brum at 640 x 480
//    and 1024 x 768, next to a cleared frame and one plain full-screen
//    textured quad measured in the same run, with heap allocations per
//    frame (operator new must be 0). Brum is first played for 10 s of demo
//    time, so its star trail is as long as it gets.
//
// Usage: xvfb-run -a -s "-screen 0 1280x1024x24" bench_placed [frames]
//   Run from the source tree's root (it reads data/).
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "effect_frames.h"
#include "effects/image/brum.h"
#include "effects/image/fog_rotator.h"
#include "effects/image/prikker.h"
#include "effects/image/quill3d.h"
#include "render/gl_guards.h"
#include "support/gl_context.h"

namespace {

constexpr uint32_t kFirstTime = 15000;

// Resident set size in KiB, from /proc/self/statm.
long ResidentKiB() {
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return -1;
    long size = 0, resident = 0;
    const int read = std::fscanf(f, "%ld %ld", &size, &resident);
    std::fclose(f);
    return read == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

long HeapInUseKiB() { return static_cast<long>(mallinfo2().uordblks / 1024); }

// Draws Brum from `from` to `to` ms of demo time, one frame every `step` ms,
// each finished before the next as a buffer swap would (llvmpipe otherwise
// queues unfinished frames and its own memory grows into gigabytes). Returns
// the heap allocations of the main thread meanwhile.
bench::Allocations Play(Effekter::Brum& brum, uint32_t from, uint32_t to, uint32_t step) {
    bench::StartCountingAllocations();
    for (uint32_t t = from; t < to; t += step) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        brum.Draw(t, 0);
        glFinish();
    }
    return bench::StopCountingAllocations();
}

void BenchBrumMemory() {
    // Memory does not depend on the window size; a small one keeps the
    // 37,500 frames quick.
    SetWindowSize(160, 120);
    ResetGlState();
    const uint32_t start = 1000, step = 16;
    Effekter::Brum brum(0, 100000000);
    std::printf("Brum over a long show (a frame every %u ms, a star every frame)\n", step);
    std::printf("  %-18s %13s %13s %11s %6s %8s %13s\n", "demo time", "resident KiB", "after trim",
                "heap KiB", "stars", "new", "malloc");
    auto report = [&](const char* label, const bench::Allocations& a) {
        const long resident = ResidentKiB();
        malloc_trim(0);  // hand freed heap back, so what stays is what is in use
        std::printf("  %-18s %13ld %13ld %11ld %6d %8ld %13ld\n", label, resident, ResidentKiB(),
                    HeapInUseKiB(), brum.Stars().Size(), a.news, a.mallocs);
        std::fflush(stdout);
    };
    // The driver compiles its shader variants on the first frames.
    Play(brum, start - 500, start, step);
    report("after warm-up", bench::Allocations{});
    report("after 20 s", Play(brum, start, start + 20000, step));
    report("after 1 minute", Play(brum, start + 20000, start + 60000, step));
    report("after 10 minutes", Play(brum, start + 60000, start + 600000, step));
    std::printf(
        "  pool capacity: %d stars (%zu bytes each). new and malloc: calls in each\n"
        "  period; new is Brum's own heap use (must be 0), malloc is the GL driver's.\n"
        "  Heap KiB is glibc's bytes in use, almost all the driver's; after trim is the\n"
        "  resident size once malloc_trim has returned freed heap to the system.\n\n",
        Effekter::StarPool::kCapacity, sizeof(Effekter::StarParticle));
    ResetGlState();
}

}  // namespace

int main(int argc, char** argv) {
    if (!bench::OpenBenchContext()) return 1;
    const int frames = bench::FramesArgument(argc, argv, 300);
    // First, while the process is small: the frame table below lets llvmpipe
    // queue unfinished frames, and resident memory never shrinks back.
    BenchBrumMemory();

    bench::PrintEffectFrameTables(
        frames,
        [] {
            auto brum = std::make_shared<Effekter::Brum>(0, 100000000);
            // 10 s of trail before the measured frames (17 ms apart).
            for (uint32_t t = kFirstTime - 10000; t < kFirstTime; t += 17) brum->Draw(t, 0);
            ResetGlState();
            return std::vector<bench::Subject>{
                bench::EffectSubject("Quill3D", std::make_shared<Effekter::Quill3D>(0, 1000000)),
                bench::EffectSubject("FogRotator",
                                     std::make_shared<Effekter::FogRotator>(0, 1000000)),
                bench::EffectSubject("Prikker", std::make_shared<Effekter::Prikker>(0, 1000000)),
                bench::EffectSubject("Brum (10 s of stars)", brum),
            };
        },
        kFirstTime);
    return 0;
}
