// Prints the decode time of the bundled music, the cost of one Spectrum()
// call on the live and offline clocks, and how many heap allocations
// Spectrum() and Position() make (counted by replacing malloc and operator new
// in this program; the target is 0).
//
// Usage: bench_audio [music file]   (default: data/music/kiln.ogg of the source tree)
#include "platform/audio.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include <malloc.h>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {
// Only the main thread's allocations are counted, and only while `counting`.
thread_local bool counting = false;
thread_local long allocations = 0;
void Count() {
    if (counting) ++allocations;
}
}  // namespace

extern "C" {
void* malloc(size_t n) {
    Count();
    return __libc_malloc(n);
}
void* calloc(size_t a, size_t b) {
    Count();
    return __libc_calloc(a, b);
}
void* realloc(void* p, size_t n) {
    Count();
    return __libc_realloc(p, n);
}
void free(void* p) { __libc_free(p); }
void* memalign(size_t align, size_t n) {
    Count();
    return __libc_memalign(align, n);
}
void* aligned_alloc(size_t align, size_t n) {
    Count();
    return __libc_memalign(align, n);
}
int posix_memalign(void** out, size_t align, size_t n) {
    Count();
    void* p = __libc_memalign(align, n);
    if (p == nullptr) return 12;  // ENOMEM
    *out = p;
    return 0;
}
}

void* operator new(size_t n) {
    void* p = malloc(n == 0 ? 1 : n);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }

namespace {

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct SpectrumCost {
    double microseconds;
    double allocations_per_call;
};

SpectrumCost MeasureSpectrum(MusicClock& music, double track_seconds, int calls) {
    static float spectrum[kSpectrumBins];
    float sink = 0.0f;
    allocations = 0;
    counting = true;
    const double start = Now();
    for (int i = 0; i < calls; ++i) {
        // Jump about so every call reads fresh audio, as a running show does.
        music.SetPosition(track_seconds * ((i * 7919) % calls) / calls);
        sink += static_cast<float>(music.Position());
        music.Spectrum(spectrum);
        sink += spectrum[3];
    }
    const double elapsed = Now() - start;
    counting = false;
    if (sink == -1.0f) std::puts("");  // keeps the loop from being optimised away
    return {elapsed * 1e6 / calls, static_cast<double>(allocations) / calls};
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path =
        argc > 1 ? argv[1] : std::string(DEMO_SOURCE_DIR) + "/data/music/kiln.ogg";
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    // The counter must see both C and C++ allocations, or its zeros mean nothing.
    allocations = 0;
    counting = true;
    delete new int(1);
    free(malloc(16));
    counting = false;
    if (allocations != 2) {
        std::fprintf(stderr, "allocation counter broken: saw %ld of 2\n", allocations);
        return 1;
    }

    DecodedMusic music;
    std::string error;
    const double start = Now();
    if (!DecodeMusicFile(path, music, error)) {
        std::fprintf(stderr, "cannot decode %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    const double decode = Now() - start;
    std::printf("decode %s: %.1f ms for %.1f s of music (%.0fx real time), %.1f MB in memory\n",
                path.c_str(), decode * 1e3, music.seconds(), music.seconds() / decode,
                music.samples.size() * sizeof(float) / 1e6);

    const int calls = 20000;
    {
        auto offline = OpenOfflineMusic(path);
        offline->Play();
        const SpectrumCost cost = MeasureSpectrum(*offline, music.seconds(), calls);
        std::printf(
            "offline Spectrum()+Position()+SetPosition(): %.2f us per call, %.3f heap "
            "allocations per call\n",
            cost.microseconds, cost.allocations_per_call);
    }
    {
        InitAudioOutput();
        auto live = OpenMusicStream(path);
        live->Play();
        const SpectrumCost cost = MeasureSpectrum(*live, music.seconds(), calls);
        std::printf(
            "live Spectrum()+Position()+SetPosition(): %.2f us per call, %.3f heap "
            "allocations per call\n",
            cost.microseconds, cost.allocations_per_call);
    }
    {
        SpectrumAnalyzer analyzer;
        static float spectrum[kSpectrumBins];
        allocations = 0;
        counting = true;
        const double t0 = Now();
        for (int i = 0; i < calls; ++i) analyzer.Analyze(music, i * 997LL, spectrum);
        const double elapsed = Now() - t0;
        counting = false;
        std::printf(
            "SpectrumAnalyzer::Analyze alone: %.2f us per call, %.3f heap allocations "
            "per call\n",
            elapsed * 1e6 / calls, static_cast<double>(allocations) / calls);
    }
    return 0;
}
