#include "effects/3d/rubber3d.h"

#include <algorithm>
#include <cmath>

#include "render/gl_guards.h"

namespace Effekter {

Rubber3d::Rubber3d(int start, int end)
    : Effekt(start, end), model_("data/rubber/simple.3ds", MeshDisplayList::kNormals) {
    environment_.Load("data/rubber/env.jpg");
    background_.Load("data/rubber/background.jpg");
    flash_.Load("data/rubber/background1.jpg");
    seed_ = static_cast<int32_t>(kSeed);
    last_beat_time_ = 0;
}

float Rubber3d::Fade(uint32_t demo_time, uint32_t start, uint32_t end) {
    float d = 0;
    // Unsigned on purpose: before the start the difference wraps and is large.
    if (demo_time - start < 250) d = 1 - static_cast<float>(demo_time - start) / 250;
    if (demo_time > end - 250) d = 1 - static_cast<float>(end - demo_time) / 250;
    return d;
}

float Rubber3d::BackgroundScale(float t) {
    const float s = 2 - t / 10000;
    return s < 1 ? 1.0f : s;
}

Rubber3d::Strip Rubber3d::StripAt(int window_width, int i) {
    Strip strip;
    strip.width = static_cast<int>(std::ceil(static_cast<float>(window_width) / kStrips));
    strip.x = static_cast<int>((window_width * i) / static_cast<double>(kStrips));
    return strip;
}

bool Rubber3d::SphereColumns(const float centre[3], float radius, int width, int height, int& first,
                             int& last) {
    // Eye space looks down -z; the near plane of the standard view is 0.1.
    const double nearest = -centre[2] - radius, farthest = -centre[2] + radius;
    if (nearest <= 0.1 || radius < 0 || width <= 0 || height <= 0) return false;
    // x / depth is monotonic in both over the sphere's box, so its corners
    // bound it.
    const double low_x = centre[0] - radius, high_x = centre[0] + radius;
    const double low = std::min(low_x / nearest, low_x / farthest);
    const double high = std::max(high_x / nearest, high_x / farthest);
    const double scale = 1.0 / std::tan(20.0 * M_PI / 180.0) * height / width;  // f / aspect
    first = static_cast<int>(std::floor((low * scale + 1) / 2 * width)) - 1;
    last = static_cast<int>(std::ceil((high * scale + 1) / 2 * width)) + 1;
    return true;
}

Vec3 Rubber3d::ModelPosition(uint32_t demo_time, float fade) const {
    return Vec3(static_cast<float>(demo_time - start_time_) / 75 - 150, 500 * fade,
                -500 - static_cast<float>(demo_time - last_beat_time_));
}

float Rubber3d::ModelTurn(float t) { return t / 20; }

Rubber3d::StripStep Rubber3d::ComputeStripStep(const float r[10], float t, float beat) {
    // Products in single precision, sine and cosine of the radians in double.
    auto angle = [t](float amplitude, float f1, float f2) {
        return static_cast<float>(amplitude * std::sin(static_cast<double>(f1 * t / 500)) *
                                  std::cos(static_cast<double>(f2 * t / 500)));
    };
    StripStep step;
    step.dz = r[0] * beat;
    step.ax = angle(r[7], r[8], r[9]);
    step.ay = angle(r[4], r[5], r[6]);
    step.az = angle(r[1], r[2], r[3]);
    return step;
}

void Rubber3d::Draw(uint32_t demo_time, float beat) {
    const float t = static_cast<float>(demo_time);
    const float d = Fade(demo_time, start_time_, end_time_);

    // The background, added onto the frame; pushed down during the fades.
    glDisable(GL_DEPTH_TEST);
    {
        CTransparency additive(GL_ONE, GL_ONE);
        Ortho2DScope view;
        MatrixScope matrix;
        glTranslatef(0, d, -1);
        const float s = BackgroundScale(t);
        const Quad quad(s, s);
        glColor4f(1, 1, 1, 1);
        {
            TextureBind bind(background_);
            quad.Draw(1, 1);
        }
        glColor4f(beat, beat, beat, beat);
        TextureBind bind(flash_);
        quad.Draw(1, 1);
    }

    // The bent mesh: every strip repeats the same random step once more.
    CEnabler scissor(GL_SCISSOR_TEST);
    CEnabler depth(GL_DEPTH_TEST);
    CEnabler cull(GL_CULL_FACE);
    CEnabler gen_s(GL_TEXTURE_GEN_S);
    CEnabler gen_t(GL_TEXTURE_GEN_T);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
    TextureBind environment(environment_);
    glPushMatrix();
    if (beat > 0.25f) last_beat_time_ = demo_time;
    const Vec3 position = ModelPosition(demo_time, d);
    glTranslatef(position.x, position.y, position.z);
    RotateXYZ(Vec3(0, ModelTurn(t), 0));
    glColor4f(1, 1, 1, 1);
    const int width = WindowWidth(), height = WindowHeight();
    const MeshDisplayList::Sphere& bounds = model_.Bounds();
    for (int i = 0; i < kStrips; ++i) {
        SeedRandom(static_cast<uint32_t>(seed_));
        float r[10];
        for (float& value : r) value = RandomUnit();
        const StripStep step = ComputeStripStep(r, t, beat);
        glTranslatef(0, 0, step.dz);
        glRotatef(step.ax, 1, 0, 0);
        glRotatef(step.ay, 0, 1, 0);
        glRotatef(step.az, 0, 0, 1);
        const Strip strip = StripAt(width, i);
        glScissor(strip.x, 0, strip.width, height);
        // A strip the model cannot reach would draw nothing: skip its
        // vertices, the bulk of the effect's work.
        if (bounds.radius >= 0) {
            GLfloat m[16];
            glGetFloatv(GL_MODELVIEW_MATRIX, m);
            const float eye[3] = {
                m[0] * bounds.x + m[4] * bounds.y + m[8] * bounds.z + m[12],
                m[1] * bounds.x + m[5] * bounds.y + m[9] * bounds.z + m[13],
                m[2] * bounds.x + m[6] * bounds.y + m[10] * bounds.z + m[14],
            };
            int first = 0, last = 0;
            if (SphereColumns(eye, bounds.radius, width, height, first, last) &&
                (strip.x + strip.width <= first || strip.x > last))
                continue;
        }
        model_.Call();
    }
    glPopMatrix();
}

}  // namespace Effekter
