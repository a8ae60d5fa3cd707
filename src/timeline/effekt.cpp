#include "timeline/effekt.h"

#include "platform/failure.h"

void DestroyEffects(EffectList& effects) {
    for (auto& effect : effects) effect.reset();
    effects.clear();
}

namespace Effekter {

void EndDemo::Draw(uint32_t, float) { EndShow("End of show"); }

}  // namespace Effekter
