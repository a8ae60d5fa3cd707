// Effekter::ChaosZoomer ("ChaosZoomer"): a feedback zoomer.
//
// Needs a current GL context (OpenGL 2.0, framebuffer objects) and the window
// size. The constructor loads the flower, the four portraits, the
// environment, border and twist pictures from "data/misc/" (missing pictures
// leave their textures empty), the mesh "data/misc/simple.3ds" (missing: an
// empty list), the shader "data/misc/split.txt" (missing or broken: the
// shader failures) and two window-sized render targets, and keeps them.
//
// Draw: every 5 s of demo time it counts on to the next portrait and picks
// the layer pass at random (the shared generator, & 3; the pass mode is one
// value for the whole process and starts at 3, the twist). At most once per
// 20 ms it draws the previous picture back into itself 2 % larger and
// slightly turned, runs the layer pass on top and keeps the result. Every
// frame it shows the picture through the split shader under the border
// picture. Draw leaves blending, fog, depth testing, culling and texture
// generation off, texture 0 and program 0 bound and the standard
// perspective view in force. Nothing is reset when the effect's window ends.
#pragma once

#include <cstdint>
#include <memory>

#include "model3ds/mesh_display_list.h"
#include "render/render_target.h"
#include "render/shader.h"
#include "render/texture.h"
#include "render/vec3.h"
#include "timeline/effekt.h"

namespace Effekter {

// True on the first frame more than 5000 ms after the last switch
// (unsigned: a seek back switches at once).
bool ChaosSwitchDue(uint32_t t, uint32_t switch_time);
// True when more than 20 ms passed since the last feedback update.
bool ChaosUpdateDue(uint32_t t, uint32_t last_update);
// Fade-in after a switch: (t - switch time) / 500, at most 1.
float ChaosFadeIn(uint32_t t, uint32_t switch_time);
// Turn of the zoomed copy in degrees: sin(t / 5000), at most one degree.
float ChaosZoomAngle(uint32_t t);
// Portrait shown for an image counter: counter mod 4 (signed remainder).
int ChaosPortraitIndex(int32_t image_counter);
// "data/misc/vex.jpg", "mig.jpg", "bust.jpg", "quill.jpg" for 0..3; null otherwise.
const char* ChaosPortraitPath(int index);
// Depth of square i of the flower tunnel at demo time t (drawn when > -10).
float ChaosFlowerDepth(uint32_t t, int i);

class ChaosZoomer : public Effekt {
public:
    enum PassMode { kFlowerTunnel = 0, kPortrait = 1, kFoggedModel = 2, kTwist = 3 };

    ChaosZoomer(int start, int end);

    void SetupTweaks() override;
    void Draw(uint32_t demo_time, float beat) override;

    // The layer passes, drawn into whatever is bound (target A in the show).
    void FlowerPass(uint32_t demo_time, float beat);
    void PortraitPass(uint32_t demo_time, float beat);
    void ModelPass(uint32_t demo_time, float beat);
    void TwistPass(uint32_t demo_time, float beat);

    // The pass mode shared by every instance; 3 until the first switch.
    static int CurrentPassMode();
    static void SetPassMode(int mode);

    uint32_t SwitchTime() const { return switch_time_; }
    uint32_t LastUpdate() const { return last_update_; }
    int32_t ImageCounter() const { return image_counter_; }
    const Vec3& ObjectPosition() const { return object_position_; }
    float FogNear() const { return fog_near_; }
    float FogFar() const { return fog_far_; }
    const RenderTarget& TargetA() const { return *target_a_; }
    const RenderTarget& TargetB() const { return *target_b_; }

private:
    // A picture texture created and loaded in one step, so members load in
    // the order they are declared.
    struct Picture : CTextureFreeImage {
        explicit Picture(const char* path) { Load(path); }
    };

    void LayerPass(uint32_t demo_time, float beat);
    const CTexture* Portrait(int index) const;

    std::unique_ptr<RenderTarget> target_a_;  // the picture being built
    std::unique_ptr<RenderTarget> target_b_;  // the previous picture
    Picture flower_;
    Picture portrait0_;
    Picture portrait1_;
    Picture portrait3_;
    Picture portrait2_;
    float fog_near_ = 300;
    float fog_far_ = 400;
    Vec3 object_position_;
    uint32_t switch_time_ = 0;
    uint32_t last_update_ = 0;
    GLint time_uniform_ = -1;
    GLint beat_uniform_ = -1;
    MeshDisplayList model_;
    Picture environment_;
    Picture border_;
    Picture twist_;
    ShaderProgram split_;
    int32_t image_counter_ = 0;
};

}  // namespace Effekter
