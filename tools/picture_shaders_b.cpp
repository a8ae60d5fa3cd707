// Pictures of the tower (TwistBox) and of the ShaderShow layers; see
// picture_art.h.
#include <algorithm>
#include <cmath>

#include "picture_art.h"

namespace pictures {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kTau = 2 * kPi;

// Distance from x to the nearest multiple of `period` (for repeating lines).
float ToGridLine(float x, float period) {
    const float r = std::fmod(x, period);
    return std::min(r, period - r);
}

}  // namespace

Image MakeTowerGrid() {
    // Riveted steel plates, four by four, separated by dark grooves. The
    // picture repeats without a seam in both directions (the tower tiles it
    // up its height), and its brightness doubles as the height field of the
    // bump shader: plates and rivets stand out, grooves sink in.
    const int size = 512;
    const float cell = size / 4.0f;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        const int cx = static_cast<int>(x / cell), cy = static_cast<int>(y / cell);
        const float groove = std::min(ToGridLine(x, cell), ToGridLine(y, cell));
        // Bevelled plate edge: 0 in the groove, 1 on the plate's face.
        const float plate = Smooth(3, 12, groove);
        // Each plate has its own tint and brushed grain.
        const float tone = 0.75f + 0.25f * HashUnit(cx, cy, 11);
        const float grain = Fbm(x / 64, y / 4, 3, 8, 128, 12 + static_cast<uint32_t>(cx + 4 * cy));
        const float dirt = Fbm(x / 128, y / 128, 4, 4, 4, 13);
        Color steel = Mix(Rgb(70, 86, 104), Rgb(150, 168, 186), tone * (0.82f + 0.18f * grain));
        steel = steel * (0.8f + 0.35f * dirt);
        // Rivets near each corner of a plate.
        const float lx = std::fmod(x, cell), ly = std::fmod(y, cell);
        float rivet = 0;
        for (float px : {16.0f, cell - 16}) {
            for (float py : {16.0f, cell - 16}) {
                const float d = std::hypot(lx - px, ly - py);
                rivet = std::max(rivet, Smooth(6, 3, d) * (1 - 0.4f * Clamp01((d - 0) / 6)));
            }
        }
        // A warm lamp strip along the middle of every second row of plates.
        const float strip = (cy % 2 == 0) ? Smooth(5, 1.5f, std::abs(ly - cell / 2)) : 0.0f;
        Color c = Mix(Rgb(8, 10, 14), steel, plate);
        c = Mix(c, Rgb(220, 228, 236), rivet);
        c = Mix(c, Rgb(255, 170, 70), strip * plate);
        return c;
    });
    return img;
}

Image MakeShowGlass() {
    // Stained glass: jittered cells in deep colours, each brightest at its
    // centre, held by dark lead lines. Seamless, so a kaleidoscope that
    // wraps the picture shows no edge.
    const int size = 512;
    const float scale = 8.0f / size;
    const std::vector<Color> palette = {Rgb(200, 30, 50),  Rgb(240, 150, 20), Rgb(30, 90, 200),
                                        Rgb(20, 150, 110), Rgb(130, 40, 170), Rgb(240, 210, 60),
                                        Rgb(40, 170, 220)};
    Image img(size, size);
    img.Fill([&](float x, float y) {
        const float u = x * scale, v = y * scale;
        const CellDistances d = Cells(u, v, 8, 8, 21);
        // The colour of the nearest cell: hash of the nearest point's cell.
        int best_x = 0, best_y = 0;
        float best = 1e9f;
        const int ix = static_cast<int>(std::floor(u)), iy = static_cast<int>(std::floor(v));
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const int cx = ix + dx, cy = iy + dy;
                const int hx = ((cx % 8) + 8) % 8, hy = ((cy % 8) + 8) % 8;
                const float px = cx + 0.1f + 0.8f * HashUnit(hx, hy, 21);
                const float py = cy + 0.1f + 0.8f * HashUnit(hx, hy, 21 + 7u);
                const float dist = std::hypot(px - u, py - v);
                if (dist < best) {
                    best = dist;
                    best_x = hx;
                    best_y = hy;
                }
            }
        }
        const float pick = HashUnit(best_x, best_y, 22);
        Color glass = palette[static_cast<size_t>(pick * palette.size()) % palette.size()];
        const float glow = 0.55f + 0.6f * (1 - Clamp01(d.f1 * 1.4f));
        const float ripple = 0.9f + 0.2f * Fbm(u * 2, v * 2, 3, 16, 16, 23);
        glass = glass * (glow * ripple);
        const float lead = Smooth(0.04f, 0.09f, d.f2 - d.f1);
        return Mix(Rgb(12, 10, 8), glass, lead);
    });
    return img;
}

Image MakeShowLagoon() {
    // A lagoon at dusk: banded sky, a low sun, and its broken reflection on
    // the water below the horizon. Left and right edges match, so ripples
    // that pull the picture sideways show no seam.
    const int size = 512;
    const float horizon = size * 0.55f;
    Image img(size, size);
    img.Fill([&](float x, float y) {
        const float s = x / size;
        const float sun_dx = std::abs(s - 0.5f) * size;
        if (y < horizon) {
            const float h = y / horizon;  // 0 at the top, 1 at the horizon
            Color sky =
                Ramp({Rgb(20, 18, 60), Rgb(90, 40, 110), Rgb(230, 90, 70), Rgb(255, 190, 90)}, h);
            // Thin clouds, periodic across the width.
            const float cloud = Fbm(s * 6, y / 40, 4, 6, 0, 31);
            sky = Mix(sky, sky * 0.55f + Rgb(255, 140, 120) * 0.25f,
                      Smooth(0.55f, 0.8f, cloud) * Smooth(0.2f, 0.6f, h));
            const float sun = std::hypot(sun_dx, y - horizon + 30);
            sky = sky + Rgb(255, 230, 170) * (Smooth(44, 40, sun) + 0.5f * std::exp(-sun / 70));
            return sky;
        }
        const float depth = (y - horizon) / (size - horizon);  // 0 at the horizon
        Color water = Ramp({Rgb(160, 70, 80), Rgb(40, 30, 70), Rgb(6, 14, 34)}, depth);
        // Wavelets break the sun's reflection into thin horizontal glints
        // that grow longer and thicker towards the viewer.
        const float row = (y - horizon) / (1.5f + 5 * depth);
        const float waves =
            0.65f * Noise(s * 24, row, 24, 0, 32) + 0.35f * Noise(s * 48, row * 1.7f, 48, 0, 33);
        const float column = std::exp(-std::pow(sun_dx / (25 + 110 * depth), 2.0f));
        const float glint = Smooth(0.5f, 0.75f, waves) * column * (1 - 0.5f * depth);
        water = water + Rgb(255, 200, 120) * glint;
        // Long swells darken the water in soft bands.
        const float swell = std::sin(kTau * 14 * std::sqrt(depth) + 2 * std::sin(kTau * s));
        water = water * (0.92f + 0.08f * swell);
        return water;
    });
    return img;
}

}  // namespace pictures
