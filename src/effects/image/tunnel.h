// Effekter::Tunnel: a flight through a thousand cloud sprites strung along
// the viewing axis, approaching at 10 units per second of effect time while
// the whole tunnel turns about the axis; in the last 15 seconds of its window
// a slowly zooming landscape fades in beneath the clouds (with an additive
// glow on beats) while the clouds fade out.
//
// Loads "data/sky/clouds.jpg", "data/sky/landskab1.jpg" and
// "data/sky/landskab1_add.jpg" (a missing picture draws its layer
// untextured). Reseeds the shared generator with 89 for every cloud after
// drawing two values from whatever state it is in, so it ends each frame
// three values after seeding with 89. Leaves blending off, no texture bound,
// the standard perspective view and the current colour at the last cloud's.
#pragma once

#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

// The numbers of one Tunnel frame that do not depend on the cloud.
struct TunnelFrame {
    bool landscape;        // the closing phase runs (demo time > end - 15000, unsigned)
    float fade;            // 0.9 x the closing fade in 0..1; 0 outside the closing phase
    float landscape_z;     // depth of the landscape, nearing over the phase
    float landscape_half;  // half extent of the landscape (and its glow)
    float glow_grey;       // colour of the additive glow
    float lift;            // upward shift of the tunnel on beats
    float turn;            // degrees about the viewing axis, 5 per second
    float depth_offset;    // D: how far the clouds have come, 10 units per second
    float cloud_scale;     // K: brightness of a cloud at full strength
};
TunnelFrame ComputeTunnelFrame(uint32_t demo_time, float beat, uint32_t start, uint32_t end);

// One cloud n (1000 down to 1). r1, r2 are the frame's two values, r3..r5
// the three drawn after reseeding.
struct TunnelCloud {
    float depth;   // d = D - n
    float colour;  // brightness tent times K; negative beyond the eye
    float x, y;    // position in the turned frame
    float turn;    // degrees added to the running rotation before this cloud
    bool drawn;    // d > -15
};
TunnelCloud ComputeTunnelCloud(int n, float depth_offset, float cloud_scale, float r1, float r2,
                               float r3, float r4, float r5);

class Tunnel : public Effekt {
public:
    Tunnel(int start, int end);
    void Draw(uint32_t demo_time, float beat) override;

private:
    CTextureFreeImage clouds_;
    CTextureFreeImage landscape_;
    CTextureFreeImage landscape_glow_;
    int seed_;
};

}  // namespace Effekter
