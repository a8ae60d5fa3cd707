// Pictures of the shader effects PolarCoords, Banger, Circles and Faces; see
// picture_art.h.
#include <algorithm>
#include <cmath>

#include "picture_art.h"
#include "picture_font.h"

namespace pictures {

namespace {

constexpr float kPi = 3.14159265358979f;

// Where the hammer meets the bar in both Banger pictures (1024 x 768).
constexpr float kStrikeX = 540, kStrikeY = 418;

// A streak from (x0, y0) to (x1, y1), brightest at its head (x1, y1), added
// into the mask.
void AddStreak(Mask& mask, float x0, float y0, float x1, float y1, float width, float strength) {
    const int left = static_cast<int>(std::floor(std::min(x0, x1) - width - 2));
    const int right = static_cast<int>(std::ceil(std::max(x0, x1) + width + 2));
    const int top = static_cast<int>(std::floor(std::min(y0, y1) - width - 2));
    const int bottom = static_cast<int>(std::ceil(std::max(y0, y1) + width + 2));
    const float length2 = (x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0);
    for (int y = std::max(0, top); y < std::min(mask.height(), bottom); ++y)
        for (int x = std::max(0, left); x < std::min(mask.width(), right); ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float along = length2 > 0
                              ? Clamp01(((px - x0) * (x1 - x0) + (py - y0) * (y1 - y0)) / length2)
                              : 1;
            float d = DistanceToSegment(px, py, x0, y0, x1, y1) - width * (0.4f + 0.6f * along);
            mask.at(x, y) += Coverage(d) * strength * (0.25f + 0.75f * along);
        }
}

// Sparks flying from the strike point: mostly upwards and sideways, a few
// bouncing low.
void AddSparks(Mask& mask, int count, float min_length, float max_length, uint32_t seed) {
    Random rng(seed);
    for (int i = 0; i < count; ++i) {
        float angle = rng.Range(-kPi * 1.02f, kPi * 0.08f);  // y grows downwards
        float start = rng.Range(10, 90);
        float length = rng.Range(min_length, max_length);
        float c = std::cos(angle), s = std::sin(angle);
        float x0 = kStrikeX + c * start, y0 = kStrikeY + s * start;
        // Gravity bends the long ones: their heads sag a little.
        float x1 = x0 + c * length, y1 = y0 + s * length + length * length * 0.0012f;
        AddStreak(mask, x0, y0, x1, y1, rng.Range(0.6f, 1.8f), rng.Range(0.5f, 1.0f));
    }
}

// The anvil seen from the side: horn to the left, heel to the right.
const std::vector<Point>& AnvilOutline() {
    static const std::vector<Point> outline = {
        {238, 452}, {330, 440}, {712, 440}, {748, 446}, {752, 486}, {664, 494},
        {616, 528}, {612, 600}, {700, 640}, {704, 676}, {320, 676}, {324, 640},
        {410, 600}, {406, 528}, {362, 500}, {300, 484},
    };
    return outline;
}

// The portrait scaled by `scale` and centred on (cx, cy) in the image,
// with 2 x 2 samples per pixel, laid over the image as the brighter of both.
void PlacePortrait(Image& img, const Image& portrait, float cx, float cy, float scale) {
    const float half = portrait.width() * scale / 2;
    for (int y = static_cast<int>(cy - half); y < static_cast<int>(cy + half); ++y)
        for (int x = static_cast<int>(cx - half); x < static_cast<int>(cx + half); ++x) {
            if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) continue;
            Color sum;
            for (float oy : {0.25f, 0.75f})
                for (float ox : {0.25f, 0.75f}) {
                    float sx = (x + ox - (cx - half)) / scale;
                    float sy = (y + oy - (cy - half)) / scale;
                    // Kept off the border, where the sampler would wrap round.
                    sx = std::clamp(sx, 1.0f, portrait.width() - 2.0f);
                    sy = std::clamp(sy, 1.0f, portrait.height() - 2.0f);
                    sum = sum + portrait.SampleWrapped(sx, sy);
                }
            // The portrait's black background lets the picture beneath show.
            const Color c = sum * 0.25f, under = img.at(x, y);
            img.at(x, y) = {std::max(c.r, under.r), std::max(c.g, under.g), std::max(c.b, under.b)};
        }
}

// The picture drawn at `design` proportions, averaged down to `height` rows
// (a box filter over the rows each output row covers). Full-window pictures
// are designed at the window's 4:3 and stored with power-of-two sides.
Image SqueezeRows(const Image& design, int height) {
    Image out(design.width(), height);
    const float step = static_cast<float>(design.height()) / height;
    for (int y = 0; y < height; ++y) {
        const float top = y * step, bottom = top + step;
        for (int x = 0; x < design.width(); ++x) {
            Color sum;
            for (int row = static_cast<int>(top); row < bottom && row < design.height(); ++row) {
                float weight =
                    std::min(bottom, row + 1.0f) - std::max(top, static_cast<float>(row));
                sum = sum + design.at(x, row) * weight;
            }
            out.at(x, y) = sum * (1 / step);
        }
    }
    return out;
}

}  // namespace

