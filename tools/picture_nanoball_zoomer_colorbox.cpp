// Pictures of the spiky ball, the sprite tube and the tile board.
//
// The ball is lit almost only by specular highlights, so its spike and
// flare pictures are bright and colourful (the highlight shows them at full
// strength, the rest of the ball at a few percent) and its background glows
// behind it so the dark ball stands out. The tube's sprites are laid on by
// their own colour and the board's tiles are added: both are drawn on black,
// which leaves the picture beneath alone. The tube's background fades to
// white at its edges, where the white clear shows round it.
#include <algorithm>
#include <cmath>

#include "picture_art.h"

namespace pictures {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kTau = 2 * kPi;

// Position of (x, y) relative to the centre of a square picture of `size`,
// in units of half its side (-1..1 across).
struct Polar {
    float u, v, r, a;
};
Polar Centred(float x, float y, int size) {
    Polar p;
    p.u = x / size * 2 - 1;
    p.v = y / size * 2 - 1;
    p.r = std::hypot(p.u, p.v);
    p.a = std::atan2(p.v, p.u);
    return p;
}

// A thin bright line at distance `d` from a curve: 1 on it, falling off
// over `width`.
float Line(float d, float width) { return std::exp(-(d * d) / (width * width)); }

// Spiky rays round the centre, `count` of them, sharper with `power`.
float Rays(float a, int count, float power, float offset) {
    return std::pow(0.5f + 0.5f * std::cos(a * count + offset), power);
}

// An ornamental ring for the tube: a band between two radii carrying
// `teeth` lobes, coloured along its circumference, black inside and out.
struct RingStyle {
    float inner, outer;  // radii in half-sides
    int teeth;
    std::vector<Color> palette;
    uint32_t seed;
};

Image MakeRingSprite(const RingStyle& s) {
    const int size = 256;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        Polar p = Centred(x, y, size);
        float mid = (s.inner + s.outer) / 2, half = (s.outer - s.inner) / 2;
        float lobes = 0.5f + 0.5f * std::cos(p.a * s.teeth);
        float edge = half * (0.55f + 0.45f * lobes);
        float band = Coverage((std::abs(p.r - mid) - edge) * size / 2, 1.5f);
        float across = Clamp01(1 - std::abs(p.r - mid) / std::max(edge, 1e-3f));
        float sheen = 0.55f + 0.45f * std::pow(across, 0.6f);
        float grain = 0.8f + 0.4f * Fbm(p.u * 6 + 3, p.v * 6 + 3, 3, 0, 0, s.seed);
        Color c =
            Ramp(s.palette, 0.5f + 0.5f * std::sin(p.a * 2 + s.seed)) * (band * sheen * grain);
        // A fine bright rim on both edges and studs between the lobes.
        float rim = Line(p.r - (mid - edge), 0.012f) + Line(p.r - (mid + edge), 0.012f);
        c = c + Rgb(255, 245, 220) * (rim * 0.6f * band);
        float stud_angle =
            p.a - (kTau / s.teeth) * std::round(p.a / (kTau / s.teeth) - 0.5f) - kPi / s.teeth;
        float stud = std::hypot(stud_angle * mid, p.r - mid);
        c = c + Rgb(255, 255, 255) * (Smooth(0.05f, 0.02f, stud) * 0.8f);
        return c;
    });
    return img;
}

}  // namespace

Image MakeNanoSpike() {
    // Wrapped round a cylinder: across the picture is round the spike (it
    // repeats without a seam), down is from the ball's centre to the tip.
    // Highlights show it at full strength, so it is saturated throughout.
    const int size = 256;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        float s = x / size, t = y / size;
        Color c =
            Ramp({Rgb(60, 20, 160), Rgb(40, 90, 255), Rgb(20, 220, 255), Rgb(120, 255, 200)}, t);
        float grooves = 0.75f + 0.25f * std::cos(s * kTau * 8);
        float rings = std::pow(0.5f + 0.5f * std::cos(t * kTau * 5), 16.0f);
        float sparkle = Fbm(s * 8, t * 16, 3, 8, 0, 131);
        c = c * (grooves * (0.7f + 0.5f * sparkle));
        c = c + Rgb(255, 60, 200) * (rings * (0.5f + 0.5f * t));
        return c;
    });
    return img;
}

