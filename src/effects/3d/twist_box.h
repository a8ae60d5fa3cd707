// Effekter::TwistBox ("TwistBox"): a tall square tower of 1000 thin rings in
// black fog. Each ring is wider or narrower along a slow sine and turned
// about the vertical axis along another, so the tower bulges and twists;
// both sines drift with the demo time. The rings carry a grid picture that
// repeats every 20 rings and are shaded by the fragment shader "data/bump.fs",
// whose intensity dips with the beat.
//
// Construct with the GL context current: loads "data/bump.fs" (missing or
// broken: the shader failures stop the show) with the uniforms "intensity"
// (0.25 - 0.1 beat), "resolution" (the window size in pixels) and "pos"
// ((0.5 sin(0.0005 t), 0.5)), and "data/__grid.jpg" (missing: an empty
// texture).
//
// Draw clears colour and depth first, so effects drawn before it in the same
// frame do not show; it covers the whole window. Fog is linear black from 0
// to 1 eye units; the shader decides whether to use it. Leaves fog and depth
// testing off, no program, texture 0 bound, the colour white and the standard
// perspective view. Keeps no state between frames.
#pragma once

#include <cstdint>

#include "render/shader.h"
#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

// The uniforms of one frame.
struct TwistBoxUniforms {
    float intensity;
    float resolution[2];
    float pos[2];
};
TwistBoxUniforms ComputeTwistBoxUniforms(uint32_t demo_time, float beat, int width, int height);

// One ring of the tower: half widths of its lower and upper edge, texture
// rows of both edges, height and turn about the vertical axis in degrees.
struct TwistRing {
    float r0, r1;
    float ta, tb;
    float height;
    float angle;
};
// The drift of the shape at demo time t: 0.000125 t radians.
double TwistPhase(uint32_t demo_time);
TwistRing ComputeTwistRing(int h, double phase);

class TwistBox : public Effekt {
public:
    static constexpr int kRings = 1000;

    TwistBox(int start, int end);
    void Draw(uint32_t demo_time, float beat) override;
    GLuint ProgramName() const { return bump_.Program(); }

private:
    ShaderProgram bump_;
    CTextureFreeImage grid_;
    GLint intensity_location_ = -1;
    GLint resolution_location_ = -1;
    GLint pos_location_ = -1;
};

}  // namespace Effekter
