// The show's pictures apart from the portraits; see picture_art.h.
#include "picture_art.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "picture_font.h"

namespace pictures {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kTau = 2 * kPi;

// Shortest signed difference on a ring of length 1 (for pictures that repeat).
float WrapDelta(float d) { return d - std::round(d); }

// Lighting of a raised shape whose height is the blurred mask: positive on
// slopes facing the upper left, negative on the others.
Mask Bevel(const Mask& mask, int radius) {
    Mask h = Blur(mask, radius);
    Mask light(mask.width(), mask.height());
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x) {
            float dx = h.Clamped(x + 1, y) - h.Clamped(x - 1, y);
            float dy = h.Clamped(x, y + 1) - h.Clamped(x, y - 1);
            light.at(x, y) = (-dx - dy) * radius * 0.9f;
        }
    return light;
}

// Molten-metal lettering: dark shadow, fill graded top to bottom, bevel
// highlights and an outer glow.
void DrawForgedTitle(Image& img, const std::string& text, float cx, float cy,
                     const TextStyle& style, Color glow) {
    Mask mask(img.width(), img.height());
    DrawText(mask, text, cx, cy, style);
    Mask shadow(img.width(), img.height());
    DrawText(shadow, text, cx + 3, cy + 5, style);
    shadow = Blur(shadow, 6);
    Composite(img, shadow, {0, 0, 0}, 0.85f);
    AddGlow(img, Blur(mask, 26), glow * 0.9f);
    AddGlow(img, Blur(mask, 8), glow * 0.5f);
    Mask light = Bevel(mask, 3);
    float top = cy - style.height * style.stretch_y / 2, span = style.height * style.stretch_y;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            float a = mask.at(x, y);
            if (a <= 0) continue;
            float t = Clamp01((y - top) / span);
            Color fill = Ramp(
                {Rgb(255, 250, 215), Rgb(255, 205, 90), Rgb(250, 120, 30), Rgb(170, 40, 12)}, t);
            float l = light.at(x, y);
            fill = fill * (0.85f + 0.3f * l) + Color{1, 0.9f, 0.7f} * std::max(0.0f, l) * 0.5f;
            img.at(x, y) = Mix(img.at(x, y), fill, a);
        }
}

// Spiral rays from the centre on black, fading out well inside the edges so
// a turning quad never shows its outline.
struct TwistStyle {
    int arms;
    float twist;  // turns of each arm from centre to rim
    std::vector<Color> palette;
    uint32_t seed;
};

Image MakeTwist(const TwistStyle& s) {
    const int size = 512;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        float u = x / size - 0.5f, v = y / size - 0.5f;
        float r = std::hypot(u, v), a = std::atan2(v, u);
        float spiral = a * s.arms + r * s.twist * kTau;
        float rays = std::pow(0.5f + 0.5f * std::cos(spiral), 5.0f);
        float fine = std::pow(0.5f + 0.5f * std::cos(spiral * 3 + r * 9 + 1.3f), 14.0f) * 0.55f;
        float breakup = 0.45f + 0.9f * Fbm(u * 9 + 20, v * 9 + 20, 4, 0, 0, s.seed);
        float streaks = 0.75f + 0.5f * Noise(r * 60, (a + kPi) * 4, 0, 0, s.seed + 5);
        float fade = Smooth(0.47f, 0.26f, r);
        float inner = 0.35f + 0.65f * Smooth(0.0f, 0.07f, r);
        float core = std::exp(-r * r / 0.0016f) * 1.2f + std::exp(-r * r / 0.012f) * 0.35f;
        float k = (rays + fine) * breakup * streaks * fade * inner;
        Color c = Ramp(s.palette, r / 0.42f + 0.06f * std::sin(a * 3 + s.seed));
        return c * (k * 1.25f) + Color{1, 0.95f, 0.9f} * core;
    });
    return img;
}

