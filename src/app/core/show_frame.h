// One frame of the show, drawn the same way in every mode (real-time play,
// capture, export, timedemo): at the frame's start the keyed tweak variables
// take their values at the demo time and the spectrum is handed to the
// shader layers (render/spectrum_texture.h); then the beat level is computed
// from the spectrum and the effects whose window holds the demo time draw.
// Allocates nothing.
#pragma once

#include <cstdint>

#include "app/core/frame_clock.h"
#include "app/core/show_tweaks.h"
#include "platform/audio.h"
#include "timeline/effekt.h"

// Returns the frame's beat level. `observer` sees each effect's Draw.
float DrawShowFrame(const EffectList& effects, ShowTweaks& tweaks, uint32_t demo_time,
                    const float spectrum[kSpectrumBins], EffectDrawObserver* observer = nullptr);
