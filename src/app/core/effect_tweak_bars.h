// The tweak bars of the effects (--tweak): one bar per effect, titled with
// the effect's name and its window ("Plasma2D 23220-46450"), holding what the
// effect's SetupTweaks registers. The bars belong to this object; each effect
// keeps a pointer to its own, so the object must outlive the effects' use of
// them (the effects never touch the bar after SetupTweaks).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/tweak_panel.h"
#include "timeline/effekt.h"

// "<name> <start>-<end>"; an effect without a name is called "Effect".
std::string EffectBarTitle(const Effekt& effect);

class EffectTweakBars {
public:
    // Gives every effect of the list that has no bar yet a bar and lets it
    // register its variables; drops the bars of effects no longer listed
    // (call it right after the list changed, before its old effects' memory
    // can be used again).
    void Sync(const EffectList& effects);
    // Fills `bars` with the bars that have variables, of the effects drawn at
    // demo time t, in list order. Allocates nothing once `bars` has room for
    // the whole list.
    void Active(const EffectList& effects, uint32_t demo_time,
                std::vector<const TweakBar*>& bars) const;
    // The bar of an effect, or null.
    const TweakBar* BarOf(const Effekt* effect) const;

private:
    struct Entry {
        const Effekt* effect;
        std::unique_ptr<TweakBar> bar;
    };
    std::vector<Entry> entries_;  // in the order of the list at the last Sync
};
