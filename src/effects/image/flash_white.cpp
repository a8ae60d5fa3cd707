#include "effects/image/flash_white.h"

#include "render/gl_guards.h"

namespace Effekter {

float FlashStrength(uint32_t demo_time, uint32_t start, uint32_t end) {
    const double done = static_cast<uint32_t>(demo_time - start);
    const double length = static_cast<uint32_t>(end - start);
    return static_cast<float>(1.0 - done / length);
}

void FlashWhite::Draw(uint32_t demo_time, float) {
    const float f = FlashStrength(demo_time, start_time_, end_time_);
    Ortho2DScope view;
    MatrixScope matrix;
    glTranslatef(0, 0, -2);
    CTransparency additive(GL_ONE, GL_ONE);
    glColor4f(f, f, f, f);
    Quad(1, 1).Draw(1, 1);
}

}  // namespace Effekter
