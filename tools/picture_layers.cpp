// Pictures of the cloud tunnel ("sky/"), the sprite trail ("solaris/") and
// the captions laid over the show by their alpha ("captions/"); see
// picture_art.h.
#include <algorithm>
#include <cmath>

#include "picture_art.h"
#include "picture_font.h"

namespace pictures {

namespace {

constexpr float kPi = 3.14159265358979f;

// Captions are 1024 x 512 and shown over a 4:3 window, which stretches them
// vertically by 1.5: letters are drawn squashed by 2/3 to look right there.
constexpr int kCaptionWidth = 1024, kCaptionHeight = 512;
constexpr float kCaptionSquash = 2.0f / 3.0f;

// Distance from the eye-catching centre of a square picture, 0 at the centre
// and 1 at the middle of an edge.
float Radius(float x, float y, int size) { return std::hypot(x / size * 2 - 1, y / size * 2 - 1); }

// ---------------------------------------------------------------- sky

// The landscape and the light it gives off, drawn together so the glow
// picture lines up with the landscape exactly: a dusk over three ranges of
// hills and a still lake, the sun low at the centre.
struct Landscape {
    Image picture{512, 512};
    Image light{512, 512};
};

// Height (0 top .. 1 bottom) of a ridge line at u.
float Ridge(float u, float base, float amplitude, float roughness, uint32_t seed) {
    return base - amplitude * (Fbm(u * roughness, seed * 0.37f, 5, 0, 0, seed) - 0.5f) * 2 -
           amplitude * 0.35f * std::pow(std::abs(std::sin(u * kPi * 1.3f + seed)), 3.0f);
}

Landscape MakeLandscapeLayers() {
    const int size = 512;
    const float sun_u = 0.5f, sun_v = 0.47f, sun_r = 0.06f;
    const float shore = 0.66f;  // the lake's far edge
    Landscape l;
    auto sky_at = [&](float u, float v) {
        Color c = Ramp({Rgb(18, 10, 48), Rgb(70, 24, 88), Rgb(190, 60, 70), Rgb(250, 118, 58),
                        Rgb(255, 172, 108)},
                       Clamp01(v / shore));
        float d = std::hypot((u - sun_u) * 1.33f, v - sun_v);
        c = c + Rgb(255, 96, 40) * (std::exp(-d * d / 0.02f) * 0.5f);
        // Thin streaks of cloud lit from below.
        float streak = Fbm(u * 3, v * 22, 5, 0, 0, 301);
        float band = Smooth(0.55f, 0.75f, streak) * Smooth(0.05f, 0.3f, v) * Smooth(0.6f, 0.4f, v);
        c = Mix(c, Rgb(255, 120, 90) * (0.6f + 0.6f * (1 - v)), band * 0.5f);
        // Stars in the dark top.
        int sx = static_cast<int>(u * 256), sy = static_cast<int>(v * 256);
        if (HashUnit(sx, sy, 303) > 0.992f) c = c + Color{0.7f, 0.7f, 0.9f} * Smooth(0.3f, 0.0f, v);
        return c;
    };
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
            // Above the shore: sky, sun and hills; below: their reflection.
            const bool lake = v > shore;
            // Below the shore the picture is mirrored, rippled sideways.
            const float ripple = 0.012f * std::sin(v * 380 + Fbm(u * 8, v * 30, 3, 0, 0, 322) * 9);
            const float su = lake ? u + ripple * (v - shore) * 4 : u;
            const float sv = lake ? 2 * shore - v : v;
            float d = std::hypot((su - sun_u) * 1.33f, sv - sun_v);
            Color c = sky_at(su, sv);
            float sun = Smooth(sun_r, sun_r - 0.006f, d);
            // A low sun in haze: orange, hotter towards its middle.
            Color disc = Mix(Rgb(255, 180, 110), Rgb(255, 240, 205), Smooth(sun_r, 0.0f, d));
            if (!lake) c = Mix(c, disc, sun);
            Color light = Rgb(255, 230, 170) * (sun + std::exp(-d * d / 0.004f) * 0.7f);
            // Ranges from the farthest, hazy one to the nearest, darkest one.
            struct Range {
                float base, amplitude, roughness;
                uint32_t seed;
                Color colour;
            };
            const Range ranges[] = {{0.56f, 0.05f, 4, 311, Rgb(120, 50, 90)},
                                    {0.61f, 0.06f, 6, 312, Rgb(62, 24, 62)},
                                    {0.655f, 0.04f, 9, 313, Rgb(24, 10, 30)}};
            for (const Range& r : ranges) {
                float top = Ridge(su, r.base, r.amplitude, r.roughness, r.seed);
                float cover = Smooth(top - 0.002f, top + 0.002f, sv);
                if (cover <= 0) continue;
                // Rim light along the crest, strongest near the sun.
                float rim = std::exp(-(sv - top) / 0.006f) *
                            std::exp(-std::pow((su - sun_u) / 0.22f, 2.0f));
                Color hill = r.colour * (0.8f + 0.4f * Fbm(su * 40, sv * 40, 3, 0, 0, r.seed + 9));
                c = Mix(c, hill + Rgb(255, 140, 60) * (rim * 0.8f), cover);
                light = Mix(light, Rgb(255, 150, 70) * (rim * 0.9f), cover);
            }
            if (lake) {
                // The water darkens with nearness; the sun's path glitters.
                float depth = (v - shore) / (1 - shore);
                float glitter = std::pow(HashUnit(x / 2, y, 321), 6.0f) *
                                std::exp(-std::pow((u - sun_u) / (0.03f + 0.1f * depth), 2.0f));
                c = c * Color{0.8f, 0.62f, 0.6f} * (0.85f - 0.45f * depth) +
                    Rgb(255, 210, 140) * (glitter * 0.8f);
                // The sun's reflection, broken into bright ripple lines.
                float lines = 0.55f + 0.45f * std::sin(v * 520 + ripple * 300);
                c = Mix(c, disc * 0.9f, sun * lines);
                light = light * 0.6f + Rgb(255, 200, 120) * glitter;
            }
            l.picture.at(x, y) = c;
            l.light.at(x, y) = light;
        }
    return l;
}

}  // namespace

