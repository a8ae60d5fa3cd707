// Prints the decode time of the bundled music, the cost of one Spectrum()
// call on the live and offline clocks, and how many heap allocations
// Spectrum() and Position() make (counted by replacing malloc and operator new
// in this program; the target is 0).
//
// Usage: bench_audio [music file]   (default: data/music/kiln.ogg of the source tree)
#include "bench_support.h"
#include "platform/audio.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double Now() { return bench::NowMs() / 1e3; }

struct SpectrumCost {
    double microseconds;
    double allocations_per_call;
};

SpectrumCost MeasureSpectrum(MusicClock& music, double track_seconds, int calls) {
    static float spectrum[kSpectrumBins];
    float sink = 0.0f;
    bench::StartCountingAllocations();
    const double start = Now();
    for (int i = 0; i < calls; ++i) {
        // Jump about so every call reads fresh audio, as a running show does.
        music.SetPosition(track_seconds * ((i * 7919) % calls) / calls);
        sink += static_cast<float>(music.Position());
        music.Spectrum(spectrum);
        sink += spectrum[3];
    }
    const double elapsed = Now() - start;
    const long allocations = bench::StopCountingAllocations().Total();
    if (sink == -1.0f) std::puts("");  // keeps the loop from being optimised away
    return {elapsed * 1e6 / calls, static_cast<double>(allocations) / calls};
}

// Plays `music` and prints what its Spectrum()/Position()/SetPosition() cost.
void ReportSpectrum(const char* clock, MusicClock& music, double track_seconds, int calls) {
    music.Play();
    const SpectrumCost cost = MeasureSpectrum(music, track_seconds, calls);
    std::printf(
        "%s Spectrum()+Position()+SetPosition(): %.2f us per call, %.3f heap allocations per "
        "call\n",
        clock, cost.microseconds, cost.allocations_per_call);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path =
        argc > 1 ? argv[1] : std::string(DEMO_SOURCE_DIR) + "/data/music/kiln.ogg";
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    // The counter must see both C and C++ allocations, or its zeros mean nothing.
    bench::StartCountingAllocations();
    // Through volatile pointers, or the compiler drops the pairs as unused.
    int* volatile object = new int(1);
    delete object;
    void* volatile block = malloc(16);
    free(block);
    const long allocations = bench::StopCountingAllocations().Total();
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
    ReportSpectrum("offline", *OpenOfflineMusic(path), music.seconds(), calls);
    InitAudioOutput();
    ReportSpectrum("live", *OpenMusicStream(path), music.seconds(), calls);
    {
        SpectrumAnalyzer analyzer;
        static float spectrum[kSpectrumBins];
        bench::StartCountingAllocations();
        const double t0 = Now();
        for (int i = 0; i < calls; ++i) analyzer.Analyze(music, i * 997LL, spectrum);
        const double elapsed = Now() - t0;
        const long allocations = bench::StopCountingAllocations().Total();
        std::printf(
            "SpectrumAnalyzer::Analyze alone: %.2f us per call, %.3f heap allocations "
            "per call\n",
            elapsed * 1e6 / calls, static_cast<double>(allocations) / calls);
    }
    return 0;
}
