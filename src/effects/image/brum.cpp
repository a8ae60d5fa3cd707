#include "effects/image/brum.h"

#include <cmath>

#include "platform/tweak_panel.h"
#include "render/gl_guards.h"

namespace Effekter {

namespace {
// Shared by every Brum: two of them drawn in one frame emit one star.
uint32_t g_last_emission = 0;
}  // namespace

StarLook EvaluateStar(const StarParticle& star, uint32_t t) {
    const uint32_t age = t - star.birth;
    const uint32_t span = star.death - star.birth;
    // A star of no lifetime has not moved: it is born and over at once.
    if (span == 0) return {star.start, 0.0f};
    const float c = static_cast<float>(static_cast<double>(age) / static_cast<double>(span));
    const float k = c * star.reach;
    StarLook look;
    look.position = Vec3(star.start.x + k * star.direction.x, star.start.y + k * star.direction.y,
                         star.start.z + k * star.direction.z);
    look.life = 1.0f - c;
    return look;
}

Vec3 BrumEmitterPosition(uint32_t t) {
    const float tf = static_cast<float>(t);
    return Vec3(std::sin(tf / 1000.0f), std::cos(tf / 2000.0f), -4.0f - std::cos(tf / 40000.0f));
}

StarParticle MakeStar(uint32_t t, const Vec3& emitter) {
    StarParticle star;
    const float d1 = RandomUnit();
    const float d2 = RandomUnit();
    const float d3 = RandomUnit();
    star.start = emitter;
    star.direction = Vec3(d3, d2, d1);
    const float d4 = std::fabs(RandomUnit());
    const float d5 = RandomUnit();
    star.reach = 0.5f * d5;
    star.birth = t;
    // Truncated towards zero, then wrapped like every demo time: near the
    // 32-bit end the sum passes 2^32, which no unsigned conversion may see.
    const float death = static_cast<float>(t) + 10000.0f * d4;
    star.death = static_cast<uint32_t>(static_cast<int64_t>(death));
    return star;
}

float BrumSpriteAngle(const Vec3& emitter) {
    return 180.0f - std::atan2(emitter.x, emitter.y) * 360.0f / 3.14f;
}

float BrumBackgroundAngle(uint32_t t) {
    // 0.01 * 2^32 degrees is 232.96 modulo a full turn; a turn takes 36 s.
    return 232.96f - 0.01f * static_cast<float>(t % 36000u);
}

void StarPool::Prune(uint32_t t) {
    int kept = 0;
    for (int i = 0; i < size_; ++i)
        if (t <= stars_[i].death) stars_[kept++] = stars_[i];
    size_ = kept;
}

void StarPool::Add(const StarParticle& star) {
    if (size_ == kCapacity) {
        for (int i = 1; i < size_; ++i) stars_[i - 1] = stars_[i];
        --size_;
    }
    stars_[size_++] = star;
}

Brum::Brum(int start, int end) : Effekt(start, end) {
    name_ = "Brum";
    sprite_.Load("data/ostra/brum/brum.png");
    background_.Load("data/ostra/brum/pastelmand.jpg");
    star_.Load("data/ostra/brum/stjern1.jpg");
}

uint32_t Brum::LastEmission() { return g_last_emission; }

void Brum::SetupTweaks() {
    static_assert(sizeof(Vec3) == 3 * sizeof(float), "vectors are edited as three floats");
    if (!tweak_bar_) return;
    tweak_bar_->AddVarRW("BGPos", TW_TYPE_DIR3F, &background_position_, "label='Bg pos'");
    tweak_bar_->AddVarRW("BGScale", TW_TYPE_DIR3F, &background_scale_, "label='Bg scale'");
}

void Brum::Draw(uint32_t demo_time, float) {
    const uint32_t t = demo_time;
    const Vec3 emitter = BrumEmitterPosition(t);
    stars_.Prune(t);
    if (BrumShouldEmit(t, g_last_emission)) {
        stars_.Add(MakeStar(t, emitter));
        g_last_emission = t;
    }

    // Background: the picture turning about the view axis.
    {
        MatrixScope matrix;
        glTranslatef(background_position_.x, background_position_.y, background_position_.z);
        RotateXYZ(Vec3(0, 0, BrumBackgroundAngle(t)));
        glColor4f(1, 1, 1, 1);
        TextureBind bind(background_);
        Quad(background_scale_.x, background_scale_.y).Draw(1, 1);
    }

    // Stars, newest first: each brightens what is beneath by its own colour
    // and fades and turns as it ages.
    TextureBind star_bind(star_);
    CTransparency star_blend(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
    for (int i = 0; i < stars_.Size(); ++i) {
        const StarLook look = EvaluateStar(stars_.Newest(i), t);
        MatrixScope matrix;
        glTranslatef(look.position.x, look.position.y, look.position.z);
        RotateXYZ(Vec3(0, 0, 40.0f * look.life));
        glColor4f(look.life, look.life, look.life, look.life);
        Quad(0.15f, 0.15f).Draw(1, 1);
    }

    // The sprite, its tail at the emitter, blended by its alpha.
    CTransparency sprite_blend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    {
        MatrixScope matrix;
        glTranslatef(emitter.x, emitter.y, emitter.z);
        RotateXYZ(Vec3(0, 0, BrumSpriteAngle(emitter)));
        glColor4f(1, 1, 1, 1);
        glTranslatef(-1, 0, 0);
        TextureBind bind(sprite_);
        Quad(1, 1).Draw(1, 1);
    }
}

}  // namespace Effekter