Image MakeHousing() {
    // One face of a tumbling box: a concrete housing block of two by three
    // windows in a dark steel frame. On screen a face is only 10 to 30
    // pixels wide and the texture is minified without mipmaps, so every
    // shape is big and soft-edged: a frame that outlines the face, lit and
    // dark windows and coloured balcony panels.
    const int size = 256;
    const Color panels[] = {Rgb(40, 160, 160), Rgb(235, 120, 40), Rgb(200, 50, 70)};
    Image img(size, size);
    img.Fill([&](float x, float y) {
        float u = x / size, v = y / size;
        Color c = Mix(Rgb(130, 120, 110), Rgb(180, 170, 155), 1 - v);
        // Three floors between 0.14 and 0.86, two windows each.
        float floor_v = (v - 0.14f) / 0.72f * 3;
        int floor_index = static_cast<int>(std::floor(floor_v));
        float in_floor = floor_v - floor_index;
        bool on_facade = floor_index >= 0 && floor_index < 3 && u > 0.14f && u < 0.86f;
        if (on_facade) {
            // The balcony panel at the foot of each floor.
            float panel = Smooth(0.72f, 0.76f, in_floor) * Smooth(1.0f, 0.96f, in_floor);
            c = Mix(c, panels[floor_index], panel);
            float column_u = (u - 0.14f) / 0.72f * 2;
            int column = std::min(1, static_cast<int>(column_u));
            float in_column = column_u - column;
            float wx = std::abs(in_column - 0.5f), wy = std::abs(in_floor - 0.36f);
            float window = Smooth(0.36f, 0.32f, wx) * Smooth(0.3f, 0.26f, wy);
            bool lit = HashUnit(column, floor_index, 303) < 0.5f;
            Color glass =
                lit ? Mix(Rgb(255, 215, 120), Rgb(255, 140, 50), HashUnit(column, floor_index, 304))
                    : Mix(Rgb(20, 40, 90), Rgb(70, 110, 170), Clamp01(1 - in_floor * 1.4f));
            c = Mix(c, Rgb(40, 34, 40), Smooth(0.42f, 0.38f, wx) * Smooth(0.36f, 0.32f, wy));
            c = Mix(c, glass, window);
        }
        // The steel frame round the face, with a light inner edge.
        float edge = std::min(std::min(u, 1 - u), std::min(v, 1 - v));
        c = Mix(Rgb(26, 24, 34), c, Smooth(0.06f, 0.09f, edge));
        c = c + Rgb(255, 220, 170) * (0.35f * std::exp(-std::pow((edge - 0.09f) / 0.02f, 2.0f)));
        return c;
    });
    return img;
}