Image MakeSkyClouds() {
    // Laid with "source colour" blending: bright parts cover, black parts
    // leave the clouds behind alone. The quads are seen hugely magnified
    // (mostly their middle third), so the whole picture is a field of
    // billows with dark gaps between them at several sizes; it fades to
    // black only near its edges, which the farthest clouds may show.
    const int size = 512;
    // Coverage of the billows, with `octaves` levels of detail.
    auto density = [](float u, float v, int octaves) {
        float warp = Fbm(u * 3 + 11, v * 3 + 4, 4, 0, 0, 201) - 0.5f;
        float billow = Fbm(u * 6 + warp * 1.5f, v * 6 - warp * 1.5f, octaves, 0, 0, 202);
        float edge = std::max(std::abs(u * 2 - 1), std::abs(v * 2 - 1));
        return Smooth(0.48f, 0.8f, billow) * Smooth(0.98f, 0.75f, edge);
    };
    Image img(size, size);
    img.Fill([&](float x, float y) {
        float u = x / size, v = y / size;
        float d = density(u, v, 6);
        if (d <= 0) return Color{};
        // Lit from above: where less cloud lies above, the billow is bright.
        float lit = Clamp01(0.6f + (density(u, v + 0.03f, 3) - density(u, v - 0.03f, 3)) * 1.4f);
        float grain = 0.8f + 0.3f * Fbm(u * 24, v * 24, 3, 0, 0, 203);
        Color c = Mix(Rgb(112, 92, 150), Rgb(236, 236, 255), lit) * grain;
        return c * std::pow(d, 0.8f) * 0.95f;
    });
    return img;
}

