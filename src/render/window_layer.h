// WindowLayerScope: the frame for a full-window layer, the way the 2D and
// shader effects draw their pictures over the whole window.
//
// Needs a current GL context and the window size (SetWindowSize). Entering
// sets the 2D view (Ortho2DScope: x from -1 at the left to 1, y from -1 at
// the top to 1), pushes the modelview matrix and moves to (0, drop, -2);
// leaving pops the matrix and restores the standard perspective view. Inside
// it, DrawLayerQuad draws a quad of the given half extent with the texture
// repeat (1, 1): half extent 1 covers the window exactly and shows a loaded
// picture upright, larger values overfill it. Colour, texture, program and
// blending are the caller's: bind the texture and select the program inside
// the scope, in the order the effect needs. Allocates nothing.
#pragma once

#include "render/gl_guards.h"

class WindowLayerScope {
public:
    // `drop` moves the layer down (positive) or up, in units of half the
    // window height.
    explicit WindowLayerScope(float drop = 0.0f);
    ~WindowLayerScope();
    WindowLayerScope(const WindowLayerScope&) = delete;
    WindowLayerScope& operator=(const WindowLayerScope&) = delete;

private:
    Ortho2DScope view_;
};

// A Quad of half extent (h, h) at the origin, drawn with repeat (1, 1).
void DrawLayerQuad(float half_extent = 1.0f);