// A repeating environment picture for lookups by the eye-space normal: the
// texture coordinates are the normal's x and y, so the picture repeats with
// period one in both and its corners face the viewer. A hot spot sits on the
// corners, coloured lamps and a horizon band elsewhere.
struct EnvStyle {
    Color deep, mid, band, hot, lamp1, lamp2;
    uint32_t seed;
};

Image MakeEnv(const EnvStyle& e) {
    const int size = 512;
    Image img(size, size);
    auto spot = [](float s, float t, float px, float py, float sigma) {
        float dx = WrapDelta(s - px), dy = WrapDelta(t - py);
        return std::exp(-(dx * dx + dy * dy) / (2 * sigma * sigma));
    };
    img.Fill([&](float x, float y) {
        float s = x / size, t = y / size;
        float facing = 0.5f + 0.5f * std::cos(kTau * t) * (0.6f + 0.4f * std::cos(kTau * s));
        float cloud = Fbm(s * 4, t * 4, 5, 4, 4, e.seed);
        Color c = Ramp({e.deep, e.mid, e.mid * 1.4f}, facing * (0.75f + 0.5f * cloud));
        float band = std::exp(-std::pow(WrapDelta(t - 0.32f) / 0.035f, 2.0f)) +
                     0.6f * std::exp(-std::pow(WrapDelta(t - 0.68f) / 0.02f, 2.0f));
        c = c + e.band * (band * (0.7f + 0.6f * cloud));
        c = c + e.hot * (spot(s, t, 0, 0, 0.05f) * 1.3f + spot(s, t, 0, 0, 0.16f) * 0.45f);
        c = c + e.lamp1 * spot(s, t, 0.38f, 0.62f, 0.045f) +
            e.lamp2 * spot(s, t, 0.7f, 0.22f, 0.06f);
        c = c + e.lamp1 * (0.25f * spot(s, t, 0.38f, 0.62f, 0.15f));
        // Two soft-box lights, a wide one and a tall one.
        auto box = [&](float px, float py, float hw, float hh) {
            float dx = std::abs(WrapDelta(s - px)), dy = std::abs(WrapDelta(t - py));
            return Smooth(hw + 0.03f, hw, dx) * Smooth(hh + 0.03f, hh, dy);
        };
        c = c + e.hot * (0.8f * box(0.5f, 0.1f, 0.16f, 0.025f) +
                         0.6f * box(0.16f, 0.45f, 0.02f, 0.14f));
        return c;
    });
    return img;
}

// Distance from the inside edge of a rounded rectangle inset by `margin`
// (positive outside the inner area); u, v run 0..1 across the picture.
float InsetDistance(float u, float v, float margin, float corner) {
    float qx = std::abs(u - 0.5f) - (0.5f - margin - corner);
    float qy = std::abs(v - 0.5f) - (0.5f - margin - corner);
    float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - corner;
}

}  // namespace

