#include "effects/3d/twist_box.h"

#include <cmath>

#include "render/gl_guards.h"

namespace Effekter {

namespace {

// One corner of a ring face: texture coordinate, then position.
inline void Corner(float s, float t, float x, float y, float z) {
    glTexCoord2f(s, t);
    glVertex3f(x, y, z);
}

}  // namespace

// The constants are single-precision values; products of two floats stay
// single precision, sums with the phase are formed in double precision and
// rounded where they are stored.

TwistBoxUniforms ComputeTwistBoxUniforms(uint32_t demo_time, float beat, int width, int height) {
    const float tf = static_cast<float>(demo_time);
    TwistBoxUniforms u;
    u.intensity = static_cast<float>(0.25 - 0.1f * beat);
    u.resolution[0] = static_cast<float>(width);
    u.resolution[1] = static_cast<float>(height);
    u.pos[0] = static_cast<float>(0.5 * std::sin(0.0005f * tf));
    u.pos[1] = 0.5f;
    return u;
}

double TwistPhase(uint32_t demo_time) {
    return static_cast<double>(0.000125f) * static_cast<float>(demo_time);
}

TwistRing ComputeTwistRing(int h, double phase) {
    const float fh = static_cast<float>(h), fh1 = static_cast<float>(h + 1);
    TwistRing ring;
    ring.r0 = static_cast<float>(1.5 + std::sin(0.0225f * fh + phase));
    ring.r1 = static_cast<float>(1.5 + std::sin(0.0225f * fh1 + phase));
    ring.ta = fh / 20;
    ring.tb = fh1 / 20;
    ring.height = fh / 10;
    ring.angle = static_cast<float>(360 * std::sin(0.00225f * fh + phase));
    return ring;
}

TwistBox::TwistBox(int start, int end) : Effekt(start, end) {
    bump_.Load(true, "data/bump.fs");
    grid_.Load("data/__grid.jpg");
    intensity_location_ = LocateUniform(bump_.Program(), "intensity");
    resolution_location_ = LocateUniform(bump_.Program(), "resolution");
    pos_location_ = LocateUniform(bump_.Program(), "pos");
}

void TwistBox::Draw(uint32_t demo_time, float beat) {
    const TwistBoxUniforms u =
        ComputeTwistBoxUniforms(demo_time, beat, WindowWidth(), WindowHeight());
    CFog fog(0, 1);
    glUseProgram(bump_.Program());
    glUniform1f(intensity_location_, u.intensity);
    glUniform2f(resolution_location_, u.resolution[0], u.resolution[1]);
    glUniform2f(pos_location_, u.pos[0], u.pos[1]);
    TextureBind grid(grid_);
    glColor4f(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The tower: rings 0.1 apart rising from 15 units below the eye.
    CEnabler depth(GL_DEPTH_TEST);
    {
        MatrixScope tower;
        glTranslatef(0, -15, -10);
        const double phase = TwistPhase(demo_time);
        for (int h = 0; h < kRings; ++h) {
            const TwistRing r = ComputeTwistRing(h, phase);
            MatrixScope ring;
            glTranslatef(0, r.height, 0);
            RotateXYZ(Vec3(0, r.angle, 0));
            glBegin(GL_QUADS);
            // Front.
            Corner(0, r.ta, -r.r0, -0.05f, r.r0);
            Corner(1, r.ta, r.r0, -0.05f, r.r0);
            Corner(1, r.tb, r.r1, 0.05f, r.r1);
            Corner(0, r.tb, -r.r1, 0.05f, r.r1);
            // Back.
            Corner(1, r.ta, -r.r0, -0.05f, -r.r0);
            Corner(1, r.tb, -r.r1, 0.05f, -r.r1);
            Corner(0, r.tb, r.r1, 0.05f, -r.r1);
            Corner(0, r.ta, r.r0, -0.05f, -r.r0);
            // Right.
            Corner(1, r.ta, r.r0, -0.05f, -r.r0);
            Corner(1, r.tb, r.r1, 0.05f, -r.r1);
            Corner(0, r.tb, r.r1, 0.05f, r.r1);
            Corner(0, r.ta, r.r0, -0.05f, r.r0);
            // Left.
            Corner(0, r.ta, -r.r0, -0.05f, -r.r0);
            Corner(1, r.ta, -r.r0, -0.05f, r.r0);
            Corner(1, r.tb, -r.r1, 0.05f, r.r1);
            Corner(0, r.tb, -r.r1, 0.05f, -r.r1);
            glEnd();
        }
        glUseProgram(0);
    }
}

}  // namespace Effekter
