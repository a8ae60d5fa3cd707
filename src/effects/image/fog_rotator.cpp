#include "effects/image/fog_rotator.h"

#include <cstdio>

#include "platform/failure.h"
#include "platform/tweak_panel.h"
#include "render/gl_guards.h"

namespace Effekter {

FogRotator::FogRotator(int start, int end) : Effekt(start, end) {
    name_ = "FogRotator";
    pole_texture_.Load("data/ostra/fog/pole1.jpg");
    quadric_ = gluNewQuadric();
    if (!quadric_) Fail("FogRotator: unable to create a GLU quadric");
    gluQuadricTexture(quadric_, GL_TRUE);
    gluQuadricNormals(quadric_, GLU_SMOOTH);
}

FogRotator::~FogRotator() { gluDeleteQuadric(quadric_); }

void FogRotator::SetupTweaks() {
    static_assert(sizeof(Vec3) == 3 * sizeof(float), "vectors are edited as three floats");
    if (!tweak_bar_) return;
    tweak_bar_->AddVarRW("Cam pos", TW_TYPE_DIR3F, &camera_position_, "label='Cam pos'");
    char name[32];
    for (int n = 1; n <= kPoles; ++n) {
        // The three positions share one label, as do the three rotations;
        // the names tell them apart.
        std::snprintf(name, sizeof name, "Pols pos %i", n);
        tweak_bar_->AddVarRW(name, TW_TYPE_DIR3F, &pole_positions_[n - 1], "label='Pole pos'");
        std::snprintf(name, sizeof name, "Pols rot %i", n);
        tweak_bar_->AddVarRW(name, TW_TYPE_DIR3F, &pole_rotations_[n - 1], "label='Pole rot'");
    }
}

void FogRotator::Draw(uint32_t, float) {
    MatrixScope camera;
    glTranslatef(camera_position_.x, camera_position_.y, camera_position_.z);
    CEnabler depth(GL_DEPTH_TEST);
    glColor4f(1, 1, 1, 1);

    // Each pole: a cylinder along its own z axis, turned into place.
    for (int n = 0; n < kPoles; ++n) {
        MatrixScope matrix;
        const Vec3& p = pole_positions_[n];
        glTranslatef(p.x, p.y, p.z);
        RotateXYZ(pole_rotations_[n]);
        TextureBind bind(pole_texture_);
        gluCylinder(quadric_, 0.5, 0.5, 12, 20, 10);
    }
}

}  // namespace Effekter