Image MakeLoader() {
    // Shown on a quad 1.2 times taller than wide: shapes are squashed by
    // 1/1.2 vertically here so they look round there.
    const int size = 512;
    const float sy = 1 / 1.2f;
    const float arch_x = 256, arch_y = 512, inner = 112, outer = 168;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        float v = y / size;
        Color c = v < 0.55f ? Mix(Rgb(6, 5, 20), Rgb(30, 10, 40), v / 0.55f)
                            : Mix(Rgb(30, 10, 40), Rgb(70, 18, 12), (v - 0.55f) / 0.45f);
        float smoke = Fbm(x / 110, y / 80 - 3, 5, 0, 0, 11);
        c = c * (0.55f + 0.9f * smoke);
        float ex = x - arch_x, ey = (y - arch_y) / sy;
        float r = std::hypot(ex, ey);
        float glow = std::exp(-std::max(0.0f, r - outer) / 95);
        c = c + Color{0.55f, 0.2f, 0.05f} * (glow * 0.8f);
        if (r < inner) {
            // The kiln mouth: fire, hottest at the floor.
            float height = -ey / inner;
            float turb = Fbm(x / 22, y / 34 + 7, 5, 0, 0, 23);
            float tongues = 0.5f + 0.5f * std::sin(x * 0.09f + turb * 7);
            float heat =
                1.3f - height * 1.35f + (turb - 0.5f) * 0.8f + (tongues - 0.5f) * 0.7f * height;
            Color fire = Ramp({Rgb(40, 4, 2), Rgb(170, 25, 5), Rgb(245, 110, 15), Rgb(255, 210, 80),
                               Rgb(255, 250, 225)},
                              Clamp01(heat * 0.8f));
            float a = Smooth(inner, inner - 2, r);
            c = Mix(c, fire, a);
        } else if (r < outer) {
            // Two courses of bricks around the mouth, lit from inside.
            float ang = std::atan2(-ey, ex);
            int course = r < (inner + outer) / 2 ? 0 : 1;
            float count = course == 0 ? 13 : 15;
            float cell = (ang / kPi) * count + course * 0.5f;
            int brick = static_cast<int>(std::floor(cell));
            float along = (cell - brick) * r * kPi / count;
            float width = r * kPi / count;
            float rin = course == 0 ? inner : (inner + outer) / 2;
            float rout = course == 0 ? (inner + outer) / 2 : outer;
            float edge = std::min({along, width - along, r - rin, rout - r});
            float tone = 0.7f + 0.5f * HashUnit(brick, course, 3) +
                         0.4f * (Fbm(x / 9, y / 9, 3, 0, 0, 4) - 0.5f);
            float lit = 0.35f + 1.4f * std::exp(-(r - inner) / 38);
            Color brickc = Rgb(120, 44, 26) * (tone * lit) +
                           Color{0.5f, 0.2f, 0.03f} * std::exp(-(r - inner) / 14);
            brickc = brickc * (0.55f + 0.45f * Smooth(0, 4, edge));
            Color mortar = Rgb(20, 10, 8);
            c = Mix(mortar, brickc, Smooth(0.8f, 2.2f, edge));
        }
        // Stars in the night above the kiln.
        int sx = static_cast<int>(x / 4), sy4 = static_cast<int>(y / 4);
        float star = HashUnit(sx, sy4, 12);
        if (star > 0.985f && v < 0.4f) {
            float d = std::hypot(x - (sx + 0.5f) * 4, (y - (sy4 + 0.5f) * 4) / sy);
            c = c + Color{0.8f, 0.8f, 1} * (Smooth(1.6f, 0.3f, d) * (0.4f - v) * 2.5f);
        }
        // The picture is narrower than the screen: fade its sides into the
        // black around it, and its top edge.
        float u = x / size;
        float side = Smooth(0.0f, 0.14f, std::min(u, 1 - u));
        return c * (side * Smooth(0.0f, 0.06f, v));
    });
    // Embers rising from the mouth.
    Mask embers(size, size);
    Random rng(77);
    for (int i = 0; i < 90; ++i) {
        float ex = rng.Range(80, 432), ey = rng.Range(290, 430);
        float rad = rng.Range(0.6f, 2.4f), bright = rng.Range(0.4f, 1);
        int x0 = static_cast<int>(ex) - 4, y0 = static_cast<int>(ey) - 4;
        for (int y = std::max(0, y0); y < std::min(size, y0 + 9); ++y)
            for (int x = std::max(0, x0); x < std::min(size, x0 + 9); ++x) {
                float d = std::hypot(x + 0.5f - ex, (y + 0.5f - ey) / sy) - rad;
                embers.at(x, y) = std::max(embers.at(x, y), Coverage(d) * bright);
            }
    }
    AddGlow(img, Blur(embers, 10), Color{1.0f, 0.45f, 0.1f} * 1.6f);
    AddGlow(img, embers, Color{1.0f, 0.85f, 0.5f});

    TextStyle title;
    title.height = 50;
    title.stroke = 10;
    title.spacing = 1.5f;
    title.stretch_y = sy;
    DrawForgedTitle(img, "KILNWORKS", 256, 222, title, Color{1.0f, 0.4f, 0.08f});

    TextStyle small;
    small.height = 13;
    small.stroke = 2.4f;
    small.spacing = 3;
    small.stretch_y = sy;
    Mask sub(size, size);
    DrawText(sub, "LOADING", 256, 274, small);
    float half = TextWidth("LOADING", small) / 2 + 18;
    for (int x = 0; x < size; ++x) {
        float d = std::abs(x + 0.5f - 256);
        if (d < half || d > half + 80) continue;
        float fade = 1 - (d - half) / 80;
        sub.at(x, 274) = std::max(sub.at(x, 274), fade);
    }
    AddGlow(img, Blur(sub, 6), Color{0.6f, 0.25f, 0.05f});
    Composite(img, sub, Rgb(255, 200, 140));
    return img;
}

