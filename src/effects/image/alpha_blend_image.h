// Effekter::AlphaBlendImage: one full-screen picture alpha-blended over what
// is beneath, moved, scaled, turned or faded by one of eleven modes named in
// the script: scrolling captions (UP, DOWN, LEFT, RIGHT), a caption that
// rises to the centre (UPCENTER), pictures that pulse with the beat (BEATUP,
// BEATCENTER), jump on beats (BEATBACK, RANDOM) or fade (STATICFADEOUT,
// STATICFADEIN).
//
// Loads the picture the script names (a PNG with alpha lays a caption over
// the frame; an opaque picture covers it). An empty path, a missing or an
// undecodable picture leaves the texture without an image: the quad is then
// drawn untextured in the brightness colour. A mode keyword other than the
// eleven (exact, case-sensitive) stops the show at start-up with a message
// that names it and lists the valid ones. The path is kept as the effect's
// name. BEATBACK draws one value of the shared generator per beat; RANDOM
// reseeds it with the last jump time every frame.
//
// Leaves blending off, no texture bound, the standard perspective view and
// the current colour at the picture's brightness.
#pragma once

#include <string>

#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

enum AlphaBlendMode : int {
    kModeUp = 0,
    kModeDown = 1,
    kModeLeft = 2,
    kModeRight = 3,
    kModeUpCenter = 4,
    kModeBeatUp = 5,
    kModeBeatBack = 6,
    kModeRandom = 7,
    kModeBeatCenter = 8,
    kModeStaticFadeOut = 9,
    kModeStaticFadeIn = 10,
};

// The mode of a script keyword (compared in the order UP, DOWN, ... exactly
// and case-sensitively), or -1 when it names none.
int AlphaBlendModeFromKeyword(const std::string& keyword);
// The script keyword of a mode, or null for a number that is no mode.
const char* AlphaBlendModeKeyword(int mode);
// "UP, DOWN, LEFT, ...": every keyword, for messages.
std::string AlphaBlendModeList();

// Where and how one frame draws the picture, computed before any GL call.
struct AlphaBlendFrame {
    float x = 0, y = 0;     // centre in the 2D view (y grows downwards)
    float angle = 0;        // degrees, about x, then y, then z
    float half_size = 1;    // 1 covers the window exactly
    float brightness = 1;   // colour and alpha
    uint32_t last_trigger;  // the last beat-triggered jump, after this frame
};

// The picture of one frame. BEATBACK draws one RandomUnit() when it
// triggers; RANDOM reseeds the shared generator with the last trigger time
// and draws three values.
AlphaBlendFrame ComputeAlphaBlendFrame(int mode, uint32_t demo_time, float beat, uint32_t start,
                                       uint32_t end, uint32_t last_trigger);

class AlphaBlendImage : public Effekt {
public:
    // `mode` is the script keyword; an unknown one raises a failure.
    AlphaBlendImage(int start, int end, const std::string& image_path, const std::string& mode);
    void SetupTweaks() override;
    void Draw(uint32_t demo_time, float beat) override;

    int Mode() const { return mode_; }
    uint32_t LastTrigger() const { return last_trigger_; }

private:
    uint32_t last_trigger_ = 0;
    CTextureFreeImage image_;
    int mode_ = kModeUp;
};

}  // namespace Effekter
