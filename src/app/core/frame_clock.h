// The arithmetic of one frame: demo time from the music position, the beat
// level from the spectrum, which effects draw, and the seek keys. Pure
// functions apart from DrawActiveEffects and ApplySeeks; no GL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/audio.h"
#include "timeline/effekt.h"

// trunc(position x 1000) + start offset, in unsigned 32-bit milliseconds with
// wrap-around. The offset enters as milliseconds here although the music was
// started that many seconds in. A position that is not a finite number of a
// sane size counts as 0.
uint32_t DemoTime(double position_seconds, uint32_t start_offset);

// (sum of the first 16 magnitudes)^6, clamped at 1; NaN passes through.
float BeatLevel(const float spectrum[kSpectrumBins]);

// Sees each effect's Draw of a frame, for measuring (the timedemo).
class EffectDrawObserver {
public:
    virtual ~EffectDrawObserver() = default;
    // `index` is the effect's place in the list.
    virtual void BeforeDraw(size_t index) = 0;
    virtual void AfterDraw(size_t index) = 0;
};

// Draws every effect with start < t < end, in list order, each between the
// observer's calls when one is given.
void DrawActiveEffects(const EffectList& effects, uint32_t demo_time, float beat,
                       EffectDrawObserver* observer = nullptr);

// The first demo time t with after < t < before at which an EndDemo entry
// is drawn (its start + 1, when its window holds that time), where it ends
// the show; none when no such entry is drawn in between.
std::optional<uint32_t> FirstEndOfShow(const EffectList& effects, uint32_t after, uint64_t before);

// Moves the music one second forward and/or back; forward first.
void ApplySeeks(MusicClock& music, bool forward, bool back);
