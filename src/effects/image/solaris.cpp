#include "effects/image/solaris.h"

#include <cmath>

#include "render/gl_guards.h"

namespace Effekter {

SolarisSprite ComputeSolarisSprite(uint32_t demo_time, int i) {
    const float tf = static_cast<float>(demo_time);
    const double travelled = static_cast<double>(tf) * 0.002;
    SolarisSprite s;
    s.z = static_cast<float>(travelled - i / 3.0);
    s.a = 0.05f * s.z * s.z;
    const float a2 = s.a * s.a;
    const float d = std::sqrt(s.z * s.z + a2 + a2 * a2);
    const float inverse = 1.0f / d;
    s.weight = inverse * inverse;
    s.drawn = s.z > -10.0f;
    return s;
}

float SolarisSpin(uint32_t demo_time, int i, float random) {
    const float tf = static_cast<float>(demo_time);
    return 20.0f * static_cast<float>(i) * random + tf * 0.005f;
}

Solaris::Solaris(int start, int end) : Effekt(start, end), trim_(WindowWidth(), WindowHeight()) {
    sprite_.Load("data/solaris/solaris1.jpg");
    sprite_coverage_.Follow(sprite_);
    glow_.Load("data/solaris/solaris2.jpg");
    glow_coverage_.Follow(glow_);
    title_.Load("data/solaris/it.jpg");
    title_coverage_.Follow(title_);
}

void Solaris::Draw(uint32_t demo_time, float beat) {
    const float tf = static_cast<float>(demo_time);
    const float b = beat;

    // Trail: additive sprites on a cleared screen, each with a beat glow,
    // drawn only where their pictures are not black (black adds nothing).
    {
        CTransparency additive(GL_ONE, GL_ONE);
        CEnabler scissor(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        MatrixScope trail;
        RotateXYZ(Vec3(0, 2.0f * b, tf * 0.05f));
        SeedRandom(4);
        const Quad sprite(1, 1);
        for (int i = 0; i < kSolarisSprites; ++i) {
            const SolarisSprite s = ComputeSolarisSprite(demo_time, i);
            if (!s.drawn) continue;
            const float spin = SolarisSpin(demo_time, i, RandomUnit());
            // At or behind the eye the near plane clips the whole sprite
            // (the trail tilts by 2 degrees at most); its random value is
            // still drawn, so the sprites after it keep theirs.
            if (s.z >= 0) continue;
            MatrixScope matrix;
            glTranslatef(s.a, s.a * s.a, s.z);
            glRotatef(spin, 0, 0, 1);
            const float w = s.weight;
            glColor4f(w, w, w, w);
            TextureBind bind(sprite_);
            trim_.Draw(sprite, sprite_coverage_);
            const float g = 0.125f * w * b;
            // Without a beat the glow's colour is 0: it would add nothing.
            if (g == 0.0f) continue;
            glColor4f(g, g, g, g);
            glBindTexture(GL_TEXTURE_2D, glow_.Name());
            trim_.Draw(sprite, glow_coverage_);
        }
    }

    // Title: darkens the trail by its own colour, bouncing down on beats.
    CEnabler scissor(GL_SCISSOR_TEST);
    CTransparency subtractive(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
    Ortho2DScope view;
    MatrixScope matrix;
    glTranslatef(0, 0.12f * b, -1);
    glColor4f(1, 1, 1, 1);
    TextureBind bind(title_);
    trim_.Draw(Quad(1.25f, 1.25f), title_coverage_);
}

}  // namespace Effekter
