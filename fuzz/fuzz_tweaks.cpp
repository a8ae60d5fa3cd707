// libFuzzer harness for the tweaks file: any byte sequence as the file is
// read against an entry whose bar has a variable of every kind the file
// holds, and must give settings and problems, never a crash or undefined
// behaviour. Then the round trip: the text written from what was read must
// read back to the same settings, and writing that again must give the same
// text. Keys are evaluated at a few demo times, as frames would.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/tweak_panel.h"
#include "support/tweak_knobs.h"
#include "timeline/tweak_file.h"

namespace {

// Two entries of one keyword and start, made once for every run.
const std::vector<TweakTarget>& Targets() {
    static TweakKnobs a(1000, 2000), b(1000, 2000);
    static const std::unique_ptr<TweakBar> first = KnobsBar(a), second = KnobsBar(b);
    static const std::vector<TweakTarget> targets = {{{"Knobs", 1000, 1}, first.get()},
                                                     {{"Knobs", 1000, 2}, second.get()}};
    return targets;
}

// The same settings, in any order (a rewritten variable may move up to the
// place of its first line). A keyed setting's plain value is not used.
bool SameSettings(std::vector<TweakSetting> a, std::vector<TweakSetting> b) {
    if (a.size() != b.size()) return false;
    auto order = [](const TweakSetting& x, const TweakSetting& y) {
        return x.target != y.target ? x.target < y.target : x.variable < y.variable;
    };
    std::sort(a.begin(), a.end(), order);
    std::sort(b.begin(), b.end(), order);
    for (size_t i = 0; i < a.size(); ++i) {
        const TweakSetting& x = a[i];
        const TweakSetting& y = b[i];
        if (x.target != y.target || x.variable != y.variable || x.keyed != y.keyed ||
            x.keys.size() != y.keys.size())
            return false;
        if (!x.keyed && std::memcmp(x.value.v, y.value.v, sizeof x.value.v) != 0) return false;
        for (size_t k = 0; k < x.keys.size(); ++k) {
            if (x.keys[k].time != y.keys[k].time || x.keys[k].mode != y.keys[k].mode ||
                std::memcmp(x.keys[k].value.v, y.keys[k].value.v, sizeof x.keys[k].value.v) != 0)
                return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<TweakTarget>& targets = Targets();
    const TweakDocument document = ParseTweakText(text);
    const TweakReading reading = ResolveTweaks(document, targets);

    for (const TweakSetting& s : reading.settings) {
        if (!s.keyed) continue;
        const TweakBar& bar = *targets[s.target].bar;
        const int components = TweakComponents(bar, *s.variable);
        const bool discrete = TweakIsDiscrete(bar, *s.variable);
        TweakValue value;
        for (uint32_t t : {0u, s.keys.front().time + 1, s.keys.back().time / 2 + 7, UINT32_MAX})
            TweakKeyedValue(s.keys.data(), s.keys.size(), t, components, discrete, value);
    }

    const std::string written = WriteTweakText(document, targets, reading.settings);
    const TweakDocument again = ParseTweakText(written);
    const TweakReading reread = ResolveTweaks(again, targets);
    if (!SameSettings(reading.settings, reread.settings)) __builtin_trap();
    if (WriteTweakText(again, targets, reread.settings) != written) __builtin_trap();
    return 0;
}