Image MakeStroboTwist() {
    return MakeTwist(
        {12,
         1.6f,
         {Rgb(255, 255, 255), Rgb(120, 200, 255), Rgb(190, 80, 255), Rgb(255, 60, 140)},
         31});
}

Image MakeStroboBackground() {
    // Tiled fifty times across a strip; only its middle band is on screen,
    // so the light columns and the glowing horizon sit there. Everything
    // repeats exactly across the width.
    const int size = 512;
    const int columns = 7;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        float u = x / size, v = y / size;
        float dv = v - 0.5f;
        Color sky = Ramp({Rgb(10, 4, 30), Rgb(60, 10, 80), Rgb(200, 50, 120), Rgb(255, 150, 80),
                          Rgb(70, 10, 60), Rgb(8, 6, 30)},
                         v);
        float haze = Fbm(u * 4, v * 6, 5, 4, 0, 41);
        Color c = sky * (0.55f + 0.7f * haze);
        for (int i = 0; i < columns; ++i) {
            float centre = (i + 0.5f + 0.3f * (HashUnit(i, 0, 9) - 0.5f)) / columns;
            float width = 0.008f + 0.02f * HashUnit(i, 1, 9);
            float d = std::abs(WrapDelta(u - centre)) / width;
            float beam = std::exp(-d * d) * (0.5f + 0.5f * HashUnit(i, 2, 9));
            float spread = std::exp(-d * d / 25) * 0.25f;
            float height = Smooth(0.45f, 0.0f, std::abs(dv));
            Color tint = i % 2 ? Rgb(255, 190, 120) : Rgb(160, 120, 255);
            c = c + tint * ((beam + spread) * height * 0.8f);
        }
        float horizon = std::exp(-dv * dv / 0.0008f);
        float pulse = 0.5f + 0.5f * std::cos(u * kTau * 14);
        c = c + Rgb(255, 220, 180) * (horizon * (0.6f + 0.25f * pulse));
        // Fine scan lines give the strip a stroboscopic texture.
        c = c * (0.85f + 0.15f * std::cos(v * kTau * 192));
        return c;
    });
    return img;
}

