// Reading GL state back in tests: integers, the viewport, matrices, and the
// polygons a draw produces in feedback mode. Needs a current GL context
// (EnsureGlContext); reads what is there and changes nothing but the render
// mode, which FeedbackPolygons sets back to GL_RENDER.
#pragma once

#include <GL/glew.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// glGetIntegerv of one value; -1 when GL wrote nothing.
GLint Integer(GLenum what);

// x, y, width, height.
std::array<GLint, 4> Viewport();

// GL_MODELVIEW_MATRIX, GL_PROJECTION_MATRIX, ...: column-major.
std::array<float, 16> Matrix(GLenum which);

// Level 0 of a 2D texture as RGBA bytes, first texture row first. Leaves
// texture 0 bound.
std::vector<uint8_t> TexturePixels(GLuint texture, int width, int height);

// One fed-back vertex of GL_3D_COLOR_TEXTURE: window position, colour,
// texture coordinate.
struct FedVertex {
    float x, y, z;
    float r, g, b, a;
    float s, t, p, q;
};
using FedPolygon = std::vector<FedVertex>;

// Runs `draw` in feedback mode with a buffer of `buffer_floats` floats and
// returns every polygon it drew. Any token other than a polygon is a test
// failure (and ends the reading); an overflowing buffer gives no polygons.
std::vector<FedPolygon> FeedbackPolygons(const std::function<void()>& draw, size_t buffer_floats);
