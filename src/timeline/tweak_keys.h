// Keyframes of tweak variables: a variable that holds keys (demo time,
// value) instead of one value takes, at every frame, the value its keys give
// for the frame's demo time. Pure functions; no GL, no allocation.
//
// Between a key and the next, the key's mode decides:
//   step    holds the key's value up to the next key;
//   linear  runs straight to the next key's value;
//   smooth  eases out of the key and into the next (3u^2 - 2u^3).
// Before the first key the first key's value holds, after the last the last
// one's; at a key's time exactly, that key's value.
#pragma once

#include <cstddef>
#include <cstdint>

enum class TweakKeyMode : uint8_t { Step, Linear, Smooth };

// The values of one variable: 1 number (int, float, enumeration), 3 (dir3f)
// or 4 (color4f). Whole-number types are held exactly up to 2^24.
struct TweakValue {
    float v[4] = {0, 0, 0, 0};
};

struct TweakKey {
    uint32_t time = 0;  // demo time, ms
    TweakValue value;
    TweakKeyMode mode = TweakKeyMode::Linear;
};

// "step", "linear", "smooth"; false for any other text.
bool ParseTweakKeyMode(const char* text, TweakKeyMode& mode);
const char* TweakKeyModeName(TweakKeyMode mode);

// The weight of the next key's value at fraction u (0..1) of the way.
float TweakKeyWeight(TweakKeyMode mode, double u);

// The value at demo time t of `count` keys sorted by time (count > 0), for
// `components` numbers. `discrete`: every key steps, whatever its mode (for
// enumerations, where a value between two names means nothing).
void TweakKeyedValue(const TweakKey* keys, size_t count, uint32_t t, int components, bool discrete,
                     TweakValue& out);

// The index of the key at exactly demo time t, or -1.
long TweakKeyAt(const TweakKey* keys, size_t count, uint32_t t);