Image MakeBang() {
    // The forge: a dark anvil with a white-hot bar on it, sparks flying from
    // where the hammer struck, the room lit orange from the strike.
    const int w = 1024, h = 768;
    Image img(w, h);
    img.Fill([&](float x, float y) {
        float v = y / h;
        Color c = Mix(Rgb(10, 6, 14), Rgb(46, 16, 10), v);
        // Brick wall behind, only visible in the glow.
        float row = y / 34;
        int row_index = static_cast<int>(std::floor(row));
        float column = x / 78 + (row_index % 2) * 0.5f;
        float mortar = std::min(std::abs(row - std::round(row)) * 34,
                                std::abs(column - std::round(column)) * 78);
        float brick_tone =
            0.7f + 0.6f * HashUnit(static_cast<int>(std::floor(column)), row_index, 311);
        float smoke = Fbm(x / 160, y / 120, 5, 0, 0, 312);
        Color wall = Rgb(90, 40, 28) * (brick_tone * Smooth(1.0f, 3.0f, mortar));
        float r = std::hypot(x - kStrikeX, (y - kStrikeY) * 1.2f);
        float glow = std::exp(-r / 230);
        c = c + wall * (glow * 1.4f) * (0.6f + 0.8f * smoke);
        c = c + Color{1.0f, 0.42f, 0.1f} * (glow * 0.55f) +
            Color{1.0f, 0.8f, 0.5f} * std::exp(-r / 60);
        // A floor under the anvil.
        if (y > 668) c = c * 0.5f + Rgb(30, 14, 10) * (0.5f + 0.5f * smoke);
        return c;
    });

    // The anvil: black iron, rim-lit from above and from the bar.
    const std::vector<Point>& anvil = AnvilOutline();
    for (int y = 400; y < h; ++y)
        for (int x = 200; x < 800; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float d = PolygonDistance(px, py, anvil);
            float a = Coverage(d, 1.2f);
            if (a <= 0) continue;
            float grain = Fbm(px / 12, py / 12, 3, 0, 0, 313);
            Color iron = Rgb(26, 24, 30) * (0.8f + 0.4f * grain);
            float top = std::exp(-(py - 440) / 5.0f) * Smooth(240, 330, px);
            float rim = std::exp(std::min(0.0f, d) / 3.0f) *
                        std::exp(-std::hypot(px - kStrikeX, py - kStrikeY) / 260);
            iron = iron + Rgb(255, 150, 60) * (0.9f * top + 0.8f * rim);
            img.at(x, y) = Mix(img.at(x, y), iron, a);
        }

    // The bar: white-hot in the middle, cooling to red at the ends.
    Mask bar(w, h);
    for (int y = 400; y < 450; ++y)
        for (int x = 400; x < 700; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float qx = std::max(std::abs(px - 545) - 108, 0.0f),
                  qy = std::max(std::abs(py - 428) - 4, 0.0f);
            bar.at(x, y) = Coverage(std::hypot(qx, qy) - 10, 1.2f);
        }
    AddGlow(img, Blur(bar, 30), Color{1.0f, 0.35f, 0.05f} * 1.2f);
    AddGlow(img, Blur(bar, 8), Color{1.0f, 0.55f, 0.15f});
    for (int y = 400; y < 450; ++y)
        for (int x = 400; x < 700; ++x) {
            float a = bar.at(x, y);
            if (a <= 0) continue;
            float heat = std::exp(-std::pow((x + 0.5f - kStrikeX) / 90, 2.0f));
            Color metal =
                Ramp({Rgb(150, 20, 5), Rgb(255, 110, 20), Rgb(255, 220, 120), Rgb(255, 252, 235)},
                     0.25f + 0.75f * heat);
            img.at(x, y) = Mix(img.at(x, y), metal, a);
        }

    Mask sparks(w, h);
    AddSparks(sparks, 140, 20, 140, 315);
    AddGlow(img, Blur(sparks, 5), Color{1.0f, 0.45f, 0.1f} * 1.5f);
    AddGlow(img, sparks, Color{1.0f, 0.85f, 0.45f});
    return SqueezeRows(img, 512);
}

Image MakeBangFlash() {
    // Added on the beat over the forge: the flash of the strike on black, a
    // white core, rays, a shock ring and a fresh shower of sparks.
    const int w = 1024, h = 768;
    Image img(w, h);
    img.Fill([&](float x, float y) {
        float dx = x - kStrikeX, dy = (y - kStrikeY) * 1.15f;
        float r = std::hypot(dx, dy), a = std::atan2(dy, dx);
        float core = std::exp(-r * r / 1800) * 1.3f + std::exp(-r / 90) * 0.5f;
        float rays = std::pow(0.5f + 0.5f * std::cos(a * 14 + 0.4f), 12.0f) *
                     (0.4f + 0.9f * Noise(a * 5 + 10, 0, 0, 0, 321));
        rays *= std::exp(-r / 260) * Smooth(8, 60, r);
        float ring =
            std::exp(-std::pow((r - 250) / 9, 2.0f)) * (0.6f + 0.4f * Noise(a * 9, 3, 0, 0, 322));
        Color c = Color{1.0f, 0.97f, 0.9f} * core;
        c = c + Color{1.0f, 0.6f, 0.25f} * (rays * 1.2f);
        c = c + Color{1.0f, 0.75f, 0.45f} * (ring * 0.7f);
        return c;
    });
    Mask sparks(w, h);
    AddSparks(sparks, 220, 60, 320, 325);
    AddGlow(img, Blur(sparks, 6), Color{1.0f, 0.5f, 0.15f} * 1.4f);
    AddGlow(img, sparks, Color{1.0f, 0.9f, 0.6f});
    return SqueezeRows(img, 512);
}

