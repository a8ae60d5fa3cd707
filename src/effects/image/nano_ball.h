// Effekter::NanoBall ("NanoBall"): a lit spiky ball in front of a full-window
// background. 512 thin textured cylinders radiate from one centre along
// golden-angle directions spread evenly over the sphere, each capped with a
// flare disc and pulsing slowly in length. The ball slides in from the right
// over the first 500 ms, drops 10 units on every beat above 0.25 and rises
// 10 units per second after it; the background fades out over the last
// 7000 ms of the window.
//
// Construct with the GL context current: makes one GLU quadric and compiles
// its cylinder and disc into display lists (all deleted with the effect),
// and loads "data/nanoball/zoomer1.jpg" (spike),
// "data/nanoball/flare.jpg" (flare) and "data/nanoball/bg.jpg" (background);
// a missing or broken picture draws its part untextured. Draw reseeds the
// shared generator with 0 and draws two values per spike, so the generator
// is in the same state after every frame.
//
// Leaves behind on purpose: GL_LIGHT1 enabled with the light's values, the
// material's specular reflectance and shininess 96, the current colour and
// the material's ambient and diffuse at grey 96/255. Lighting, colour
// material, face culling, depth testing and blending are off, texture 0 is
// bound, and the standard perspective view is in force.
#pragma once

#include <GL/glew.h>
#include <GL/glu.h>

#include <array>
#include <cstdint>
#include <memory>

#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

// Where the ball is and how bright its background is in one frame.
struct NanoBallFrame {
    float background_grey;         // 0.5 + 0.5 beat, faded over the last 7000 ms
    uint32_t last_beat_time;       // after this frame's beat capture
    float slide;                   // slide-in offset: 10 at the start, 0 from 500 ms on
    float x, y, z;                 // translation of the ball
    float turn_x, turn_y, turn_z;  // rotations in degrees, applied x, y, z
};
NanoBallFrame ComputeNanoBallFrame(uint32_t demo_time, float beat, uint32_t start, uint32_t end,
                                   uint32_t last_beat_time);

// The fixed direction of spike i (0..511), as the two rotations that turn
// the z axis onto it: about y first, then about x, in degrees; and as the
// unit vector they give in the ball's frame.
struct NanoSpikeDirection {
    float turn_y;
    float turn_x;
    float x, y, z;
};
NanoSpikeDirection ComputeNanoSpikeDirection(int i);

// Length of a spike from its two generator values and the time in seconds.
float NanoSpikeLength(int first_random, int second_random, float seconds);

// Eye-space z of the middle of a spike in the frame's ball placement:
// larger is nearer the viewer. Used only to draw the nearest spikes first.
float NanoSpikeDepth(const NanoBallFrame& frame, const NanoSpikeDirection& direction, float length);

class NanoBall : public Effekt {
public:
    static constexpr int kSpikes = 512;

    NanoBall(int start, int end);
    ~NanoBall() override;
    void SetupTweaks() override;
    void Draw(uint32_t demo_time, float beat) override;

    uint32_t LastBeatTime() const { return last_beat_time_; }

private:
    struct QuadricDeleter {
        void operator()(GLUquadric* quadric) const { gluDeleteQuadric(quadric); }
    };
    std::unique_ptr<GLUquadric, QuadricDeleter> quadric_;
    // Two display lists, compiled once from the quadric: the cylinder of
    // height 1 (stretched to each spike's length) and the disc.
    GLuint cylinder_list_ = 0;
    GLuint disc_list_ = 0;
    CTextureFreeImage spike_;
    CTextureFreeImage flare_;
    CTextureFreeImage background_;
    uint32_t last_beat_time_ = 0;
    float light_ambient_[4] = {0, 0, 0, 1};
    float light_diffuse_[4] = {0, 0, 0, 1};
    float light_specular_[4] = {10, 10, 10, 1};
    float material_specular_[4] = {1, 1, 1, 1};
    float light_position_[4] = {0, -8, 32, 1};
    std::array<NanoSpikeDirection, kSpikes> directions_;
    // Per frame: each spike's length, and the spikes nearest first.
    std::array<float, kSpikes> lengths_;
    std::array<float, kSpikes> depths_;
    std::array<uint16_t, kSpikes> order_;
};

}  // namespace Effekter