Image MakeNanoFlare() {
    // The cap disc shows the picture's inscribed circle.
    const int size = 256;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        Polar p = Centred(x, y, size);
        float core = std::exp(-p.r * p.r / 0.04f);
        float ring = Line(p.r - 0.7f, 0.08f);
        float rays = Rays(p.a, 6, 8, 0) * Smooth(1.0f, 0.2f, p.r);
        Color c = Mix(Rgb(60, 20, 120), Rgb(20, 120, 200), Clamp01(p.r)) * 0.6f;
        c = c + Rgb(255, 200, 120) * (ring * 0.9f) + Rgb(255, 120, 220) * (rays * 0.5f);
        c = c + Rgb(255, 255, 240) * core;
        return c * Smooth(1.02f, 0.96f, p.r);
    });
    return img;
}

Image MakeNanoBackground() {
    // A warm glow behind the ball's centre, cooling to deep blue, over a
    // faint hexagonal lattice.
    const int size = 512;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        Polar p = Centred(x, y, size);
        float glow = std::exp(-p.r * p.r / 0.35f);
        Color c = Ramp({Rgb(255, 190, 120), Rgb(200, 70, 120), Rgb(60, 20, 90), Rgb(8, 6, 30)},
                       Clamp01(p.r / 1.3f));
        float cloud = Fbm(p.u * 3 + 7, p.v * 3 + 2, 5, 0, 0, 141);
        c = c * (0.65f + 0.6f * cloud);
        // Hexagonal lattice: distance to the nearest of three line families.
        float hx = p.u * 9, hy = p.v * 9;
        float d = 1;
        for (int k = 0; k < 3; ++k) {
            float ang = k * kPi / 3;
            float w = hx * std::cos(ang) + hy * std::sin(ang);
            d = std::min(d, std::abs(w - std::round(w)));
        }
        c = c + Rgb(120, 200, 255) * (Line(d, 0.04f) * 0.18f * (1 - glow * 0.7f));
        c = c + Rgb(255, 240, 220) * (glow * 0.25f);
        return c;
    });
    return img;
}

Image MakeZoomerFirstSprite() {
    return MakeRingSprite(
        {0.4f, 0.8f, 6, {Rgb(255, 220, 60), Rgb(255, 100, 40), Rgb(200, 40, 120)}, 151});
}

Image MakeZoomerSprite() {
    return MakeRingSprite(
        {0.5f, 0.9f, 12, {Rgb(255, 60, 140), Rgb(255, 160, 40), Rgb(140, 60, 255)}, 152});
}

Image MakeZoomerOldSprite() {
    // A five-pointed star outline with a dotted halo.
    const int size = 256;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        Polar p = Centred(x, y, size);
        float sector = kTau / 5;
        float local = p.a + kPi / 2 - sector * std::round((p.a + kPi / 2) / sector);
        float star_r = 0.55f + 0.3f * std::pow(std::cos(local * 2.5f), 2.0f);
        float outline = Line(p.r - star_r * 0.95f, 0.035f) + Line(p.r - star_r * 0.7f, 0.02f);
        Color c = Ramp({Rgb(40, 255, 200), Rgb(40, 140, 255), Rgb(200, 255, 80)},
                       0.5f + 0.5f * std::sin(p.a * 3)) *
                  std::min(1.0f, outline);
        float dots = Line(p.r - 0.95f, 0.02f) * Rays(p.a, 30, 30, 0);
        c = c + Rgb(255, 255, 255) * (dots * 0.9f);
        return c * Smooth(1.0f, 0.97f, p.r);
    });
    return img;
}

