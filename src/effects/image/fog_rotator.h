// Effekter::FogRotator ("FogRotator"): three textured poles (GLU cylinders of
// radius 0.5 and length 12) under one camera offset, drawn with depth
// testing. Every placement is a tweak variable with a fixed initial value, so
// the picture is a still arrangement that depends on neither the demo time
// nor the beat: at first the poles lie across the view at heights 1, 0 and
// -1, from x = 6 to x = -6, ten units in front of the eye.
//
// Loads "data/ostra/fog/pole1.jpg" (missing or broken: the poles are drawn
// untextured in white) and creates one GLU quadric with texture coordinates
// and smooth normals, deleted with the effect. Leaves depth testing off, no
// texture bound, the colour white and the standard perspective view.
#pragma once

#include <GL/glew.h>
#include <GL/glu.h>

#include "render/texture.h"
#include "render/vec3.h"
#include "timeline/effekt.h"

namespace Effekter {

class FogRotator : public Effekt {
public:
    static constexpr int kPoles = 3;

    FogRotator(int start, int end);
    ~FogRotator() override;
    void SetupTweaks() override;
    void Draw(uint32_t demo_time, float beat) override;

private:
    GLUquadric* quadric_ = nullptr;
    CTextureFreeImage pole_texture_;
    Vec3 pole_positions_[kPoles] = {{6, 1, 0}, {6, 0, 0}, {6, -1, 0}};
    Vec3 pole_rotations_[kPoles] = {{0, -90, 0}, {0, -90, 0}, {0, -90, 0}};
    Vec3 camera_position_{0, 0, -10};
};

}  // namespace Effekter
