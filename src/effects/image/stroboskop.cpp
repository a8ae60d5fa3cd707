#include "effects/image/stroboskop.h"

#include <cmath>

#include "render/gl_guards.h"

namespace Effekter {

Stroboskop::Stroboskop(int start, int end)
    : Effekt(start, end), trim_(WindowWidth(), WindowHeight()) {
    twist_.Load("data/strobo/twist.jpg");
    twist_coverage_.Follow(twist_);
    background_.Load("data/strobo/bg.jpg");
    text_.Load("data/strobo/text.jpg");
    text_coverage_.Follow(text_);
}

StroboskopFrame ComputeStroboskopFrame(uint32_t demo_time, float beat, int random) {
    const float t = static_cast<float>(demo_time);
    const float b = beat;
    StroboskopFrame f;
    f.strip_grey = 0.5f + 0.5f * b;
    f.strip_x = 49.0f * std::sin(t * 0.000001f);
    f.strip_z = 0.5f * b - 1.0f;
    f.title_colour = demo_time < 21000 ? 1.0f : b + 0.5f;
    const float r = static_cast<float>(random / 32767.0);
    f.title_size = 1.0f + r * 0.125f * b;
    f.twist_grey = 0.125f * b;
    f.twist_angle = t * 0.04f + 90.0f * (1.0f - b);
    return f;
}

void Stroboskop::Draw(uint32_t demo_time, float beat) {
    const StroboskopFrame f = ComputeStroboskopFrame(demo_time, beat, NextRandom());

    // Background strip, 100 units wide with the image tiled 50 times.
    glColor3f(f.strip_grey, f.strip_grey, f.strip_grey);
    {
        MatrixScope matrix;
        TextureBind bind(background_);
        glTranslatef(f.strip_x, 0, f.strip_z);
        Quad(50, 1).Draw(50, 1);
    }

    // Title: darkens what is beneath by its own colour.
    CEnabler scissor(GL_SCISSOR_TEST);
    {
        CTransparency subtractive(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
        Ortho2DScope view;
        MatrixScope matrix;
        glTranslatef(0, 0, -1);
        const float c = f.title_colour;
        glColor4f(c, c, c, c);
        TextureBind bind(text_);
        trim_.Draw(Quad(f.title_size, f.title_size), text_coverage_);
    }

    // Twist fan: ten additive layers spread by the beat. A colour that comes
    // to less than a quarter of a step of 8 bits adds nothing anywhere.
    if (f.twist_grey * 255.0f >= 0.25f) {
        CTransparency additive(GL_ONE, GL_ONE);
        TextureBind bind(twist_);
        glColor3f(f.twist_grey, f.twist_grey, f.twist_grey);
        for (int i = 0; i < 10; ++i) {
            MatrixScope matrix;
            glTranslatef(0, 0, -1);
            RotateXYZ(Vec3(0, 0, f.twist_angle + 5.0f * static_cast<float>(i) * beat));
            trim_.Draw(Quad(1, 1), twist_coverage_);
        }
    }
    glColor4f(1, 1, 1, 1);
}

}  // namespace Effekter
