// Effekter::Brum ("Brum"): a bumblebee sprite flying a looping path in front
// of a slowly turning background picture, leaving a trail of small stars.
//
// Loads "data/ostra/brum/brum.png" (the sprite, with alpha),
// "data/ostra/brum/pastelmand.jpg" (the background) and
// "data/ostra/brum/stjern1.jpg" (the star, white on black); a missing or
// broken picture draws its layer untextured. Tweak variables: "BGPos" and
// "BGScale", the background's place and half extent.
//
// Stars: one is emitted at the sprite's position when more than 10 ms of
// demo time have passed since the last emission of any Brum (one clock for
// the whole process; unsigned, so a backwards seek emits at once), drawing
// five values from the shared generator (never reseeded here). A star drifts
// along its own direction for up to 10 s, turning and fading. Stars whose
// time is over are dropped from a pool of fixed size made in the
// constructor, so Draw allocates nothing however long the show runs.
//
// Draw uses the absolute demo time; the beat is not used. Leaves blending off
// (blend function GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), no texture bound,
// the colour white and the standard perspective view.
#pragma once

#include <cstdint>
#include <vector>

#include "render/texture.h"
#include "render/vec3.h"
#include "timeline/effekt.h"

namespace Effekter {

struct StarParticle {
    Vec3 start;      // the emitter's position at birth
    Vec3 direction;  // each component 0..1
    float reach;     // 0..0.5
    uint32_t birth;  // demo time of emission, ms
    uint32_t death;  // last demo time at which it is drawn
};

// Where a star is and how much of its life is left (1 at birth, 0 at death).
struct StarLook {
    Vec3 position;
    float life;
};
// A star that lives 0 ms is over at once: life 0, at its start.
StarLook EvaluateStar(const StarParticle& star, uint32_t t);

// The sprite's emitter: (sin(t/1000), cos(t/2000), -4 - cos(t/40000)).
Vec3 BrumEmitterPosition(uint32_t t);
// More than 10 ms since the last emission, as an unsigned difference.
inline bool BrumShouldEmit(uint32_t t, uint32_t last_emission) { return t - last_emission > 10; }
// A new star at `emitter`, drawing five values from the shared generator.
StarParticle MakeStar(uint32_t t, const Vec3& emitter);
// The sprite's turn about z in degrees: 180 - atan2(x, y) * 360 / 3.14.
float BrumSpriteAngle(const Vec3& emitter);
// The background's turn about z in degrees: -0.01 degrees per ms, smoothly,
// at the mean orientation of 0.01 * (2^32 - t) degrees.
float BrumBackgroundAngle(uint32_t t);

// The live stars, newest first, in storage made once.
class StarPool {
public:
    // A star lives at most 10 s and one is born at most every 11 ms, so 910
    // are alive at once in a show played forwards. The rest is headroom for
    // stars born "later" that a backwards seek leaves waiting.
    static constexpr int kCapacity = 1024;

    StarPool() : stars_(kCapacity) {}
    // Drops the stars with t > death, keeping the others in order.
    void Prune(uint32_t t);
    // Adds the newest star; when the pool is full the oldest gives way.
    void Add(const StarParticle& star);
    int Size() const { return size_; }
    // i = 0 is the newest.
    const StarParticle& Newest(int i) const { return stars_[size_ - 1 - i]; }

private:
    std::vector<StarParticle> stars_;  // oldest first; never resized
    int size_ = 0;
};

class Brum : public Effekt {
public:
    Brum(int start, int end);
    void SetupTweaks() override;
    void Draw(uint32_t demo_time, float beat) override;

    const StarPool& Stars() const { return stars_; }
    // The process-wide time of the last emission (0 before the first).
    static uint32_t LastEmission();

private:
    CTextureFreeImage sprite_;
    CTextureFreeImage background_;
    CTextureFreeImage star_;
    Vec3 background_position_{0, 0, -2};
    Vec3 background_scale_{1, 1, 0};
    StarPool stars_;
};

}  // namespace Effekter
