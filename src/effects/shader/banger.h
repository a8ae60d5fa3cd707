// Effekter::Banger: a full-screen picture in two phases. For the first
// second after the effect's start, "data/banger/bang.jpg" through the
// fragment shader "data/banger/slider.txt" (given the elapsed milliseconds,
// 0 to 999, as "time"), drawn over what is there; from then on the window is
// cleared and the picture is added plainly, with "data/banger/bang1.jpg"
// added on top in proportion to the beat level. Both phases draw the picture
// 10 % larger than the window and drop it by a tenth of the window's half
// height at full beat.
//
// Missing or broken shader: the shader failures at start-up. A missing
// picture leaves its layer untextured (white, or black through the shader).
// Leaves no program in use, blending off (the blend function at one, one
// after the beat phase), no texture bound, the colour white or (b, b, b, b)
// after the beat phase, and the standard perspective view.
#pragma once

#include "render/shader.h"
#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

// Length of the slide phase in milliseconds from the effect's start.
constexpr uint32_t kBangerSlideLength = 1000;

// The numbers of one Banger frame.
struct BangerFrame {
    bool slide;        // true in the slide phase
    float slide_time;  // the shader's "time": milliseconds since the start
    float drop;        // downward shift of both layers in the 2D view
    float beat_grey;   // colour of the beat picture: the beat level
};
// `elapsed` is the demo time minus the start time, unsigned (a demo time
// before the start wraps to a late one and counts as the beat phase).
BangerFrame ComputeBangerFrame(uint32_t elapsed, float beat);

class Banger : public Effekt {
public:
    Banger(int start, int end);
    void Draw(uint32_t demo_time, float beat) override;

    GLuint Program() const { return program_.Program(); }

private:
    ShaderProgram program_;
    CTextureFreeImage bang_;
    CTextureFreeImage beat_;
    GLint time_location_ = -1;
};

}  // namespace Effekter
