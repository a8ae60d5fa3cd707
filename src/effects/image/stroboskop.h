// Effekter::Stroboskop: a three-layer image effect driven by the demo time
// and the beat level: a wide drifting background strip, a flickering title
// printed over it subtractively, and a fan of ten additive twist images that
// spin with the time and open up with the beat.
//
// Loads "data/strobo/twist.jpg", "data/strobo/bg.jpg" and
// "data/strobo/text.jpg" (a missing picture draws its layer untextured).
// Uses one value of the shared random generator per frame. The title and the
// fan are drawn only where their pictures are not black (QuadTrim: black
// changes nothing under their blends), the fan not at all while its colour
// rounds to black. Leaves blending and the scissor test off, no texture
// bound, the colour white and the standard perspective view.
#pragma once

#include "render/quad_trim.h"
#include "render/texel_coverage.h"
#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

class Stroboskop : public Effekt {
public:
    Stroboskop(int start, int end);
    void Draw(uint32_t demo_time, float beat) override;

private:
    CTextureFreeImage twist_;
    CTextureFreeImage background_;
    CTextureFreeImage text_;
    PictureCoverage twist_coverage_;
    PictureCoverage text_coverage_;
    QuadTrim trim_;
};

// The numbers of one Stroboskop frame, computed before any GL call.
struct StroboskopFrame {
    float strip_grey;    // colour of the background strip
    float strip_x;       // drift of the strip
    float strip_z;       // depth of the strip: -1, nearer on beats
    float title_colour;  // 1 before 21000 ms, then beat + 0.5
    float title_size;    // half extent of the title, jittering on beats
    float twist_grey;    // colour of the additive twist layers
    float twist_angle;   // rotation of the first twist layer, in degrees
};
// `random` is one value of the shared generator (0..32767).
StroboskopFrame ComputeStroboskopFrame(uint32_t demo_time, float beat, int random);

}  // namespace Effekter
