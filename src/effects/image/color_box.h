// Effekter::ColorBox ("ColorBox"): a 21 x 21 board of additive tiles, each
// spinning about its own centre, seen by a camera that glides towards a
// target tile and rolls with the demo time. Whenever the beat level falls
// (at most once per 200 ms) a new target is drawn among the tiles with
// column and row 0..3; the target swells with the beat and gets a second
// picture on top, and every tile is lit by its closeness to the target. The
// board fades in over the first 5000 ms and out over the last 2000 ms.
//
// Construct with the GL context current: loads "data/colorbox/colorbox1.jpg"
// (tile), "data/colorbox/colorbox2.jpg" (target highlight) and
// "data/colorbox/star.jpg" (kept, never drawn); a missing or broken picture
// draws its tiles untextured. A target choice reseeds the shared generator
// with the demo time and draws two values from it. The camera moves 0.1 per
// frame, so its glide depends on the frame rate.
//
// Leaves behind on purpose: the current colour at grey 0.5 and the blend
// function (GL_ZERO, GL_ONE_MINUS_SRC_COLOR). Blending and depth testing are
// off, texture 0 is bound, and the standard perspective view is in force.
#pragma once

#include <cstdint>

#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

// What ColorBox keeps from frame to frame.
struct ColorBoxState {
    float previous_beat = 10.0f;  // above any beat: the first frame chooses
    int target_column = 0;
    int target_row = 0;
    uint32_t last_jump_time = 0;
    float camera_x = 0;
    float camera_y = 0;
};

// On a falling beat more than 200 ms after the last jump: reseeds the shared
// generator with the demo time and draws the target's column, then its row
// (0..3; 100, no tile at all, before 70 ms). Then remembers the beat level.
void UpdateColorBoxTarget(ColorBoxState& state, uint32_t demo_time, float beat);
// One frame's step of the camera towards the target: 0.1 each axis.
void GlideColorBoxCamera(ColorBoxState& state);

// Board brightness: 0 -> 1 over the first 5000 ms, 1 -> 0 over the last 2000.
float ColorBoxFade(uint32_t demo_time, uint32_t start, uint32_t end);
// Spin of tile (column, row) in degrees at `seconds` of demo time.
float ColorBoxTileAngle(int column, int row, float seconds);
// Colour of a tile: fade * 0.5 / distance to the target, at most 1 (the
// target tile itself is at full brightness).
float ColorBoxTileBrightness(float fade, int column, int row, int target_column, int target_row);

class ColorBox : public Effekt {
public:
    static constexpr int kReach = 10;  // columns and rows -10..10

    ColorBox(int start, int end);
    void Draw(uint32_t demo_time, float beat) override;

    const ColorBoxState& State() const { return state_; }

private:
    CTextureFreeImage tile_;
    CTextureFreeImage highlight_;
    CTextureFreeImage star_;
    ColorBoxState state_;
};

}  // namespace Effekter
