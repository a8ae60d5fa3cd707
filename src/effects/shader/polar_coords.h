// Effekter::PolarCoords: a field of 21 x 21 tumbling textured boxes of
// random heights, seen by a swaying camera, drawn into a framebuffer of the
// effect's own (with a depth buffer) and shown over the whole window through
// the fragment shader "data/polar.fs".
//
// Loads "data/housing.jpg" (missing: the boxes are drawn untextured, in
// white) and "data/polar.fs" (missing or broken: the shader failures). The
// framebuffer is built in the constructor, 1024 x 1024, or wider or taller
// where the window is (up to the largest texture and renderbuffer the driver
// allows), so the whole window fits; a driver without framebuffer objects
// or an incomplete one raises "FBO not ready". The off-screen pass keeps
// the window's viewport, so the picture fills the lower-left W x H texels of
// the texture, which is stretched over the window whole; the shader finds
// that region itself. Every frame the uniform "picture_size" gets the
// texture's size in texels; "time" and "resolution" are never set (they
// stay 0).
//
// Reseeds the shared generator with 123 every frame and draws 441 values from
// it. Clears the window before its on-screen pass, so effects drawn earlier in
// the frame do not show. Leaves the depth test off, the window's framebuffer
// bound (BindWindowFramebuffer), no program or texture bound, the clear colour
// transparent black, the colour white and the standard perspective view.
#pragma once

#include "render/shader.h"
#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

// The smallest side of the effect's framebuffer; windows up to 1024 x 1024
// get a square of this side.
constexpr int kPolarTargetSide = 1024;
// Boxes per row and column, and how the grid is laid out: box (i, j) for i, j
// in -10..10 stands at (2i, 2j, 0).
constexpr int kPolarGridReach = 10;

// The camera and the tumble of one frame, from the demo time.
struct PolarFrame {
    float eye_x, eye_y, eye_z;     // gluLookAt eye; it looks at the origin, y up
    float turn_x, turn_y, turn_z;  // RotateXYZ angles of every box, degrees
};
PolarFrame ComputePolarFrame(uint32_t demo_time);

// One GL_QUADS primitive: the six faces of a box centred at the origin with
// half extents (hx, hy, hz), each face textured with repeat (u, v); no
// normals, no colours.
void DrawBox(float u, float v, float hx, float hy, float hz);

class PolarCoords : public Effekt {
public:
    PolarCoords(int start, int end);
    ~PolarCoords() override;
    void Draw(uint32_t demo_time, float beat) override;

    // For tools and tests.
    GLuint Program() const { return program_.Program(); }
    GLuint ColourTexture() const { return colour_texture_; }
    GLuint Framebuffer() const { return framebuffer_; }
    // Looked up once; the effect never sets them, so they keep the value 0.
    GLint TimeLocation() const { return time_location_; }
    GLint ResolutionLocation() const { return resolution_location_; }

private:
    void DrawBoxField(uint32_t demo_time);
    void DeleteTarget();

    CTextureFreeImage box_texture_;
    ShaderProgram program_;
    GLint time_location_ = -1;
    GLint resolution_location_ = -1;
    GLint picture_size_location_ = -1;
    GLuint colour_texture_ = 0;
    int target_width_ = kPolarTargetSide;
    int target_height_ = kPolarTargetSide;
    GLuint framebuffer_ = 0;
    GLuint depth_buffer_ = 0;
};

}  // namespace Effekter