Image MakeSkyLandscape() { return MakeLandscapeLayers().picture; }

Image MakeSkyLandscapeGlow() {
    // Added with the texture turned upside down: stored flipped, so it
    // lands on the sun, the crests and the glitter it belongs to.
    const Image light = MakeLandscapeLayers().light;
    Image img(light.width(), light.height());
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) img.at(x, y) = light.at(x, img.height() - 1 - y);
    return img;
}

// ---------------------------------------------------------------- solaris

Image MakeSolarisSprite() {
    // An additive, spinning sprite that the eye flies through. Its colour is
    // scaled by the inverse square of its distance, so the middle, which
    // fills the screen when the sprite is nearest, stays black: a thin ring
    // and eight rays of uneven length start well away from the centre and
    // sweep outwards past the viewer. Black long before the edges.
    const int size = 512;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        float r = Radius(x, y, size);
        float a = std::atan2(y / size - 0.5f, x / size - 0.5f);
        float rays = 0;
        for (int k = 0; k < 8; ++k) {
            float length = 0.5f + 0.35f * HashUnit(k, 0, 401);
            float angle = k * kPi / 4 + 0.2f * (HashUnit(k, 1, 401) - 0.5f);
            float off = std::abs(std::sin(a - angle)) * r;
            float along = std::cos(a - angle) * r;
            if (along <= 0) continue;
            float width = 0.004f + 0.01f * along;
            rays += std::exp(-off * off / (width * width)) * Smooth(length, 0.25f, along);
        }
        float ring = std::exp(-std::pow((r - 0.36f) / 0.018f, 2.0f));
        float haze = std::exp(-std::pow((r - 0.36f) / 0.12f, 2.0f)) *
                     (0.6f + 0.5f * Fbm(a * 2 + 9, r * 8, 4, 0, 0, 402));
        float hollow = Smooth(0.16f, 0.26f, r) * Smooth(0.98f, 0.75f, r);
        Color c = Rgb(255, 215, 150) * (rays * 0.9f) + Rgb(255, 175, 90) * (ring * 0.8f) +
                  Rgb(220, 80, 25) * (haze * 0.2f);
        return c * hollow;
    });
    return img;
}

Image MakeSolarisGlow() {
    // The beat glow added over every sprite: a cool blue ring outside the
    // sprite's own, the contrast to the orange flares. Black in the middle
    // for the same reason as the sprite, and at the edges.
    const int size = 512;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        float r = Radius(x, y, size);
        float a = std::atan2(y / size - 0.5f, x / size - 0.5f);
        float ring = std::exp(-std::pow((r - 0.58f) / 0.05f, 2.0f));
        float shimmer = 0.7f + 0.6f * Noise(a * 8 + 20, r * 4, 0, 0, 411);
        float halo = std::exp(-std::pow((r - 0.55f) / 0.16f, 2.0f));
        Color c = Rgb(90, 170, 255) * (ring * shimmer) + Rgb(50, 70, 210) * (halo * 0.4f);
        return c * (Smooth(0.2f, 0.35f, r) * Smooth(0.98f, 0.8f, r));
    });
    return img;
}

Image MakeSolarisTitle() {
    // Printed with "one minus source colour" over a picture 1.25 times the
    // window (only the middle 80 % shows): white letters print black, their
    // grey halo a soft shadow, black leaves the trail alone.
    const int w = kCaptionWidth, h = kCaptionHeight;
    Image img(w, h);
    TextStyle big;
    big.height = 62;
    big.stroke = 13;
    big.spacing = 1.5f;
    big.slant = 0.1f;
    big.stretch_y = kCaptionSquash;
    Mask letters(w, h);
    DrawText(letters, "INTO THE FIRE", w / 2.0f, h * 0.74f, big);
    AddGlow(img, Blur(letters, 22), Color{0.45f, 0.45f, 0.45f});
    Composite(img, letters, {0.96f, 0.96f, 0.96f});
    return img;
}