Image MakeStroboText() {
    // Laid over the picture with "one minus source colour": white letters
    // print black, the grey halo a soft shadow, black changes nothing. The
    // letters carry a black inline, through which the picture shows.
    const int w = 1024, h = 512;
    Image img(w, h);
    TextStyle big;
    big.height = 104;
    big.stroke = 23;
    big.spacing = 1.5f;
    big.slant = 0.12f;
    Mask letters(w, h);
    DrawText(letters, "KILNWORKS", w / 2.0f, 236, big);
    TextStyle inline_style = big;
    inline_style.stroke = 6;
    Mask inline_mask(w, h);
    DrawText(inline_mask, "KILNWORKS", w / 2.0f, 236, inline_style);

    TextStyle small;
    small.height = 26;
    small.stroke = 5;
    small.spacing = 4;
    Mask sub(w, h);
    DrawText(sub, "PRESENTS", w / 2.0f, 360, small);
    float half = TextWidth("PRESENTS", small) / 2 + 24;
    for (int x = 0; x < w; ++x) {
        float d = std::abs(x + 0.5f - w / 2.0f);
        if (d < half || d > 470) continue;
        for (int y = 358; y <= 362; ++y)
            sub.at(x, y) = std::max(sub.at(x, y), y == 358 || y == 362 ? 0.5f : 1.0f);
    }

    Mask halo = Blur(letters, 30);
    AddGlow(img, halo, Color{0.42f, 0.42f, 0.42f});
    AddGlow(img, Blur(sub, 10), Color{0.3f, 0.3f, 0.3f});
    Composite(img, letters, {0.97f, 0.97f, 0.97f});
    Composite(img, inline_mask, {0, 0, 0});
    Composite(img, sub, {0.92f, 0.92f, 0.92f});
    return img;
}

Image MakeWater() {
    // Caustics: bright seams between warped cells in two layers, over deep
    // blue. Cell layout and warp repeat with the picture, so it tiles.
    const int size = 512;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        float u = x / size, v = y / size;
        float wx = Fbm(u * 4, v * 4, 4, 4, 4, 51) - 0.5f;
        float wy = Fbm(u * 4 + 17, v * 4 + 9, 4, 4, 4, 52) - 0.5f;
        CellDistances a = Cells(u * 6 + wx * 1.6f, v * 6 + wy * 1.6f, 6, 6, 61);
        CellDistances b = Cells(u * 10 - wy * 2.2f, v * 10 + wx * 2.2f, 10, 10, 62);
        float la = std::pow(1 - Smooth(0.0f, 0.22f, a.f2 - a.f1), 3.0f);
        float lb = std::pow(1 - Smooth(0.0f, 0.2f, b.f2 - b.f1), 3.0f);
        float depth = Fbm(u * 3, v * 3, 4, 3, 3, 63);
        Color base = Mix(Rgb(3, 24, 62), Rgb(10, 86, 128), depth);
        float light = la * 0.75f + lb * 0.4f + la * lb * 0.9f;
        return base + Rgb(130, 230, 255) * light;
    });
    return img;
}

Image MakeRubberEnv() {
    return MakeEnv({Rgb(4, 10, 40), Rgb(30, 110, 170), Rgb(255, 140, 50), Rgb(255, 250, 240),
                    Rgb(255, 60, 170), Rgb(80, 255, 230), 71});
}

Image MakeMiscEnv() {
    return MakeEnv({Rgb(14, 4, 26), Rgb(80, 36, 110), Rgb(255, 200, 90), Rgb(255, 245, 210),
                    Rgb(255, 120, 40), Rgb(120, 160, 255), 72});
}

Image MakeRubberBackground() {
    // Added onto black under the model, so it stays dark: a deep tunnel of
    // rings and spokes.
    const int size = 512;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        float u = x / size * 2 - 1, v = y / size * 2 - 1;
        float r = std::hypot(u, v), a = std::atan2(v, u);
        float depth = 1 / (r + 0.12f);
        float rings = std::pow(0.5f + 0.5f * std::cos(depth * 9), 10.0f);
        float spokes = std::pow(0.5f + 0.5f * std::cos(a * 12), 30.0f);
        float cloud = Fbm(u * 3 + 5, v * 3 + 5, 5, 0, 0, 81);
        Color c =
            Mix(Rgb(30, 12, 70), Rgb(2, 3, 14), Smooth(0.0f, 1.3f, r)) * (0.6f + 0.8f * cloud);
        float fade = Smooth(0.02f, 0.35f, r);
        c = c + Rgb(50, 120, 255) * (rings * 0.26f * fade);
        c = c + Rgb(150, 60, 255) * (spokes * 0.12f * fade * Smooth(1.4f, 0.3f, r));
        c = c + Rgb(90, 60, 200) * (std::exp(-r * r / 0.04f) * 0.35f);
        return c;
    });
    return img;
}

