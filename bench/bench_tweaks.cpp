// Prints what saved tweaks and keys cost, with effects that need no GL (the
// test support's TweakKnobs: an int, a float, two vectors, a colour and an
// enumeration each):
//  - loading a tweaks file of 1,000 keys (read, parsed, matched with the
//    entries and given to the variables), and of 1,000 plain values;
//  - the per-frame cost of keyed variables, the frame's whole show step
//    (DrawShowFrame: keys, spectrum copy, beat level, effects) with 1,000
//    keys spread over 50 variables and in one variable, and its heap
//    allocations per frame;
//  - saving the file of 1,000 keys (written beside it, flushed to the disk
//    and renamed over it).
// Timings on a shared machine are noisy: read the medians.
//
// Usage: bench_tweaks [rounds]   (no display needed)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/core/show_frame.h"
#include "app/core/show_tweaks.h"
#include "bench_support.h"
#include "support/test_paths.h"
#include "support/tweak_knobs.h"

namespace {

// `effects` knobs at 1000, 2000, ...; `keys` keys per variable in each of
// the first `variables` variables of each (at most 5: the keyed kinds).
std::string KeyedFile(int effects, int variables, int keys) {
    static const char* const kVariables[] = {"Speed", "Pos 1", "Pos 2", "Tint", "Seed"};
    static const char* const kValues[] = {"0.5", "1 2 3", "-4 0.25 6", "1 0.5 0.25 1", "12"};
    static const char* const kModes[] = {"step", "linear", "smooth"};
    std::string text = "# bench_tweaks: keys\n";
    for (int e = 0; e < effects; ++e) {
        text += "\n[Knobs " + std::to_string(1000 * (e + 1)) + "]\n";
        for (int v = 0; v < variables; ++v)
            for (int k = 0; k < keys; ++k)
                text += std::string(kVariables[v]) + " @ " + std::to_string(997 * k + 13 * v) +
                        " " + kModes[(k + v) % 3] + " = " + kValues[v] + "\n";
    }
    return text;
}

std::string PlainFile(int effects) {
    std::string text = "# bench_tweaks: values\n";
    for (int e = 0; e < effects; ++e)
        text += "\n[Knobs " + std::to_string(1000 * (e + 1)) +
                "]\nSpeed = 0.75\nPos 1 = 1 2 3\nPos 2 = 4 5 6\nTint = 1 0.5 0.25 1\nSeed = "
                "3\nMode = RANDOM\n";
    return text;
}

EffectList Knobs(int count) {
    EffectList effects;
    for (int e = 0; e < count; ++e)
        effects.push_back(std::make_unique<TweakKnobs>(1000 * (e + 1), 10000000));
    return effects;
}

void PrintRow(const char* label, const std::vector<double>& samples, const char* extra = "") {
    const bench::Stats s = bench::Summarise(samples);
    std::printf("  %-42s %9.3f %9.3f %9.3f  %s\n", label, s.median, s.p95, s.max, extra);
}

// Loading: a new ShowTweaks for each round (Load reads only a changed text).
void BenchLoad(const char* label, const std::string& text, int effect_count, int rounds) {
    ScratchDir dir;
    const std::string path = dir.Write("data/tweaks.txt", text);
    EffectList effects = Knobs(effect_count);
    std::vector<double> ms;
    size_t keys = 0;
    for (int i = 0; i < rounds; ++i) {
        ShowTweaks tweaks(path);
        tweaks.Sync(effects);
        const double start = bench::NowMs();
        tweaks.Load();
        ms.push_back(bench::NowMs() - start);
        keys = tweaks.KeyTimes().size();
        if (!tweaks.Problems().empty())
            std::printf("  problem: %s\n", tweaks.Problems()[0].c_str());
    }
    char extra[64];
    std::snprintf(extra, sizeof extra, "(%zu keys, %zu bytes)", keys, text.size());
    PrintRow(label, ms, extra);
}

// Frames of the show step at demo times running through the keys: the mean
// of 1,000 frames per round, in microseconds.
void BenchFrames(const char* label, const std::string& text, int effect_count, int rounds) {
    ScratchDir dir;
    const std::string path = dir.Write("data/tweaks.txt", text);
    EffectList effects = Knobs(effect_count);
    ShowTweaks tweaks(path);
    tweaks.Sync(effects);
    tweaks.Load();
    float spectrum[kSpectrumBins] = {};
    const int frames = 1000;
    std::vector<double> ms;
    for (int r = 0; r < rounds; ++r) {
        const double start = bench::NowMs();
        for (int f = 0; f < frames; ++f)
            DrawShowFrame(effects, tweaks, static_cast<uint32_t>(f * 17), spectrum);
        ms.push_back((bench::NowMs() - start) * 1000.0 / frames);  // microseconds
    }
    bench::StartCountingAllocations();
    for (int f = 0; f < frames; ++f)
        DrawShowFrame(effects, tweaks, static_cast<uint32_t>(f * 17), spectrum);
    const bench::Allocations a = bench::StopCountingAllocations();
    char extra[96];
    std::snprintf(extra, sizeof extra, "(%zu keys; %.2f allocations per frame)",
                  tweaks.KeyTimes().size(), static_cast<double>(a.Total()) / frames);
    PrintRow(label, ms, extra);
}

void BenchSave(int rounds) {
    ScratchDir dir;
    const std::string path = dir.Write("data/tweaks.txt", KeyedFile(10, 5, 20));
    EffectList effects = Knobs(10);
    ShowTweaks tweaks(path);
    tweaks.Sync(effects);
    tweaks.Load();
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        std::string error;
        const double start = bench::NowMs();
        if (!tweaks.Save(error)) std::printf("  not saved: %s\n", error.c_str());
        ms.push_back(bench::NowMs() - start);
    }
    PrintRow("save, 1,000 keys (atomic, flushed)", ms);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 50;
    std::printf("Saved tweaks and keys (%d rounds)\n", rounds);
    std::printf("  %-42s %9s %9s %9s\n", "ms", "median", "p95", "max");
    BenchLoad("load, 1,000 keys (10 entries x 5 x 20)", KeyedFile(10, 5, 20), 10, rounds);
    BenchLoad("load, 1,000 keys in one variable", KeyedFile(1, 1, 1000), 1, rounds);
    BenchLoad("load, 1,002 plain values (167 entries)", PlainFile(167), 167, rounds);
    BenchSave(rounds);
    std::printf("  %-42s %9s %9s %9s\n", "microseconds per frame", "median", "p95", "max");
    BenchFrames("frame, 1,000 keys in 50 variables", KeyedFile(10, 5, 20), 10, rounds);
    BenchFrames("frame, 1,000 keys in one variable", KeyedFile(1, 1, 1000), 1, rounds);
    BenchFrames("frame, the same 10 effects without keys", "", 10, rounds);
    return 0;
}
