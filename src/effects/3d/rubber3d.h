// Effekter::Rubber3d ("Rubber3d"): an environment-mapped mesh bent like
// rubber across the screen over a background that flashes with the beat.
//
// Construct with the GL context current: loads "data/rubber/simple.3ds" as a
// display list with normals and the textures "data/rubber/env.jpg",
// "background.jpg" and "background1.jpg" (missing images leave their
// textures empty; a missing mesh draws nothing). Draw cuts the window into
// 125 scissor strips; strip i shows the mesh after i + 1 repetitions of the
// same small random turn (the shared generator reseeded with 72 for every
// strip), so the generator's state after a frame is fixed; a strip that the
// mesh's bounding sphere cannot reach is not drawn (the same picture, a
// fraction of the vertices). A beat above 0.25
// throws the mesh to z = -500, from where it recedes one unit per
// millisecond. Draw leaves depth testing, blending, scissoring, culling and
// texture-coordinate generation off, texture 0 bound, the standard
// perspective view, and the GL_NORMAL_MAP generation mode set for s and t.
#pragma once

#include <cstdint>

#include "model3ds/mesh_display_list.h"
#include "render/texture.h"
#include "render/vec3.h"
#include "timeline/effekt.h"

namespace Effekter {

class Rubber3d : public Effekt {
public:
    static constexpr int kStrips = 125;
    static constexpr uint32_t kSeed = 72;

    Rubber3d(int start, int end);
    void Draw(uint32_t demo_time, float beat) override;

    // 1 -> 0 over the first 250 ms of [start, end], 0 -> 1 over the last 250 ms.
    static float Fade(uint32_t demo_time, uint32_t start, uint32_t end);
    // Half extent of the background quads: 2 - t/10000, at least 1.
    static float BackgroundScale(float t);
    struct Strip {
        int x;
        int width;
    };
    // The scissor box of strip i in a window `window_width` pixels wide.
    static Strip StripAt(int window_width, int i);
    // The window columns first..last that a sphere (centre in eye space,
    // radius) can reach in the standard perspective view of a width x height
    // window, with a column to spare on each side; false when it reaches
    // the near plane, where it may cover any column.
    static bool SphereColumns(const float centre[3], float radius, int width, int height,
                              int& first, int& last);
    // Where the chain of strips starts for demo time T and fade d.
    Vec3 ModelPosition(uint32_t demo_time, float fade) const;
    // The chain's turn about the vertical axis, in degrees: t / 20.
    static float ModelTurn(float t);

    // The step every strip adds to the chain once more: a move of dz towards
    // the viewer, then turns (degrees) about x, y and z, in that order.
    struct StripStep {
        float dz;
        float ax, ay, az;
    };
    // From the ten generator values r0 .. r9 a strip draws after the reseed,
    // the demo time t and the beat b: dz = r0 b; about x r7 sin(r8 t/500)
    // cos(r9 t/500), about y the same with r4, r5, r6, about z with r1, r2, r3.
    static StripStep ComputeStripStep(const float r[10], float t, float beat);
    uint32_t LastBeatTime() const { return last_beat_time_; }

private:
    MeshDisplayList model_;
    CTextureFreeImage environment_;
    CTextureFreeImage background_;
    CTextureFreeImage flash_;
    int32_t seed_;
    uint32_t last_beat_time_;
};

}  // namespace Effekter
