#include "effects/image/alpha_blend_image.h"

#include "platform/failure.h"
#include "platform/tweak_panel.h"
#include "render/gl_guards.h"

namespace Effekter {

namespace {

// Indexed by mode number, which is also the order keywords are compared in.
const char* const kModeKeywords[] = {
    "UP",       "DOWN",   "LEFT",       "RIGHT",         "UPCENTER",     "BEATUP",
    "BEATBACK", "RANDOM", "BEATCENTER", "STATICFADEOUT", "STATICFADEIN",
};
constexpr int kModeCount = static_cast<int>(sizeof kModeKeywords / sizeof kModeKeywords[0]);

// The modes the tweak panel offers: every mode but BEATCENTER.
const TweakEnumValue kTweakModes[] = {
    {kModeUp, "UP"},
    {kModeDown, "DOWN"},
    {kModeLeft, "LEFT"},
    {kModeRight, "RIGHT"},
    {kModeUpCenter, "UPCENTER"},
    {kModeBeatUp, "BEATUP"},
    {kModeBeatBack, "BEATBACK"},
    {kModeRandom, "RANDOM"},
    {kModeStaticFadeOut, "STATICFADEOUT"},
    {kModeStaticFadeIn, "STATICFADEIN"},
};

}  // namespace

int AlphaBlendModeFromKeyword(const std::string& keyword) {
    for (int mode = 0; mode < kModeCount; ++mode)
        if (keyword == kModeKeywords[mode]) return mode;
    return -1;
}

const char* AlphaBlendModeKeyword(int mode) {
    return mode >= 0 && mode < kModeCount ? kModeKeywords[mode] : nullptr;
}

std::string AlphaBlendModeList() {
    std::string list;
    for (int mode = 0; mode < kModeCount; ++mode) {
        if (mode > 0) list += ", ";
        list += kModeKeywords[mode];
    }
    return list;
}

AlphaBlendFrame ComputeAlphaBlendFrame(int mode, uint32_t demo_time, float beat, uint32_t start,
                                       uint32_t end, uint32_t last_trigger) {
    const float b = beat;
    // Both differences unsigned: a window across the 32-bit wrap still works.
    const uint32_t span = end - start;
    const float p = span == 0 ? 0.0f : static_cast<float>(double(demo_time - start) / double(span));
    AlphaBlendFrame f;
    f.last_trigger = last_trigger;
    switch (mode) {
        case kModeUp: f.y = 2.0f - 4.0f * p; break;
        case kModeDown: f.y = 4.0f * p - 2.0f; break;
        case kModeLeft: f.x = 2.0f - 4.0f * p; break;
        case kModeRight: f.x = 4.0f * p - 2.0f; break;
        case kModeUpCenter: f.y = 2.0f - 2.0f * p * p; break;
        case kModeBeatUp:
            f.y = 2.0f - 4.0f * p;
            f.half_size = 1.0f + 0.125f * b * b;
            break;
        case kModeBeatCenter: f.half_size = 1.0f + 0.125f * b * b; break;
        case kModeBeatBack: {
            if (b > 0.25f) {
                f.last_trigger = demo_time;
                f.angle = 5.0f * RandomUnit() - 2.5f;
            }
            const float q = 1.0f - 2.0f * p;
            f.y = 0.5f + q * q;
            const float since = static_cast<float>(demo_time - f.last_trigger);
            f.half_size = 1.0f - since * 0.25f / 100.0f;
            break;
        }
        case kModeRandom: {
            // Unsigned on purpose: after a seek backwards the next beat jumps at once.
            if (b > 0.25f && demo_time - f.last_trigger > 200u) f.last_trigger = demo_time;
            SeedRandom(f.last_trigger);
            f.x = RandomUnit() - 0.5f;
            f.y = RandomUnit() - 0.5f;
            f.angle = 90.0f * RandomUnit() - 45.0f;
            const float since = static_cast<float>(demo_time - f.last_trigger);
            f.half_size = 1.0f - since * 0.125f / 200.0f;
            break;
        }
        case kModeStaticFadeOut: f.brightness = 1.0f - p; break;
        case kModeStaticFadeIn: f.brightness = p; break;
        default: break;
    }
    return f;
}

AlphaBlendImage::AlphaBlendImage(int start, int end, const std::string& image_path,
                                 const std::string& mode)
    : Effekt(start, end) {
    mode_ = AlphaBlendModeFromKeyword(mode);
    if (mode_ < 0)
        FailFormat("AlphaBlendImage '%s': unknown mode '%s'; the mode line must be one of %s",
                   image_path.c_str(), mode.c_str(), AlphaBlendModeList().c_str());
    if (!image_path.empty()) image_.Load(image_path.c_str());
    name_ = image_path;
}

// BEATCENTER is not offered; while it is the mode the panel shows its name.
void AlphaBlendImage::SetupTweaks() {
    if (!tweak_bar_) return;
    const TweakType type = tweak_bar_->DefineEnum(
        "Mode", kTweakModes, static_cast<int>(sizeof kTweakModes / sizeof kTweakModes[0]));
    tweak_bar_->NameUnlistedValue(type, kModeBeatCenter, "BEATCENTER");
    tweak_bar_->AddVarRW("Mode", type, &mode_, "label='Mode'");
}

void AlphaBlendImage::Draw(uint32_t demo_time, float beat) {
    const AlphaBlendFrame f =
        ComputeAlphaBlendFrame(mode_, demo_time, beat, start_time_, end_time_, last_trigger_);
    last_trigger_ = f.last_trigger;

    // The picture over the whole window, blended by its alpha.
    Ortho2DScope view;
    MatrixScope matrix;
    glTranslatef(f.x, f.y, -2);
    RotateXYZ(Vec3(f.angle, f.angle, f.angle));
    TextureBind bind(image_);
    CTransparency blend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float a = f.brightness;
    glColor4f(a, a, a, a);
    Quad(f.half_size, f.half_size).Draw(1, 1);
}

}  // namespace Effekter