Image MakeZoomerBackground() {
    // A kaleidoscope of soft petals, pale at the rim and white beyond it.
    const int size = 512;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        Polar p = Centred(x, y, size);
        float petals = 0.5f + 0.5f * std::cos(p.a * 8 + std::sin(p.r * 9) * 1.5f);
        float rings = 0.5f + 0.5f * std::cos(p.r * 22 - petals * 2);
        float cloud = Fbm(p.u * 4 + 1, p.v * 4 + 1, 4, 0, 0, 161);
        Color c = Ramp({Rgb(40, 20, 90), Rgb(120, 40, 160), Rgb(240, 90, 140), Rgb(255, 200, 120)},
                       Clamp01(0.3f * petals + 0.4f * rings + 0.4f * cloud + 0.3f * p.r));
        return Mix(c, Rgb(255, 255, 255), Smooth(0.6f, 1.0f, p.r));
    });
    return img;
}

Image MakeZoomerGlow() {
    // Added in proportion to the beat: rays and a hot centre on black.
    const int size = 512;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        Polar p = Centred(x, y, size);
        float rays = Rays(p.a, 16, 6, 0) * (0.6f + 0.8f * Noise(p.a * 5 + 20, p.r * 2, 0, 0, 171));
        Color c = Rgb(255, 180, 90) * (rays * Smooth(1.0f, 0.2f, p.r) * 0.7f);
        c = c + Rgb(255, 250, 230) * std::exp(-p.r * p.r / 0.06f);
        c = c + Rgb(120, 160, 255) * (Line(p.r - 0.55f, 0.05f) * 0.4f);
        return c;
    });
    return img;
}

Image MakeColorBoxTile() {
    // A rounded square glowing on black, one unit wide on the board (the
    // middle half of the picture), so neighbours meet edge to edge. Each
    // corner has its own hue: as the tiles spin the board changes colour.
    const int size = 256;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        Polar p = Centred(x, y, size);
        float qx = std::abs(p.u) - 0.36f, qy = std::abs(p.v) - 0.36f;
        float box = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) +
                    std::min(std::max(qx, qy), 0.0f) - 0.1f;
        float frame = Line(box + 0.02f, 0.035f);
        float halo = std::exp(-std::max(box, 0.0f) / 0.08f) * 0.3f;
        float inside = Smooth(0.0f, -0.06f, box);
        // Facets: a bevelled diamond inside the frame.
        float facet = 1 - Clamp01((std::abs(p.u) + std::abs(p.v)) / 0.9f);
        float fill = inside * (0.25f + 0.45f * facet);
        float hu = 0.5f + 0.5f * std::tanh(p.u * 4), hv = 0.5f + 0.5f * std::tanh(p.v * 4);
        Color top = Mix(Rgb(30, 230, 255), Rgb(255, 60, 200), hu);
        Color bottom = Mix(Rgb(255, 210, 40), Rgb(90, 90, 255), hu);
        Color c = Mix(top, bottom, hv);
        Color light = c * (frame * 1.2f + halo + fill) + Rgb(255, 255, 255) * (frame * 0.25f);
        return light * Smooth(1.0f, 0.8f, std::max(std::abs(p.u), std::abs(p.v)));
    });
    return img;
}

Image MakeColorBoxHighlight() {
    // A burst flashed over the target tile on beats.
    const int size = 256;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        Polar p = Centred(x, y, size);
        float rays = Rays(p.a, 4, 20, 0) + Rays(p.a, 4, 20, kPi / 4) * 0.5f;
        Color c = Rgb(255, 210, 120) * (rays * Smooth(0.9f, 0.0f, p.r));
        c = c + Rgb(255, 255, 240) * std::exp(-p.r * p.r / 0.03f);
        c = c + Rgb(255, 90, 160) * (Line(p.r - 0.45f, 0.04f) * 0.7f);
        return c;
    });
    return img;
}

Image MakeColorBoxStar() {
    const int size = 128;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        Polar p = Centred(x, y, size);
        float rays = Rays(p.a, 5, 12, kPi / 2) * Smooth(0.95f, 0.0f, p.r);
        return Rgb(255, 230, 140) * rays + Rgb(255, 255, 255) * std::exp(-p.r * p.r / 0.02f);
    });
    return img;
}

}  // namespace pictures
