#include "timeline/tweak_keys.h"

#include <algorithm>
#include <cstring>

bool ParseTweakKeyMode(const char* text, TweakKeyMode& mode) {
    static const TweakKeyMode kModes[] = {TweakKeyMode::Step, TweakKeyMode::Linear,
                                          TweakKeyMode::Smooth};
    for (TweakKeyMode m : kModes) {
        if (std::strcmp(text, TweakKeyModeName(m)) == 0) {
            mode = m;
            return true;
        }
    }
    return false;
}

const char* TweakKeyModeName(TweakKeyMode mode) {
    switch (mode) {
        case TweakKeyMode::Step: return "step";
        case TweakKeyMode::Smooth: return "smooth";
        case TweakKeyMode::Linear: break;
    }
    return "linear";
}

float TweakKeyWeight(TweakKeyMode mode, double u) {
    switch (mode) {
        case TweakKeyMode::Step: return 0.0f;
        case TweakKeyMode::Smooth: return static_cast<float>(u * u * (3.0 - 2.0 * u));
        case TweakKeyMode::Linear: break;
    }
    return static_cast<float>(u);
}

void TweakKeyedValue(const TweakKey* keys, size_t count, uint32_t t, int components, bool discrete,
                     TweakValue& out) {
    // The last key at or before t; before the first key, the first.
    const TweakKey* after = std::upper_bound(
        keys, keys + count, t, [](uint32_t time, const TweakKey& key) { return time < key.time; });
    if (after == keys) {
        out = keys[0].value;
        return;
    }
    const TweakKey& key = after[-1];
    if (after == keys + count || discrete || key.time == t) {
        out = key.value;
        return;
    }
    // Times are unsigned: the span and the way so far never go negative.
    const double u =
        static_cast<double>(t - key.time) / static_cast<double>(after->time - key.time);
    const float w = TweakKeyWeight(key.mode, u);
    for (int i = 0; i < components; ++i)
        out.v[i] = key.value.v[i] + (after->value.v[i] - key.value.v[i]) * w;
}

long TweakKeyAt(const TweakKey* keys, size_t count, uint32_t t) {
    const TweakKey* at = std::lower_bound(
        keys, keys + count, t, [](const TweakKey& key, uint32_t time) { return key.time < time; });
    if (at == keys + count || at->time != t) return -1;
    return at - keys;
}
