// Effekter::Plasma2D: a plasma computed by the fragment shader
// "data/plasma/effekt2.fs" over "data/plasma/__water.jpg", turning slowly
// about the view axis and coming nearer on beats.
//
// The shader gets time (seconds) and sixteen pseudo-random parameters dx0,
// dy0 (in [0, 10]) and dx1, dy1 (in [0, 1]) drawn from the shared generator
// after reseeding it with the effect's seed every frame, so one seed always
// gives the same plasma. A missing shader or a compile error stops the show
// at start-up; a missing picture leaves the texture empty. Leaves no program
// in use, no texture bound and the modelview matrix as it found it.
#pragma once

#include "render/shader.h"
#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

// The four uniform vectors of one seed.
struct PlasmaParameters {
    float dx0[4], dy0[4], dx1[4], dy1[4];
};
// Reseeds the shared generator and draws the sixteen values in their order.
PlasmaParameters DrawPlasmaParameters(int seed);

class Plasma2D : public Effekt {
public:
    Plasma2D(int start, int end, int seed);
    void SetupTweaks() override;
    void Draw(uint32_t demo_time, float beat) override;

private:
    CTextureFreeImage water_;
    ShaderProgram program_;
    GLint time_location_ = -1;
    GLint dx0_location_ = -1, dy0_location_ = -1, dx1_location_ = -1, dy1_location_ = -1;
    int seed_;
    PlasmaParameters parameters_{};
};

}  // namespace Effekter
