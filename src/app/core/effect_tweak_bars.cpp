#include "app/core/effect_tweak_bars.h"

#include <cstdio>

std::string EffectBarTitle(const Effekt& effect) {
    char window[32];
    std::snprintf(window, sizeof window, " %u-%u", effect.StartTime(), effect.EndTime());
    return (effect.Name().empty() ? std::string("Effect") : effect.Name()) + window;
}

void EffectTweakBars::Sync(const EffectList& effects) {
    std::vector<Entry> entries;
    entries.reserve(effects.size());
    for (const auto& effect : effects) {
        Entry entry{effect.get(), nullptr};
        for (Entry& old : entries_) {
            if (old.effect == effect.get() && old.bar) {
                entry.bar = std::move(old.bar);
                break;
            }
        }
        if (!entry.bar) {
            entry.bar = std::make_unique<TweakBar>(EffectBarTitle(*effect));
            effect->AttachTweakBar(entry.bar.get());
            effect->SetupTweaks();
        }
        entries.push_back(std::move(entry));
    }
    entries_ = std::move(entries);
}

void EffectTweakBars::Active(const EffectList& effects, uint32_t demo_time,
                             std::vector<const TweakBar*>& bars) const {
    bars.clear();
    // The entries follow the list's order since the last Sync.
    for (size_t i = 0; i < effects.size() && i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        if (entry.effect != effects[i].get() || !entry.effect->IsActiveAt(demo_time)) continue;
        if (!entry.bar->Variables().empty()) bars.push_back(entry.bar.get());
    }
}

const TweakBar* EffectTweakBars::BarOf(const Effekt* effect) const {
    for (const Entry& entry : entries_)
        if (entry.effect == effect) return entry.bar.get();
    return nullptr;
}
