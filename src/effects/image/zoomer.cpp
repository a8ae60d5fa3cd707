#include "effects/image/zoomer.h"

#include <cmath>

#include "render/gl_guards.h"

namespace Effekter {

namespace {
// No coverage: QuadTrim draws the quad whole.
const TexelCoverage kWholeQuad;
}  // namespace

ZoomerFrame ComputeZoomerFrame(uint32_t demo_time, float beat) {
    const float tf = static_cast<float>(demo_time);
    ZoomerFrame f;
    f.s1 = std::sin(tf * 0.00015f);
    f.c1 = std::cos(tf * 0.0001f);
    f.p = tf * 0.0025f;
    f.h = tf * 0.00125f;
    f.yb = 0.0125f * beat;
    f.background_x = 0.5f * f.c1;
    f.background_y = f.yb - 0.5f * f.s1;
    f.background_angle = -90.0f * std::cos(f.h) * std::sin(f.p);
    f.glow_grey = beat + 0.1f;
    return f;
}

ZoomerSprite ComputeZoomerSprite(int k, const ZoomerFrame& frame) {
    ZoomerSprite s;
    s.z = static_cast<float>(k) / 50.0f;
    const float a = 0.65f * s.z;
    const float e = a * a * a * a;  // the far end swings, the near end stays on the axis
    s.x = frame.c1 * e;
    s.y = frame.s1 * e + frame.yb;
    s.angle = 90.0f * std::sin(s.z + frame.p) * std::cos(s.z + frame.h);
    const float inverse = 1.0f / std::sqrt(s.z * s.z);
    s.grey = inverse * inverse;
    return s;
}

Zoomer::Zoomer(int start, int end, const char* first_sprite_path, const char* sprite_path)
    : Effekt(start, end), trim_sprites_(WindowWidth(), WindowHeight()) {
    first_sprite_.Load(first_sprite_path);
    sprite_.Load(sprite_path);
    sprite_coverage_.Follow(sprite_);
    background_.Load("data/zoomer/bg.jpg");
    glow_.Load("data/zoomer/bg1.jpg");
}

Zoomba::Zoomba(int start, int end)
    : Zoomer(start, end, "data/zoomer/zoomer1.jpg", "data/zoomer/zoomer2.jpg") {}

Zoombb::Zoombb(int start, int end)
    : Zoomer(start, end, "data/zoomer/zoomer2-old.jpg", "data/zoomer/zoomer2-old.jpg") {}

void Zoomer::Draw(uint32_t demo_time, float beat) {
    const ZoomerFrame f = ComputeZoomerFrame(demo_time, beat);

    // White where the background does not reach; earlier layers are gone.
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);

    // Background: the picture swaying and turning, its glow added on top.
    {
        Ortho2DScope view;
        MatrixScope matrix;
        glTranslatef(f.background_x, f.background_y, -1);
        RotateXYZ(Vec3(0, 0, f.background_angle));
        const Quad layer(1.25f, 1.25f);
        glColor4f(1, 1, 1, 1);
        {
            TextureBind bind(background_);
            layer.Draw(1, 1);
        }
        CTransparency additive(GL_ONE, GL_ONE);
        const float g = f.glow_grey;
        glColor4f(g, g, g, g);
        TextureBind bind(glow_);
        layer.Draw(1, 1);
    }

    // The tube, far to near, each sprite laid on by its own colour, only
    // where it shows more than black.
    {
        MatrixScope matrix;
        CTransparency by_colour(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
        CEnabler scissor(GL_SCISSOR_TEST);
        const Quad sprite(0.5f, 0.5f);
        TextureBind bind(sprite_);
        for (int k = -kSprites; k < 0; ++k) {
            const ZoomerSprite s = ComputeZoomerSprite(k, f);
            // Well before the near plane (0.1) the sprite is clipped away whole.
            if (-s.z < 0.09f) continue;
            MatrixScope placed;
            glTranslatef(s.x, s.y, s.z);
            RotateXYZ(Vec3(0, 0, s.angle));
            glColor4f(s.grey, s.grey, s.grey, s.grey);
            trim_sprites_.Draw(sprite, trim_ ? sprite_coverage_ : kWholeQuad);
        }
    }
}

}  // namespace Effekter
