#include "effects/image/tunnel.h"

#include <algorithm>
#include <cmath>

#include "render/gl_guards.h"

namespace Effekter {

namespace {
constexpr int kClouds = 1000;
constexpr uint32_t kClosingMs = 15000;
}  // namespace

TunnelFrame ComputeTunnelFrame(uint32_t demo_time, float beat, uint32_t start, uint32_t end) {
    const float t = static_cast<float>(demo_time);
    const float b = beat;
    // Unsigned on purpose: below 15 s the closing start wraps far into the
    // future, so the closing phase never runs and the fade stays 0.
    const uint32_t closing = end - kClosingMs;
    const float elapsed = t - static_cast<float>(closing);
    TunnelFrame f;
    f.fade = std::clamp(elapsed / 10000.0f, 0.0f, 1.0f);
    f.landscape = demo_time > closing;
    f.landscape_z = 0;
    f.landscape_half = 1;
    f.glow_grey = 0;
    if (f.landscape) {
        f.fade = 0.9f * f.fade;
        f.landscape_z = elapsed * 0.00001f - 2.0f;
        f.landscape_half = 1.0f + elapsed * 0.00005f;
        f.glow_grey = f.fade * b * 0.125f;
    }
    const float r = static_cast<float>(demo_time - start);
    f.lift = 0.0125f * b;
    f.turn = r * 0.005f;
    f.depth_offset = r * 0.01f;
    f.cloud_scale = (1.0f - f.fade) * (b + 1.125f);
    return f;
}

TunnelCloud ComputeTunnelCloud(int n, float depth_offset, float cloud_scale, float r1, float r2,
                               float r3, float r4, float r5) {
    const float fn = static_cast<float>(n);
    TunnelCloud c;
    c.depth = depth_offset - fn;
    const float d = c.depth;
    // A tent: 0 at -15, 1 at -10, 0 at the eye, negative behind it.
    const float w = d > -10.0f ? -d / 10.0f : 1.0f - (-d - 10.0f) / 5.0f;
    c.colour = w * cloud_scale;
    c.x = r5 * d;
    c.y = r4 * std::sin(r3 * d);
    c.turn = 10.0f * std::sin(fn * r1) * std::cos(fn * r2);
    c.drawn = d > -15.0f;
    return c;
}

Tunnel::Tunnel(int start, int end) : Effekt(start, end), seed_(89) {
    clouds_.Load("data/sky/clouds.jpg");
    landscape_.Load("data/sky/landskab1.jpg");
    landscape_glow_.Load("data/sky/landskab1_add.jpg");
}

void Tunnel::Draw(uint32_t demo_time, float beat) {
    const TunnelFrame f = ComputeTunnelFrame(demo_time, beat, start_time_, end_time_);

    // Closing phase: the landscape zooms in slowly, with a beat glow on top.
    if (f.landscape) {
        Ortho2DScope view;
        MatrixScope matrix;
        glTranslatef(0, 0, f.landscape_z);
        Quad picture(f.landscape_half, f.landscape_half);
        glColor4f(f.fade, f.fade, f.fade, f.fade);
        TextureBind bind(landscape_);
        picture.Draw(1, 1);
        {
            CTransparency additive(GL_ONE, GL_ONE);
            TextureBind glow(landscape_glow_);
            const float g = f.glow_grey;
            glColor4f(g, g, g, g);
            picture.Draw(1, -1);
        }
    }

    // Cloud tunnel: every cloud turns the frame a little further, so the
    // turns add up from the farthest cloud to the nearest. Clouds come
    // nearer as n falls; once one lies at or behind the eye (d >= 0, and
    // only turns about the viewing axis stand between it and the eye, so
    // the near plane clips all of it), so do the rest, and their turns can
    // no longer move a drawn cloud: they are only coloured, so the colour
    // left behind is still the last cloud's.
    MatrixScope matrix;
    glTranslatef(0, f.lift, 0);
    RotateXYZ(Vec3(0, 0, f.turn));
    TextureBind bind(clouds_);
    Quad cloud(10, 10);
    CTransparency blend(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
    MatrixScope running;
    const float r1 = RandomUnit();
    const float r2 = RandomUnit();
    for (int n = kClouds; n >= 1; --n) {
        SeedRandom(static_cast<uint32_t>(seed_));
        const float r3 = RandomUnit();
        const float r4 = RandomUnit();
        const float r5 = RandomUnit();
        const TunnelCloud c =
            ComputeTunnelCloud(n, f.depth_offset, f.cloud_scale, r1, r2, r3, r4, r5);
        glColor4f(c.colour, c.colour, c.colour, c.colour);
        if (c.depth >= 0) continue;
        cloud.position = Vec3(c.x, c.y, c.depth);
        glRotatef(c.turn, 0, 0, 1);
        if (c.drawn) cloud.Draw(1, 1);
    }
}

}  // namespace Effekter
