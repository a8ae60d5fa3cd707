// Effekt: the base of every timeline effect.
//
// An effect has a window in demo time and draws its part of a frame when the
// frame loop finds start < demo time < end (both unsigned, strict). The
// constructor of a concrete effect takes start and end first and loads every
// asset it needs at once; nothing is loaded later. Draw may assume the GL
// state the frame loop provides (standard 40-degree perspective view,
// identity modelview, GL_TEXTURE_2D enabled, texture 0 bound, no blending, no
// fog, program 0) and leaves it so, unless its effect says otherwise.
// Effects are created by the effect factory, owned by the effect list and
// destroyed at shutdown while the GL context is still current.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TweakBar;

class Effekt {
public:
    // Times come from the script as signed numbers and are kept as unsigned
    // 32-bit milliseconds (a negative time becomes a very late one).
    Effekt(int start, int end)
        : end_time_(static_cast<uint32_t>(end)), start_time_(static_cast<uint32_t>(start)) {}
    virtual ~Effekt() = default;
    Effekt(const Effekt&) = delete;
    Effekt& operator=(const Effekt&) = delete;

    // Registers live-tunable variables on the effect's tweak bar. Nothing in
    // the show calls it; it is an extension point for tools.
    virtual void SetupTweaks() {}
    // Gives the effect a bar for SetupTweaks; the caller keeps the bar.
    void AttachTweakBar(TweakBar* bar) { tweak_bar_ = bar; }
    // Draws the effect's part of the current frame. `demo_time` is absolute.
    virtual void Draw(uint32_t demo_time, float beat) = 0;

    uint32_t StartTime() const { return start_time_; }
    uint32_t EndTime() const { return end_time_; }
    const std::string& Name() const { return name_; }
    // The script keyword the effect was made from (empty when it was made
    // another way); the reader sets it.
    const std::string& Keyword() const { return keyword_; }
    void SetKeyword(std::string keyword) { keyword_ = std::move(keyword); }

    // True when the effect is drawn at demo time t: start < t < end, unsigned.
    bool IsActiveAt(uint32_t t) const { return start_time_ < t && t < end_time_; }

protected:
    uint32_t end_time_;
    uint32_t start_time_;
    bool flag_ = false;
    TweakBar* tweak_bar_ = nullptr;
    std::string name_;

private:
    std::string keyword_;
};

// The effects of the show, in script order.
using EffectList = std::vector<std::unique_ptr<Effekt>>;

// Destroys the effects in list order, then empties the list.
void DestroyEffects(EffectList& effects);

namespace Effekter {

// Ends the show: its first drawn frame raises "End of show".
class EndDemo : public Effekt {
public:
    using Effekt::Effekt;
    void Draw(uint32_t demo_time, float beat) override;
};

// Occupies a time window and draws nothing.
class Overlays : public Effekt {
public:
    using Effekt::Effekt;
    void Draw(uint32_t, float) override {}
};

}  // namespace Effekter
