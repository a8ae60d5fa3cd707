#include "effects/3d/chaos_zoomer.h"

#include <cmath>

#include "platform/random.h"
#include "platform/tweak_panel.h"
#include "render/gl_guards.h"

namespace Effekter {

namespace {
// The layer pass every instance draws; the twist until the first switch.
int g_pass_mode = ChaosZoomer::kTwist;

// A full-screen quad of the given half extent at the origin, repeat (1, 1).
void DrawQuad(float half_extent) { Quad(half_extent, half_extent).Draw(1, 1); }
}  // namespace

bool ChaosSwitchDue(uint32_t t, uint32_t switch_time) { return t - switch_time > 5000u; }

bool ChaosUpdateDue(uint32_t t, uint32_t last_update) {
    return static_cast<float>(t - last_update) > 20.0f;
}

float ChaosFadeIn(uint32_t t, uint32_t switch_time) {
    const float q = static_cast<float>(t - switch_time) / 500.0f;
    return q > 1.0f ? 1.0f : q;
}

float ChaosZoomAngle(uint32_t t) {
    return static_cast<float>(std::sin(static_cast<double>(static_cast<float>(t) / 5000.0f)));
}

int ChaosPortraitIndex(int32_t image_counter) { return image_counter % 4; }

const char* ChaosPortraitPath(int index) {
    switch (index) {
        case 0: return "data/misc/vex.jpg";
        case 1: return "data/misc/mig.jpg";
        case 2: return "data/misc/bust.jpg";
        case 3: return "data/misc/quill.jpg";
        default: return nullptr;
    }
}

ChaosZoomer::ChaosZoomer(int start, int end)
    : Effekt(start, end),
      flower_("data/misc/blomster.jpg"),
      portrait0_(ChaosPortraitPath(0)),
      portrait1_(ChaosPortraitPath(1)),
      portrait3_(ChaosPortraitPath(3)),
      portrait2_(ChaosPortraitPath(2)),
      object_position_(0, 0, -400),
      switch_time_(0),
      model_("data/misc/simple.3ds", MeshDisplayList::kNormals),
      environment_("data/misc/env.jpg"),
      border_("data/misc/border.jpg"),
      twist_("data/misc/twist.jpg") {
    split_.Load(true, "data/misc/split.txt");
    image_counter_ = 0;
    last_update_ = 0;
    target_a_ = std::make_unique<RenderTarget>();
    target_b_ = std::make_unique<RenderTarget>();
    name_ = "ChaosZoomer";
    fog_near_ = 300;
    fog_far_ = 400;
    time_uniform_ = LocateUniform(split_.Program(), "time");
    beat_uniform_ = LocateUniform(split_.Program(), "beat");
}

// The object position is bound as three floats; every model pass overwrites it.
void ChaosZoomer::SetupTweaks() {
    static_assert(sizeof(Vec3) == 3 * sizeof(float), "ObjPos is edited as three floats");
    if (!tweak_bar_) return;
    tweak_bar_->AddVarRW("ObjPos", TW_TYPE_DIR3F, &object_position_, "label='ObjPos'");
    tweak_bar_->AddVarRW("FogNear", TW_TYPE_FLOAT, &fog_near_, " label='FogNear'");
    tweak_bar_->AddVarRW("FogFar", TW_TYPE_FLOAT, &fog_far_, " label='FogFar'");
}

int ChaosZoomer::CurrentPassMode() { return g_pass_mode; }

void ChaosZoomer::SetPassMode(int mode) { g_pass_mode = mode; }

const CTexture* ChaosZoomer::Portrait(int index) const {
    switch (index) {
        case 0: return &portrait0_;
        case 1: return &portrait1_;
        case 2: return &portrait2_;
        case 3: return &portrait3_;
        default: return nullptr;
    }
}

void ChaosZoomer::LayerPass(uint32_t demo_time, float beat) {
    switch (g_pass_mode) {
        case kFlowerTunnel: FlowerPass(demo_time, beat); break;
        case kPortrait: PortraitPass(demo_time, beat); break;
        case kFoggedModel: ModelPass(demo_time, beat); break;
        case kTwist: TwistPass(demo_time, beat); break;
        default: break;
    }
}

void ChaosZoomer::Draw(uint32_t demo_time, float beat) {
    if (ChaosSwitchDue(demo_time, switch_time_)) {
        ++image_counter_;
        switch_time_ = demo_time;
        // Not reseeded here: the choice follows whatever the earlier effects
        // left in the shared generator.
        g_pass_mode = NextRandom() & 3;
    }

    if (ChaosUpdateDue(demo_time, last_update_)) {
        last_update_ = demo_time;

        // Zoom: A becomes B enlarged by 2 % and slightly turned.
        DrawZoomedCopy(*target_a_, *target_b_, 1.02f, ChaosZoomAngle(demo_time));

        // Layer: new material over the zoomed picture, colour kept.
        target_a_->Bind();
        glClear(GL_DEPTH_BUFFER_BIT);
        LayerPass(demo_time, beat);
        target_a_->Unbind();

        // Copy: B keeps A for the next update.
        CopyRenderTarget(*target_b_, *target_a_);
    }

    // Screen, every frame: the picture through the split shader, then the
    // border over it.
    Ortho2DScope view;
    glPushMatrix();
    glTranslatef(0, 0, -2);
    glColor4f(1, 1, 1, 1);
    glUseProgram(split_.Program());
    glUniform1f(beat_uniform_, beat);
    glUniform1f(time_uniform_, static_cast<float>(demo_time));
    glBindTexture(GL_TEXTURE_2D, target_a_->Texture());
    DrawQuad(1);
    glUseProgram(0);
    {
        CTransparency blend(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
        glColor4f(1, 1, 1, 1);
        glBindTexture(GL_TEXTURE_2D, border_.Name());
        DrawQuad(1.25f);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    glPopMatrix();
}

}  // namespace Effekter