Image MakeRubberFlash() {
    // The beat flash, added in proportion to the beat: a hot burst with the
    // same rings as the background.
    const int size = 512;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        float u = x / size * 2 - 1, v = y / size * 2 - 1;
        float r = std::hypot(u, v), a = std::atan2(v, u);
        float depth = 1 / (r + 0.12f);
        float rings = std::pow(0.5f + 0.5f * std::cos(depth * 9), 6.0f);
        float rays = std::pow(0.5f + 0.5f * std::cos(a * 12 + 0.26f), 8.0f) *
                     (0.6f + 0.8f * Noise(a * 6 + 40, r * 3, 0, 0, 91));
        float core = std::exp(-r * r / 0.05f);
        Color c = Rgb(255, 240, 220) * core;
        c = c + Rgb(255, 80, 180) * (rays * Smooth(1.5f, 0.1f, r) * 0.8f);
        c = c + Rgb(255, 150, 60) * (rings * Smooth(0.05f, 0.4f, r) * Smooth(1.5f, 0.6f, r) * 0.7f);
        return c;
    });
    return img;
}

Image MakeFlower() {
    // A flower on black (black leaves the tunnel picture unchanged): green
    // leaves, two rings of petals and a seed head laid out on a spiral.
    const int size = 512;
    const float c0 = 256;
    Image img(size, size);
    struct Ring {
        int petals;
        float radius, offset, pointed;
        Color inner, outer;
    };
    const Ring rings[] = {
        {5, 238, 0.3f, 2.2f, Rgb(20, 80, 30), Rgb(70, 160, 60)},     // leaves
        {9, 205, 0.0f, 1.1f, Rgb(120, 10, 80), Rgb(255, 90, 170)},   // outer petals
        {9, 150, 0.35f, 1.1f, Rgb(200, 40, 40), Rgb(255, 170, 60)},  // inner petals
    };
    img.Fill([&](float x, float y) {
        float dx = x - c0, dy = y - c0;
        float r = std::hypot(dx, dy), a = std::atan2(dy, dx);
        Color c{0, 0, 0};
        for (const Ring& ring : rings) {
            float sector = kTau / ring.petals;
            float local = a + ring.offset - sector * std::round((a + ring.offset) / sector);
            float across = local / (sector / 2);  // -1..1 across the petal
            float shape = std::pow(std::max(0.0f, std::cos(across * kPi / 2)), ring.pointed);
            float edge = ring.radius * (0.25f + 0.75f * shape);
            float cover = Coverage(r - edge, 1.5f);
            if (cover <= 0) continue;
            float along = Clamp01(r / edge);
            float vein = 0.82f + 0.18f * std::cos(across * 9) * along;
            float fold = 0.55f + 0.45f * std::cos(across * kPi / 2);
            Color petal = Mix(ring.inner, ring.outer, std::pow(along, 0.8f)) * (vein * fold);
            petal = petal * (0.85f + 0.3f * Fbm(x / 30, y / 30, 3, 0, 0, 71 + ring.petals));
            // The ring beneath darkens where a petal overlaps it.
            c = Mix(c * (1 - 0.6f * cover * Smooth(edge + 14, edge, r)), petal, cover);
        }
        // Seed head: florets on the golden angle spiral.
        float disc = 62;
        if (r < disc + 2) {
            float best = 1e9f;
            for (int k = 0; k < 220; ++k) {
                float rr = disc * std::sqrt((k + 0.5f) / 220);
                float aa = k * 2.39996f;
                float d = std::hypot(dx - rr * std::cos(aa), dy - rr * std::sin(aa));
                best = std::min(best, d);
            }
            float bump = Smooth(3.6f, 0.0f, best);
            Color seed = Mix(Rgb(70, 30, 5), Rgb(255, 200, 50), bump) * (1.1f - 0.5f * r / disc);
            c = Mix(c, seed, Coverage(r - disc, 1.5f));
        }
        return c;
    });
    return img;
}

