#include "effects/image/color_box.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "render/gl_guards.h"

namespace Effekter {

void UpdateColorBoxTarget(ColorBoxState& state, uint32_t demo_time, float beat) {
    // Differences of times are unsigned: after a backwards seek the next
    // falling beat jumps at once.
    if (state.previous_beat > beat && demo_time - state.last_jump_time > 200u) {
        SeedRandom(demo_time);
        state.target_column = static_cast<int>(4.0f * RandomUnit());
        state.target_row = static_cast<int>(4.0f * RandomUnit());
        if (demo_time < 70u) {
            state.target_column = 100;
            state.target_row = 100;
        }
        state.last_jump_time = demo_time;
    }
    state.previous_beat = beat;
}

void GlideColorBoxCamera(ColorBoxState& state) {
    // Up in steps of 0.1 until past the target, then one step back; down in
    // steps of 0.1: the camera settles just below the target.
    const float row = static_cast<float>(state.target_row);
    if (row > state.camera_y) state.camera_y += 0.1f;
    if (state.camera_y > row) state.camera_y -= 0.1f;
    const float column = static_cast<float>(state.target_column);
    if (column > state.camera_x) state.camera_x += 0.1f;
    if (state.camera_x > column) state.camera_x -= 0.1f;
}

float ColorBoxFade(uint32_t demo_time, uint32_t start, uint32_t end) {
    float k = 1.0f;
    if (demo_time < start + 5000u) k = static_cast<float>(demo_time - start) / 5000.0f;
    if (demo_time > end - 2000u) k = static_cast<float>(end - demo_time) / 2000.0f;
    return k;
}

float ColorBoxTileAngle(int column, int row, float seconds) {
    const float phase =
        static_cast<float>(column + row) * seconds * 0.05f + static_cast<float>(column * row);
    return 180.0f * std::sin(phase);
}

float ColorBoxTileBrightness(float fade, int column, int row, int target_column, int target_row) {
    const int dx = column - target_column, dy = row - target_row;
    const int squared = dy * dy + dx * dx;
    // 0.5 / 0 would be infinite: the target tile is at full brightness,
    // which is what the colour clamp makes of anything above 1.
    if (squared == 0) return 1.0f;
    return std::min(1.0f, fade * (0.5f / std::sqrt(static_cast<float>(squared))));
}

ColorBox::ColorBox(int start, int end) : Effekt(start, end) {
    tile_.Load("data/colorbox/colorbox1.jpg");
    highlight_.Load("data/colorbox/colorbox2.jpg");
    star_.Load("data/colorbox/star.jpg");
}

void ColorBox::Draw(uint32_t demo_time, float beat) {
    UpdateColorBoxTarget(state_, demo_time, beat);
    GlideColorBoxCamera(state_);
    const float tf = static_cast<float>(demo_time);
    const float seconds = tf * 0.001f;
    const float fade = ColorBoxFade(demo_time, start_time_, end_time_);
    const int target_column = state_.target_column, target_row = state_.target_row;

    // The board: additive spinning tiles, lit by their closeness to the
    // target; the camera rolls as the time grows.
    {
        MatrixScope matrix;
        const float cx = state_.camera_x, cy = state_.camera_y;
        gluLookAt(0.25f * cx, 0.25f * cy, 4, cx, cy, 0, seconds, 1, 0);
        glDisable(GL_DEPTH_TEST);
        CTransparency additive(GL_ONE, GL_ONE);
        for (int x = -kReach; x <= kReach; ++x) {
            for (int y = -kReach; y <= kReach; ++y) {
                MatrixScope tile;
                glTranslatef(static_cast<float>(x), static_cast<float>(y), 0);
                RotateXYZ(Vec3(0, 0, ColorBoxTileAngle(x, y, seconds)));
                const float q = ColorBoxTileBrightness(fade, x, y, target_column, target_row);
                glColor4f(q, q, q, q);
                TextureBind bind(tile_);
                if (x == target_column && y == target_row) {
                    // The target swells with the beat and flashes its highlight.
                    const float g = 0.5f * beat + 1.0f;
                    Quad(g, g).Draw(1, 1);
                    const float h = 2.0f * fade * beat;
                    glColor4f(h, h, h, h);
                    glBindTexture(GL_TEXTURE_2D, highlight_.Name());
                    Quad(g, g).Draw(1, 1);
                } else {
                    Quad(1, 1).Draw(1, 1);
                }
            }
        }
    }

    // Closing pass: sets up a darkening layer but draws nothing; what stays
    // is its blend function and the grey colour.
    {
        CTransparency subtractive(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
        Ortho2DScope view;
        MatrixScope matrix;
        glTranslatef(std::sin(tf * 0.0001f), 0, -1);
        glColor4f(0.5f, 0.5f, 0.5f, 0.5f);
    }
}

}  // namespace Effekter
