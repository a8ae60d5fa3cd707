// The four layer passes of the feedback zoomer. Each draws into the bound
// render target right after the zoomed previous picture; the perspective
// passes find the standard view with an identity modelview there.
#include <cmath>

#include "effects/3d/chaos_zoomer.h"
#include "render/gl_guards.h"

namespace Effekter {

float ChaosFlowerDepth(uint32_t t, int i) {
    const double seconds = static_cast<float>(t) / 1000.0;
    return static_cast<float>(seconds - i);
}

void ChaosZoomer::FlowerPass(uint32_t demo_time, float) {
    const float tf = static_cast<float>(demo_time);
    const float q = ChaosFadeIn(demo_time, switch_time_);
    glColor4f(1, 1, 1, 1);
    CTransparency blend(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
    glBindTexture(GL_TEXTURE_2D, flower_.Name());
    // Squares one unit apart along the view axis, approaching at one unit per
    // second, each turned 20 degrees further; the nearest are drawn first and
    // they fade out towards z = -10.
    for (int i = 0; i < 1000; ++i) {
        const float z = ChaosFlowerDepth(demo_time, i);
        if (!(z > -10.0f)) continue;
        const float m = (z + 10.0f) / 10.0f * q;
        glColor4f(m, m, m, m);
        glPushMatrix();
        glTranslatef(0, 0, z);
        RotateXYZ(Vec3(0, 0, 20.0f * static_cast<float>(i) + tf / 500.0f));
        Quad(0.5f, 0.5f).Draw(1, 1);
        glPopMatrix();
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

void ChaosZoomer::PortraitPass(uint32_t demo_time, float) {
    const float tf = static_cast<float>(demo_time);
    Ortho2DScope view;
    const float q = ChaosFadeIn(demo_time, switch_time_);
    glColor4f(q, q, q, q);
    CTransparency blend(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
    glPushMatrix();
    glTranslatef(0, 0, -2);
    // Rocks about both screen axes by up to 15 degrees, spins slowly.
    RotateXYZ(Vec3(15.0f * std::sin(tf / 500.0f), 15.0f * std::sin(tf / 2000.0f), -tf / 50.0f));
    const CTexture* portrait = Portrait(ChaosPortraitIndex(image_counter_));
    glBindTexture(GL_TEXTURE_2D, portrait ? portrait->Name() : 0);
    // Breathes slowly after each switch.
    const float since_switch = static_cast<float>(demo_time - switch_time_);
    const float s = 0.5f + 0.1f * std::sin(since_switch / 1000.0f);
    Quad(s, s).Draw(1, 1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glPopMatrix();
}

void ChaosZoomer::ModelPass(uint32_t demo_time, float beat) {
    const float tf = static_cast<float>(demo_time);
    glColor4f(1, 1, 1, 1);
    // Black fog between the two distances: the model hides at depth 400 and
    // comes forward into view with the beat.
    CFog fog(fog_near_, fog_far_);
    CEnabler depth(GL_DEPTH_TEST);
    CEnabler cull(GL_CULL_FACE);
    glPushMatrix();
    {
        CEnabler generate_s(GL_TEXTURE_GEN_S);
        CEnabler generate_t(GL_TEXTURE_GEN_T);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
        object_position_.Set(100.0f * std::sin(tf / 2000.0f), 100.0f * std::sin(tf / 1000.0f),
                             50.0f * beat - 400.0f);
        glTranslatef(object_position_.x, object_position_.y, object_position_.z);
        RotateXYZ(Vec3(0.0025f * tf, 0.03f * tf, 0.0125f * tf));
        glBindTexture(GL_TEXTURE_2D, environment_.Name());
        model_.Call();
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glPopMatrix();
}

void ChaosZoomer::TwistPass(uint32_t demo_time, float beat) {
    CTransparency add(GL_ONE, GL_ONE);
    // The second blend function is the one in force.
    CTransparency blend(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
    glBindTexture(GL_TEXTURE_2D, twist_.Name());
    // Without beat the colour is black, which this blending turns into no
    // change at all.
    const float f = ChaosFadeIn(demo_time, switch_time_) * beat * 1.01f;
    glColor3f(f, f, f);
    const double a0 = 0.04 * demo_time;
    const double a1 = 90.0 * (1.0 - beat);
    for (int i = 0; i < 5; ++i) {
        glPushMatrix();
        glTranslatef(0, 0, -1);
        RotateXYZ(Vec3(0, 0, static_cast<float>(5.0 * i * beat + a0 + a1)));
        Quad(1, 1).Draw(1, 1);
        glPopMatrix();
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace Effekter
