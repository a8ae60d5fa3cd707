// Effekter::FlashWhite: a full-screen white flash that fades linearly to
// nothing over the effect's window, added on top of what is drawn.
// No assets. Leaves blending off and the standard perspective view.
#pragma once

#include "timeline/effekt.h"

namespace Effekter {

class FlashWhite : public Effekt {
public:
    using Effekt::Effekt;
    void Draw(uint32_t demo_time, float beat) override;
};

// 1 - (t - start) / (end - start), both differences unsigned 32-bit.
float FlashStrength(uint32_t demo_time, uint32_t start, uint32_t end);

}  // namespace Effekter
