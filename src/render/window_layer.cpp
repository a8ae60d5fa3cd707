#include "render/window_layer.h"

WindowLayerScope::WindowLayerScope(float drop) {
    glPushMatrix();
    glTranslatef(0, drop, -2);
}

// The matrix is popped before the view member's exit resets the perspective.
WindowLayerScope::~WindowLayerScope() { glPopMatrix(); }

void DrawLayerQuad(float half_extent) { Quad(half_extent, half_extent).Draw(1, 1); }