Image MakeBorder() {
    // Laid over the picture with "source colour" blending, enlarged so that
    // only the middle 80% shows: a gilded band whose visible part runs from
    // 10% to 17% in from each edge; black inside leaves the picture alone.
    const int size = 512;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        float u = x / size, v = y / size;
        float sd = InsetDistance(u, v, 0.17f, 0.05f);
        if (sd < -0.03f) return Color{0, 0, 0};
        float band = Clamp01(sd / 0.07f);  // 0 at the inner edge, 1 at 10% from the edge
        float rope = 0.5f + 0.5f * std::sin((u + v) * kTau * 26) * std::sin((u - v) * kTau * 26);
        float grain = Fbm(x / 6, y / 6, 3, 0, 0, 101);
        Color gold = Mix(Rgb(70, 40, 10), Rgb(240, 190, 90), 0.3f + 0.5f * rope + 0.3f * grain);
        Color dark = Rgb(25, 12, 30) * (0.6f + 0.8f * grain);
        float stripe = Smooth(0.35f, 0.45f, band) * Smooth(0.8f, 0.7f, band);
        Color c = Mix(dark, gold, stripe);
        float inner_line = std::exp(-std::pow((sd - 0.004f) / 0.0035f, 2.0f));
        float outer_line = std::exp(-std::pow((sd - 0.062f) / 0.003f, 2.0f));
        c = c + Rgb(255, 225, 150) * (inner_line + 0.7f * outer_line);
        c = c * Smooth(-0.03f, 0.004f, sd);
        return c;
    });
    return img;
}

Image MakeMiscTwist() {
    return MakeTwist(
        {7,
         -1.1f,
         {Rgb(255, 250, 220), Rgb(120, 255, 180), Rgb(40, 180, 220), Rgb(255, 200, 60)},
         37});
}

Image MakeVideoMask() {
    // White frame, black middle: where white, the clip's picture turns
    // black (and the screen overlay turns white); the soft inner edge gives
    // a vignette.
    const int size = 512;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        float sd = InsetDistance(x / size, y / size, 0.125f, 0.07f);
        float k = Smooth(-0.025f, 0.025f, sd);
        return Color{k, k, k};
    });
    return img;
}

