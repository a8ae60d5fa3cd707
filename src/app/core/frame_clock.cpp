#include "app/core/frame_clock.h"

#include <cmath>

uint32_t DemoTime(double position_seconds, uint32_t start_offset) {
    double ms = std::trunc(position_seconds * 1000.0);
    // Converting a NaN or an out-of-range double to an integer is undefined;
    // the audio layer never reports one, but the loop must not depend on it.
    if (!std::isfinite(ms) || std::fabs(ms) >= 9.0e18) ms = 0;
    const uint32_t low = static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(ms)));
    return low + start_offset;
}

float BeatLevel(const float spectrum[kSpectrumBins]) {
    float sum = 0;
    for (int i = 0; i < 16; ++i) sum += spectrum[i];
    const double s = sum;
    float beat = static_cast<float>(s * s * s * s * s * s);
    if (beat > 1.0f) beat = 1.0f;
    return beat;
}

void DrawActiveEffects(const EffectList& effects, uint32_t demo_time, float beat,
                       EffectDrawObserver* observer) {
    for (size_t i = 0; i < effects.size(); ++i) {
        if (!effects[i]->IsActiveAt(demo_time)) continue;
        if (observer) observer->BeforeDraw(i);
        effects[i]->Draw(demo_time, beat);
        if (observer) observer->AfterDraw(i);
    }
}

void ApplySeeks(MusicClock& music, bool forward, bool back) {
    if (forward) music.SetPosition(music.Position() + 1.0);
    if (back) music.SetPosition(music.Position() - 1.0);
}

std::optional<uint32_t> FirstEndOfShow(const EffectList& effects, uint32_t after, uint64_t before) {
    std::optional<uint32_t> first;
    for (const auto& effect : effects) {
        if (!dynamic_cast<const Effekter::EndDemo*>(effect.get())) continue;
        const uint64_t t = uint64_t{effect->StartTime()} + 1;
        if (t > after && t < before && t < effect->EndTime() && (!first || t < *first))
            first = static_cast<uint32_t>(t);
    }
    return first;
}
