// Effekter::Zoomba ("Zoomba") and Effekter::Zoombb ("Zoombb"): one effect
// with two sets of pictures. The frame is cleared to white; a swaying,
// turning background picture with an additive glow that swells with the
// beat fills most of it; in front, a tube of 100 sprites recedes into the
// screen, brightening as they come near and twisting along a curve that
// bends with the demo time. Sprites are laid on with "source colour"
// blending, so black in a sprite leaves the picture beneath alone.
//
// Both are a Zoomer, which does the drawing; they differ only in the sprite
// pictures they load, all from data/zoomer/:
//   Zoomba  "zoomer1.jpg" (kept, never drawn), "zoomer2.jpg" (tube sprite)
//   Zoombb  "zoomer2-old.jpg" as both
// then "bg.jpg" (background) and "bg1.jpg" (glow). A missing or broken
// picture draws its layer untextured. Construct with the GL context current.
//
// Draw uses the absolute demo time (not the window), erases whatever was
// drawn before it in the frame and sets the clear colour back to black. It
// leaves blending off, texture 0 bound, the current colour at the nearest
// sprite's, and the standard perspective view in force.
//
// Most of a sprite picture is black, and with the sprites' blend a black
// texel leaves the frame as it was: each sprite is drawn only where it can
// show more than black, and not at all when it cannot (QuadTrim; the near
// sprites look through the black middle of the picture). The same colours
// for a fraction of the work. A sprite picture without an image is drawn
// whole. The scissor test is off again after Draw.
#pragma once

#include <cstdint>

#include "render/quad_trim.h"
#include "render/texel_coverage.h"
#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

// The numbers every part of one Zoomer frame shares.
struct ZoomerFrame {
    float s1;                          // sin(t 0.00015): the tube's far end swings on it
    float c1;                          // cos(t 0.0001)
    float p;                           // t 0.0025: phase of the sprites' twist
    float h;                           // t 0.00125
    float yb;                          // 0.0125 beat: everything lifts a little on beats
    float background_x, background_y;  // centre of the background layers
    float background_angle;            // their turn, in degrees
    float glow_grey;                   // beat + 0.1
};
ZoomerFrame ComputeZoomerFrame(uint32_t demo_time, float beat);

// Sprite k of the tube (k = -100 far .. -1 near).
struct ZoomerSprite {
    float x, y, z;
    float angle;  // degrees about z
    float grey;   // 1 / z^2: 0.25 at the far end, above 1 from z = -1 on
};
ZoomerSprite ComputeZoomerSprite(int k, const ZoomerFrame& frame);

class Zoomer : public Effekt {
public:
    static constexpr int kSprites = 100;

    void Draw(uint32_t demo_time, float beat) override;
    // Draws every sprite whole, as a yardstick for the trimmed drawing.
    void SetTrimming(bool trim) { trim_ = trim; }

protected:
    // Loads the two sprite pictures, then the shared background and glow.
    Zoomer(int start, int end, const char* first_sprite_path, const char* sprite_path);

private:
    CTextureFreeImage first_sprite_;
    CTextureFreeImage sprite_;
    CTextureFreeImage background_;
    CTextureFreeImage glow_;
    PictureCoverage sprite_coverage_;
    QuadTrim trim_sprites_;
    bool trim_ = true;
};

class Zoomba : public Zoomer {
public:
    Zoomba(int start, int end);
};

class Zoombb : public Zoomer {
public:
    Zoombb(int start, int end);
};

}  // namespace Effekter
