// QuadTrim: draws a textured quad only where its picture is not black, for
// quads blended so that a black texel leaves the frame as it was (additive
// GL_ONE, GL_ONE; or GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR with a texture
// that is modulated by a colour). Sprites whose pictures are mostly black
// then cost only the pixels where they show.
//
// The window is cut into squares (TrimTile: 32 pixels, more for windows
// wider than 2048, so a row never has more than 64; smaller squares trim
// more pixels but cost llvmpipe more per box than they save). For each
// square the quad's picture under it is found by casting rays through its
// corners onto the quad's plane (any placement, in any view the projection
// matrix gives: the standard perspective, the 2D view), widened by a texel
// on each side for bilinear filtering and one more for rounding; squares
// whose picture holds only black texels (TexelCoverage) are left out, the
// others merged into scissor boxes along rows, and down the rows where a
// run keeps its ends. The quad is drawn once per box with the scissor box
// set, so every pixel it shows gets exactly the fragment it would have got
// drawn whole, and the pixels left out are those where it would have added
// nothing to the colour. (The frame's alpha, which no effect reads, may
// differ there.) A quad with nothing to show is not drawn at all.
//
// Needs a current GL context, a viewport of the window (WindowWidth x
// WindowHeight) and the scissor test on (the caller's CEnabler); leaves the
// scissor box set. Allocates nothing per draw.
#pragma once

#include <vector>

#include "render/gl_guards.h"
#include "render/texel_coverage.h"

// A scissor box in window pixels, x and y from the lower left.
struct ScissorBox {
    int x, y, width, height;
};
constexpr int kSmallestTrimTile = 32;
constexpr int kTrimColumns = 64;
// The side of the squares for a window `width` pixels wide: 32, doubled
// until at most 64 of them span the width.
int TrimTile(int width);

// Working room: where the ray through a corner of a square meets the quad.
struct TrimCorner {
    float u, v;  // texels
    bool valid;  // in front of the eye
};
// The corners QuadScissorBoxes needs for a window `width` pixels wide
// (the same for every width).
int TrimCornerCount(int width);

// The boxes for a quad of half extent (half_width, half_height) around
// `position` in the plane z = position.z of the model space given by
// `modelview`, textured with repeat (1, 1), seen through `projection` (both
// column-major, as glGetFloatv gives them) in a width x height viewport.
// Writes at most `capacity` boxes, none overlapping another; returns how
// many, 0 when the quad shows only black (or nothing) there, -1 when more
// room is needed. `corners` holds TrimCornerCount(width).
int QuadScissorBoxes(const float modelview[16], const float projection[16], const Vec3& position,
                     float half_width, float half_height, int width, int height,
                     const TexelCoverage& coverage, ScissorBox* boxes, int capacity,
                     TrimCorner* corners);

class QuadTrim {
public:
    // Room for windows up to this size.
    QuadTrim(int largest_width, int largest_height);

    // Draws quad.Draw(1, 1) under the current matrices, trimmed by
    // `coverage`; whole (one box over the window) when the coverage is empty,
    // the window is larger than the room, or the render mode is feedback or
    // selection (nothing is rasterised there). Returns the boxes drawn.
    int Draw(const Quad& quad, const TexelCoverage& coverage);

private:
    int largest_width_, largest_height_;
    std::vector<ScissorBox> boxes_;
    std::vector<TrimCorner> corners_;
};
