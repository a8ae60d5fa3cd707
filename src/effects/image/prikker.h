// Effekter::Prikker ("Prikker"): a field of 1000 additive sprites in a long
// band to the right of the view (x from 0 to about 250, one unit high and
// deep, ten units in front of the eye) drifting leftwards, each at its own
// speed, slowly turning and pulsing in brightness.
//
// Loads "data/ostra/prikker/prik1.png" to "prik4.png" (every sprite shows
// prik3; a missing picture draws plain squares). The particles are made once
// in the constructor from the shared generator seeded with 100, which leaves
// the generator where the last particle left it. Draw depends only on the
// time since the effect's start; the beat is not used. Leaves blending off
// (blend function GL_ONE, GL_ONE), no texture bound, the colour of the last
// sprite and the standard perspective view.
#pragma once

#include <cstdint>

#include "render/texture.h"
#include "render/vec3.h"
#include "timeline/effekt.h"

namespace Effekter {

struct PrikParticle {
    uint8_t texture_index;  // 0..3
    float amplitude;        // peak brightness, 0..2
    Vec3 position;          // before the effect's own drift
    float speed;            // units per millisecond, 0..0.001
};

// One sprite's numbers at `relative` ms after the effect's start.
struct PrikSprite {
    float brightness;  // amplitude * sin(speed * t): 0 at the start, negative adds nothing
    float drift_x;     // -speed * t: leftwards
    float angle;       // degrees about z: 10 * speed * t
};
PrikSprite ComputePrikSprite(const PrikParticle& particle, int32_t relative);

class Prikker : public Effekt {
public:
    static constexpr int kParticles = 1000;
    static constexpr uint32_t kSeed = 100;

    Prikker(int start, int end);
    void Draw(uint32_t demo_time, float beat) override;

    const PrikParticle& Particle(int i) const { return particles_[i]; }

private:
    PrikParticle particles_[kParticles];
    CTextureFreeImage textures_[4];
};

// Seeds the shared generator with 100 and draws the particles' values in
// their order: per particle three position values, the amplitude, the speed.
void MakePrikParticles(PrikParticle (&particles)[Prikker::kParticles]);

}  // namespace Effekter