const std::vector<PictureEntry>& AllPictures() {
    static const std::vector<PictureEntry> entries = {
        {"overlay/loader.jpg", 512, 512, false, MakeLoader},
        {"strobo/twist.jpg", 512, 512, false, MakeStroboTwist},
        {"strobo/bg.jpg", 512, 512, false, MakeStroboBackground},
        {"strobo/text.jpg", 1024, 512, false, MakeStroboText},
        {"plasma/__water.jpg", 512, 512, false, MakeWater},
        {"rubber/env.jpg", 512, 512, false, MakeRubberEnv},
        {"rubber/background.jpg", 512, 512, false, MakeRubberBackground},
        {"rubber/background1.jpg", 512, 512, false, MakeRubberFlash},
        {"misc/blomster.jpg", 512, 512, false, MakeFlower},
        {"misc/vex.jpg", 512, 512, false, MakePortraitVex},
        {"misc/mig.jpg", 512, 512, false, MakePortraitMig},
        {"misc/quill.jpg", 512, 512, false, MakePortraitQuill},
        {"misc/bust.jpg", 512, 512, false, MakePortraitBust},
        {"misc/env.jpg", 512, 512, false, MakeMiscEnv},
        {"misc/border.jpg", 512, 512, false, MakeBorder},
        {"misc/twist.jpg", 512, 512, false, MakeMiscTwist},
        {"ostra/video/frame.png", 512, 512, true, MakeVideoMask},
        {"sky/clouds.jpg", 512, 512, false, MakeSkyClouds},
        {"sky/landskab1.jpg", 512, 512, false, MakeSkyLandscape},
        {"sky/landskab1_add.jpg", 512, 512, false, MakeSkyLandscapeGlow},
        {"solaris/solaris1.jpg", 512, 512, false, MakeSolarisSprite},
        {"solaris/solaris2.jpg", 512, 512, false, MakeSolarisGlow},
        {"solaris/it.jpg", 1024, 512, false, MakeSolarisTitle},
        {"captions/title.png", 1024, 512, true, MakeCaptionTitle},
        {"captions/strip.png", 1024, 512, true, MakeCaptionStrip},
        {"captions/logo.png", 512, 512, true, MakeCaptionLogo},
        {"captions/end.png", 1024, 512, true, MakeCaptionEnd},
        {"__grid.jpg", 512, 512, false, MakeTowerGrid},
        {"show/glass.jpg", 512, 512, false, MakeShowGlass},
        {"show/lagoon.jpg", 512, 512, false, MakeShowLagoon},
        {"ostra/fog/pole1.jpg", 512, 512, false, MakeFogPole},
        {"ostra/prikker/prik1.png", 256, 256, true, MakePrik1},
        {"ostra/prikker/prik2.png", 256, 256, true, MakePrik2},
        {"ostra/prikker/prik3.png", 256, 256, true, MakePrik3},
        {"ostra/prikker/prik4.png", 256, 256, true, MakePrik4},
        {"ostra/brum/brum.png", 512, 512, true, MakeBrumSprite},
        {"ostra/brum/pastelmand.jpg", 512, 512, false, MakePastelMand},
        {"ostra/brum/stjern1.jpg", 256, 256, false, MakeBrumStar},
        {"housing.jpg", 256, 256, false, MakeHousing},
        {"banger/bang.jpg", 1024, 512, false, MakeBang},
        {"banger/bang1.jpg", 1024, 512, false, MakeBangFlash},
        {"circles/__ring.jpg", 512, 512, false, MakeRing},
        {"circles/circles.jpg", 1024, 512, false, MakeFacesPortraits},
        {"circles/text.jpg", 1024, 512, false, MakeFacesText},
        {"nanoball/zoomer1.jpg", 256, 256, false, MakeNanoSpike},
        {"nanoball/flare.jpg", 256, 256, false, MakeNanoFlare},
        {"nanoball/bg.jpg", 512, 512, false, MakeNanoBackground},
        {"zoomer/zoomer1.jpg", 256, 256, false, MakeZoomerFirstSprite},
        {"zoomer/zoomer2.jpg", 256, 256, false, MakeZoomerSprite},
        {"zoomer/zoomer2-old.jpg", 256, 256, false, MakeZoomerOldSprite},
        {"zoomer/bg.jpg", 512, 512, false, MakeZoomerBackground},
        {"zoomer/bg1.jpg", 512, 512, false, MakeZoomerGlow},
        {"colorbox/colorbox1.jpg", 256, 256, false, MakeColorBoxTile},
        {"colorbox/colorbox2.jpg", 256, 256, false, MakeColorBoxHighlight},
        {"colorbox/star.jpg", 128, 128, false, MakeColorBoxStar},
    };
    return entries;
}

std::vector<std::string> WriteAllPictures(const std::string& root) {
    std::vector<std::string> failed;
    for (const PictureEntry& e : AllPictures()) {
        std::filesystem::path path = std::filesystem::path(root) / e.path;
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        if (!std::filesystem::is_directory(path.parent_path(), ec)) {
            failed.push_back(path.string());  // no folder to write into: skip the drawing
            continue;
        }
        Image img = e.make();
        bool ok = e.png ? SavePng(img, path.string()) : SaveJpeg(img, path.string(), 90);
        if (!ok) failed.push_back(path.string());
    }
    return failed;
}

}  // namespace pictures
