// The generators' own lettering: a stroke font drawn from line segments.
//
// Each glyph lives on a grid 4 units wide and 6 units tall (y down); strokes
// are straight segments with round ends, which gives the angular "forged"
// look of the show's titles. Letters A-Z, digits 0-9, space and . - ! : are
// defined; any other character draws as a space. No outside font is used.
#pragma once

#include <string>

#include "picture_canvas.h"

namespace pictures {

struct TextStyle {
    float height = 60;     // cap height in pixels
    float stroke = 8;      // stroke width in pixels
    float spacing = 1.6f;  // gap between glyphs in grid units
    float slant = 0;       // horizontal shift per unit of height (italic)
    float stretch_y = 1;   // vertical scale (lets a picture shown stretched look right)
};

// Width in pixels of the text in this style.
float TextWidth(const std::string& text, const TextStyle& style);

// Draws the text into the mask (max of coverages) centred on (cx, cy).
void DrawText(Mask& mask, const std::string& text, float cx, float cy, const TextStyle& style);

}  // namespace pictures