Image MakeRing() {
    // A glazed plate seen from above: concentric bands of glaze in kiln
    // colours with throwing lines, a thin gold ring between the bands and a
    // soft highlight. It fills the whole square: the circles shader looks at
    // it through lenses that reach its corners. Like the other full-window
    // pictures it is shown stretched to 4:3, so its circles are drawn
    // narrower by that much.
    const int size = 512;
    const std::vector<Color> glazes = {Rgb(20, 90, 110),   Rgb(230, 130, 40), Rgb(150, 30, 60),
                                       Rgb(240, 210, 150), Rgb(40, 50, 120),  Rgb(200, 70, 30)};
    Image img(size, size);
    img.Fill([&](float x, float y) {
        float dx = (x / size - 0.5f) * (4.0f / 3.0f), dy = y / size - 0.5f;
        float r = std::hypot(dx, dy), a = std::atan2(dy, dx);
        float band_r = r * 16;
        int band = static_cast<int>(std::floor(band_r));
        float in_band = band_r - band;
        Color glaze = glazes[static_cast<size_t>(Hash(band, 0, 331) % glazes.size())];
        float lines = 0.85f + 0.15f * std::sin(r * 900 + 3 * Noise(a * 8 + 40, r * 20, 0, 0, 332));
        float pool = 0.7f + 0.6f * Fbm(std::cos(a) * 3 + r * 5, std::sin(a) * 3 + 7, 4, 0, 0, 333);
        // Each band is darker at its rims, as glaze thins over a ridge.
        float body = 0.55f + 0.45f * std::sin(in_band * kPi);
        Color c = glaze * (lines * pool * body);
        float gold =
            std::exp(-std::pow((in_band - 0.02f) / 0.04f, 2.0f)) * (band % 2 ? 1.0f : 0.5f);
        c = c + Rgb(255, 210, 120) * (gold * 0.9f);
        float shine = std::exp(-(std::pow(dx + 0.17f, 2.0f) + std::pow(dy + 0.2f, 2.0f)) / 0.008f);
        c = c + Color{1, 0.97f, 0.9f} * (shine * 0.45f);
        c = c * (1 - 0.25f * Smooth(0.45f, 0.72f, r));
        return c + Rgb(255, 240, 200) * std::exp(-r * r / 0.0006f);
    });
    return img;
}

Image MakeFacesPortraits() {
    // The four portraits in their halos, two by two, 4:3 like the window
    // they are stretched over, on a dim kiln wall of glowing rings round
    // each of them.
    const int w = 1024, h = 768;
    Image img(w, h);
    img.Fill([&](float x, float y) {
        float dx = std::fmod(x, 512.0f) - 256, dy = std::fmod(y, 384.0f) - 192;
        float r = std::hypot(dx, dy);
        float rings = std::pow(0.5f + 0.5f * std::cos(r * 0.11f), 6.0f);
        float wall = 0.6f + 0.8f * Fbm(x / 90, y / 90, 4, 0, 0, 341);
        return Rgb(70, 22, 12) * (wall * (0.35f + 0.65f * rings) * Smooth(120, 300, r));
    });
    const float scale = 0.72f;
    PlacePortrait(img, MakePortraitVex(), 256, 192, scale);
    PlacePortrait(img, MakePortraitMig(), 768, 192, scale);
    PlacePortrait(img, MakePortraitQuill(), 256, 576, scale);
    PlacePortrait(img, MakePortraitBust(), 768, 576, scale);
    return SqueezeRows(img, 512);
}

Image MakeFacesText() {
    // Added over the faces at a tenth of the beat: bright lettering on black.
    const int w = 1024, h = 768;
    Image img(w, h);
    TextStyle big;
    big.height = 150;
    big.stroke = 30;
    big.spacing = 1.6f;
    Mask letters(w, h);
    DrawText(letters, "FACES", w / 2.0f, 360, big);
    TextStyle small;
    small.height = 34;
    small.stroke = 6;
    small.spacing = 4;
    Mask sub(w, h);
    DrawText(sub, "FIRED IN THE KILN", w / 2.0f, 520, small);
    AddGlow(img, Blur(letters, 40), Color{1.0f, 0.6f, 0.3f} * 0.9f);
    AddGlow(img, Blur(sub, 12), Color{1.0f, 0.6f, 0.3f} * 0.6f);
    Composite(img, letters, {1, 1, 1});
    Composite(img, sub, {1, 0.95f, 0.85f});
    return SqueezeRows(img, 512);
}

}  // namespace pictures