// ---------------------------------------------------------------- captions

namespace {

// An empty caption: transparent, its hidden colour the glow's, so edges
// filter towards the glow instead of towards black.
Image EmptyCaption(Color hidden) {
    Image img(kCaptionWidth, kCaptionHeight, hidden);
    img.EnableAlpha(0);
    return img;
}

// Lettering for captions: a soft dark shadow, a coloured glow, then the
// letters graded from `top` to `bottom` with a bright upper edge.
void CaptionLettering(Image& img, const std::string& text, float cx, float cy,
                      const TextStyle& style, Color top, Color bottom, Color glow) {
    Mask letters(img.width(), img.height());
    DrawText(letters, text, cx, cy, style);
    Mask shadow(img.width(), img.height());
    DrawText(shadow, text, cx + style.stroke * 0.3f, cy + style.stroke * 0.45f, style);
    Composite(img, Blur(shadow, static_cast<int>(style.stroke)), {0, 0, 0}, 0.7f);
    Composite(img, Blur(letters, static_cast<int>(style.stroke * 2.5f)), glow, 0.9f);
    const float half = style.height * style.stretch_y / 2;
    Mask lower(img.width(), img.height());
    DrawText(lower, text, cx, cy + 2, style);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            float a = letters.at(x, y);
            if (a <= 0) continue;
            float t = Clamp01((y - (cy - half)) / (2 * half));
            // Where the letter ends just above, its upper edge catches light.
            float edge = Clamp01(a - lower.at(x, y));
            Color fill = Mix(top, bottom, t) + Color{1, 0.95f, 0.85f} * (edge * 0.5f);
            float below = img.alpha(x, y) * (1 - a);
            float total = a + below;
            img.at(x, y) = (fill * a + img.at(x, y) * below) * (1 / total);
            img.alpha(x, y) = total;
        }
}

}  // namespace

Image MakeCaptionTitle() {
    // The show's title for the middle of the screen.
    Image img = EmptyCaption(Rgb(200, 70, 15));
    TextStyle big;
    big.height = 150;
    big.stroke = 30;
    big.spacing = 1.3f;
    big.stretch_y = kCaptionSquash;
    CaptionLettering(img, "KILN", kCaptionWidth / 2.0f, 236, big, Rgb(255, 245, 200),
                     Rgb(240, 90, 20), Rgb(255, 110, 20));
    TextStyle small;
    small.height = 26;
    small.stroke = 5;
    small.spacing = 3.5f;
    small.stretch_y = kCaptionSquash;
    CaptionLettering(img, "A KILNWORKS SHOW", kCaptionWidth / 2.0f, 330, small, Rgb(255, 235, 200),
                     Rgb(255, 190, 120), Rgb(160, 50, 10));
    return img;
}

Image MakeCaptionStrip() {
    // A caption that crosses the screen sideways: a dark translucent band
    // in the lower third, fading out towards both ends, with a line of
    // lettering on it.
    Image img = EmptyCaption(Rgb(10, 6, 12));
    Mask band(kCaptionWidth, kCaptionHeight);
    for (int y = 0; y < kCaptionHeight; ++y)
        for (int x = 0; x < kCaptionWidth; ++x) {
            float u = (x + 0.5f) / kCaptionWidth, v = (y + 0.5f) / kCaptionHeight;
            band.at(x, y) = Smooth(0.0f, 0.12f, std::min(u, 1 - u)) * Smooth(0.64f, 0.66f, v) *
                            Smooth(0.855f, 0.835f, v);
        }
    Composite(img, band, Rgb(10, 6, 12), 0.6f);
    Mask rule(kCaptionWidth, kCaptionHeight);
    for (int x = 0; x < kCaptionWidth; ++x) {
        float u = (x + 0.5f) / kCaptionWidth;
        float k = Smooth(0.0f, 0.2f, std::min(u, 1 - u));
        for (int y : {336, 432}) rule.at(x, y) = k;
    }
    Composite(img, rule, Rgb(255, 140, 40), 0.9f);
    TextStyle style;
    style.height = 44;
    style.stroke = 8;
    style.spacing = 1.8f;
    style.stretch_y = kCaptionSquash;
    CaptionLettering(img, "FORGED IN CODE AND FIRE", kCaptionWidth / 2.0f, 384, style,
                     Rgb(255, 240, 210), Rgb(255, 160, 70), Rgb(200, 70, 10));
    return img;
}

