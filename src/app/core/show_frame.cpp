#include "app/core/show_frame.h"

#include "app/core/frame_clock.h"
#include "render/spectrum_texture.h"

float DrawShowFrame(const EffectList& effects, ShowTweaks& tweaks, uint32_t demo_time,
                    const float spectrum[kSpectrumBins], EffectDrawObserver* observer) {
    tweaks.ApplyKeys(demo_time);
    SetFrameSpectrum(spectrum);
    const float beat = BeatLevel(spectrum);
    DrawActiveEffects(effects, demo_time, beat, observer);
    return beat;
}
