// Effekter::Solaris: a flight along a curved trail of glowing, spinning
// sprites on black, each with a second glow that lights up on beats, with a
// title printed over it by subtractive blending. The trail is one row of
// sprites a third of a unit apart that comes towards the viewer at two units
// per second of demo time and rolls about the viewing axis.
//
// Clears colour and depth first, so it hides whatever was drawn before it in
// the frame. Loads "data/solaris/solaris1.jpg" (sprite),
// "data/solaris/solaris2.jpg" (glow) and "data/solaris/it.jpg" (title; white
// prints black, black leaves the trail alone); a missing picture draws its
// layer untextured. Reseeds the shared generator with 4 every frame and draws
// one value per sprite in front of the far limit (z > -10), none for the
// others, so a demo time always gives the same picture. The sprites and the
// title are drawn only where their pictures are not black (QuadTrim; black
// changes nothing under their blends), the glow not at all without a beat. Leaves blending and the
// scissor test off, no texture bound, the colour white and the standard
// perspective view.
#pragma once

#include "render/quad_trim.h"
#include "render/texel_coverage.h"
#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

// Sprites in the trail: enough for demo times up to about 1 660 000 ms.
constexpr int kSolarisSprites = 10000;

// One sprite i of the trail at demo time `demo_time` (ms).
struct SolarisSprite {
    float z;       // depth: D - i/3, with D = 2 units per second
    float a;       // sideways and upward bend: (a, a^2, z)
    float weight;  // (1/d)^2, d the distance from the eye; the sprite's colour
    bool drawn;    // z > -10: in front of the far limit, and one random value
};
SolarisSprite ComputeSolarisSprite(uint32_t demo_time, int i);
// Rotation of sprite i about its own centre, in degrees; `random` is its
// RandomUnit() value.
float SolarisSpin(uint32_t demo_time, int i, float random);

class Solaris : public Effekt {
public:
    Solaris(int start, int end);
    void Draw(uint32_t demo_time, float beat) override;

private:
    CTextureFreeImage sprite_;
    CTextureFreeImage glow_;
    CTextureFreeImage title_;
    PictureCoverage sprite_coverage_;
    PictureCoverage glow_coverage_;
    PictureCoverage title_coverage_;
    QuadTrim trim_;
};

}  // namespace Effekter