Image MakeCaptionLogo() {
    // A beat emblem for the middle of the screen: a glowing ring around a
    // flame. The picture is square and shown over a 4:3 window, so shapes
    // are narrowed by 3/4 to look round there.
    const int size = 512;
    const float squeeze = 0.75f;
    Image img(size, size, Rgb(230, 90, 20));
    img.EnableAlpha(0);
    Mask ring(size, size), flame(size, size), inner(size, size), core(size, size);
    // A teardrop pointing up: tip at v = tip, base at v = base, its edge
    // licked by noise. Zero width at the tip, so nothing is drawn above it.
    auto teardrop = [](float u, float v, float tip, float base, float width, uint32_t seed) {
        float fy = (v - tip) / (base - tip);  // 0 at the tip, 1 at the base
        if (fy <= 0 || fy >= 1) return 0.0f;
        // Tapering above, a round bowl below.
        float bowl = (fy - 0.65f) / 0.35f;
        float half = fy < 0.65f ? width * std::pow(fy / 0.65f, 0.75f)
                                : width * std::sqrt(std::max(0.0f, 1 - bowl * bowl));
        float lick = (Fbm(u * 6, v * 4, 4, 0, 0, seed) - 0.5f) * 0.1f * (1 - fy);
        return Clamp01((half - std::abs(u + lick)) * 256 / 1.5f);
    };
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float u = ((x + 0.5f) / size * 2 - 1) / squeeze, v = (y + 0.5f) / size * 2 - 1;
            float r = std::hypot(u, v);
            ring.at(x, y) = Coverage((std::abs(r - 0.4f) - 0.03f) * size / 2);
            flame.at(x, y) = teardrop(u, v, -0.3f, 0.3f, 0.22f, 431);
            inner.at(x, y) = teardrop(u, v, -0.06f, 0.27f, 0.12f, 432);
            core.at(x, y) = Coverage((std::hypot(u / 0.06f, (v - 0.18f) / 0.07f) - 1) * 16, 1.5f);
        }
    Composite(img, Blur(ring, 24), Rgb(255, 100, 20), 0.8f);
    Composite(img, Blur(flame, 24), Rgb(255, 90, 10), 0.8f);
    Composite(img, ring, Rgb(255, 196, 120));
    Composite(img, flame, Rgb(225, 60, 15));
    Composite(img, Blur(inner, 3), Rgb(255, 170, 40));
    Composite(img, Blur(core, 6), Rgb(255, 245, 200));
    return img;
}

Image MakeCaptionEnd() {
    // The closing card, faded in over the last scene.
    Image img = EmptyCaption(Rgb(180, 60, 10));
    TextStyle big;
    big.height = 96;
    big.stroke = 19;
    big.spacing = 1.5f;
    big.stretch_y = kCaptionSquash;
    CaptionLettering(img, "THE END", kCaptionWidth / 2.0f, 240, big, Rgb(255, 245, 215),
                     Rgb(235, 100, 30), Rgb(255, 100, 15));
    TextStyle small;
    small.height = 22;
    small.stroke = 4.5f;
    small.spacing = 3.5f;
    small.stretch_y = kCaptionSquash;
    CaptionLettering(img, "THANKS FOR WATCHING", kCaptionWidth / 2.0f, 312, small,
                     Rgb(255, 230, 200), Rgb(255, 180, 110), Rgb(140, 40, 10));
    return img;
}

}  // namespace pictures
