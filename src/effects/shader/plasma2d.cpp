#include "effects/shader/plasma2d.h"

#include "platform/tweak_panel.h"
#include "render/gl_guards.h"

namespace Effekter {

PlasmaParameters DrawPlasmaParameters(int seed) {
    SeedRandom(static_cast<uint32_t>(seed));
    PlasmaParameters p;
    for (int i = 0; i < 4; ++i) {
        p.dx0[i] = RandomUnit() * 10.0f;
        p.dy0[i] = RandomUnit() * 10.0f;
        p.dx1[i] = RandomUnit();
        p.dy1[i] = RandomUnit();
    }
    return p;
}

Plasma2D::Plasma2D(int start, int end, int seed) : Effekt(start, end), seed_(seed) {
    water_.Load("data/plasma/__water.jpg");
    name_ = "Plasma2D";
    program_.Load(true, "data/plasma/effekt2.fs");
    time_location_ = LocateUniform(program_.Program(), "time");
    dx0_location_ = LocateUniform(program_.Program(), "dx0");
    dy0_location_ = LocateUniform(program_.Program(), "dy0");
    dx1_location_ = LocateUniform(program_.Program(), "dx1");
    dy1_location_ = LocateUniform(program_.Program(), "dy1");
}

// The seed is the one live-tunable value; Draw reads it every frame.
void Plasma2D::SetupTweaks() {
    if (tweak_bar_) tweak_bar_->AddVarRW("Plasma", TW_TYPE_INT32, &seed_, " label='Plasma'");
}

void Plasma2D::Draw(uint32_t demo_time, float beat) {
    const float t = static_cast<float>(demo_time);
    parameters_ = DrawPlasmaParameters(seed_);
    TextureBind bind(water_);
    MatrixScope matrix;
    glTranslatef(0, 0, beat * 0.125f - 2.0f);
    RotateXYZ(Vec3(0, 0, t * 0.02f));
    glUseProgram(program_.Program());
    glUniform1f(time_location_, static_cast<float>(t / 1000.0));
    glUniform4fv(dx0_location_, 1, parameters_.dx0);
    glUniform4fv(dy0_location_, 1, parameters_.dy0);
    glUniform4fv(dx1_location_, 1, parameters_.dx1);
    glUniform4fv(dy1_location_, 1, parameters_.dy1);
    Quad(1.5f, 1.5f).Draw(1, 1);
    glUseProgram(0);
}

}  // namespace Effekter
