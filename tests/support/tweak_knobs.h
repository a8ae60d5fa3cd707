// An effect without GL that registers one tweak variable of every kind the
// tweaks file holds, for the tests and benchmarks of saved tweaks and keys.
#pragma once

#include <memory>
#include <string>

#include "platform/tweak_panel.h"
#include "timeline/effekt.h"

class TweakKnobs : public Effekt {
public:
    TweakKnobs(int start, int end, const char* keyword = "Knobs") : Effekt(start, end) {
        SetKeyword(keyword);
    }
    void SetupTweaks() override {
        if (!tweak_bar_) return;
        static const TweakEnumValue kModes[] = {{0, "UP"}, {1, "DOWN"}, {7, "RANDOM"}};
        const TweakType mode = tweak_bar_->DefineEnum("Modes", kModes, 3);
        tweak_bar_->NameUnlistedValue(mode, 9, "BEATCENTER");
        tweak_bar_->AddVarRW("Seed", TW_TYPE_INT32, &seed, "label='Seed'");
        tweak_bar_->AddVarRW("Speed", TW_TYPE_FLOAT, &speed, "label='Fast'");
        tweak_bar_->AddVarRW("Pos 1", TW_TYPE_DIR3F, pos1, "label='Pole pos'");
        tweak_bar_->AddVarRW("Pos 2", TW_TYPE_DIR3F, pos2, "label='Pole pos'");
        tweak_bar_->AddVarRW("Tint", TW_TYPE_COLOR4F, tint, "label='Tint'");
        tweak_bar_->AddVarRW("Mode", mode, &mode_value, "label='Mode'");
    }
    void Draw(uint32_t, float) override {}

    int seed = 7;
    float speed = 0.5f;
    float pos1[3] = {1, 2, 3};
    float pos2[3] = {4, 5, 6};
    float tint[4] = {1, 1, 1, 1};
    int mode_value = 0;
};

// A bar with the knobs' variables, bound to `knobs`.
inline std::unique_ptr<TweakBar> KnobsBar(TweakKnobs& knobs) {
    auto bar = std::make_unique<TweakBar>("Knobs");
    knobs.AttachTweakBar(bar.get());
    knobs.SetupTweaks();
    return bar;
}
