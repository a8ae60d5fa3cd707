// The pictures of the placed-object and particle effects: FogRotator's pole,
// Prikker's four sprites, and Brum's bumblebee, background and star.
#include <array>
#include <cmath>
#include <vector>

#include "picture_art.h"

namespace pictures {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kTau = 2 * kPi;

// Distance from the centre in units of half the picture's side: 0 in the
// middle, 1 at the middle of an edge.
float Radius(float x, float y, int size) {
    const float h = size * 0.5f;
    return std::hypot(x - h, y - h) / h;
}

// Brightness falling to exactly 0 at radius `end`, so a turning sprite never
// shows the square it is drawn on.
float EdgeFade(float r, float end = 0.95f) { return Smooth(end, end * 0.75f, r); }

// A sprite on black: brightness b(x, y) in a colour that whitens where b is high.
template <class F>
Image GlowSprite(int size, Color tint, F brightness) {
    Image img(size, size);
    img.Fill([&](float x, float y) {
        const float b = brightness(x, y);
        return Mix(tint * b, Color{1, 1, 1} * b, Clamp01(b - 0.6f) * 1.5f);
    });
    return img;
}

// Lays col(x, y) over a picture with alpha where cov(x, y) covers it, at
// the given opacity ("over" in straight alpha, like Composite).
template <class Cov, class Col>
void PaintOver(Image& img, Cov cov, Col col, float opacity = 1) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float a = Clamp01(cov(px, py)) * opacity;
            if (a <= 0) continue;
            const float under = img.alpha(x, y) * (1 - a);
            const float out = a + under;
            img.at(x, y) = col(px, py) * (a / out) + img.at(x, y) * (under / out);
            img.alpha(x, y) = out;
        }
}

}  // namespace

// ------------------------------------------------------------------ FogRotator

// The pole's skin: s runs round the pole (x, seamless) and t along its 12
// units (y), so one picture stretches about four times as far along as
// round. Glazed ceramic in spiral bands, teal and cream with a rust edge,
// crazed by a fine crackle.
Image MakeFogPole() {
    const int size = 512;
    Image img(size, size);
    const Color teal = Rgb(22, 86, 96), deep = Rgb(10, 42, 58), cream = Rgb(238, 222, 188),
                rust = Rgb(176, 78, 34);
    img.Fill([&](float x, float y) {
        const float u = x / size, v = y / size;
        const float wobble = 0.08f * (Fbm(u * 4, v * 4, 3, 4, 4, 71) - 0.5f);
        const float phase = u * 2 + v * 16 + wobble;
        const float f = phase - std::floor(phase);
        // Cream band on teal, a thin rust line on each of its edges.
        const float band = Smooth(0.30f, 0.34f, f) * Smooth(0.70f, 0.66f, f);
        const float edge = std::exp(-std::pow((f - 0.32f) / 0.02f, 2.0f)) +
                           std::exp(-std::pow((f - 0.68f) / 0.02f, 2.0f));
        const float pool = Fbm(u * 8, v * 8, 4, 8, 8, 72);  // glaze pooling
        Color c = Mix(deep, teal, Clamp01(0.3f + pool));
        c = Mix(c, cream * (0.9f + 0.2f * pool), band);
        c = Mix(c, rust, Clamp01(edge) * 0.85f);
        const CellDistances cells = Cells(u * 12, v * 48, 12, 48, 73);  // round on the pole
        const float crackle = Smooth(0.05f, 0.0f, cells.f2 - cells.f1);
        return c * (1 - 0.35f * crackle);
    });
    return img;
}

// -------------------------------------------------------------------- Prikker

// A plain round glow.
Image MakePrik1() {
    const int size = 256;
    return GlowSprite(size, Rgb(255, 196, 140), [&](float x, float y) {
        const float r = Radius(x, y, size);
        return (std::exp(-r * r / 0.05f) + 0.3f * std::exp(-r * r / 0.2f)) * EdgeFade(r);
    });
}

// A thin halo round a small core.
Image MakePrik2() {
    const int size = 256;
    return GlowSprite(size, Rgb(150, 210, 255), [&](float x, float y) {
        const float r = Radius(x, y, size);
        const float ring = std::exp(-std::pow((r - 0.5f) / 0.07f, 2.0f));
        return (0.8f * ring + 0.6f * std::exp(-r * r / 0.01f)) * EdgeFade(r);
    });
}

// The sprite Prikker draws: a warm point of light with a soft glow and four
// long thin rays, so its slow turn can be seen.
Image MakePrik3() {
    const int size = 256;
    return GlowSprite(size, Rgb(255, 178, 96), [&](float x, float y) {
        const float h = size * 0.5f;
        const float dx = (x - h) / h, dy = (y - h) / h;
        const float r = std::hypot(dx, dy);
        const float core = std::exp(-r * r / 0.006f);
        const float glow = 0.38f * std::exp(-r * r / 0.07f);
        const float rays = (std::exp(-dy * dy / 0.0006f) + std::exp(-dx * dx / 0.0006f)) *
                           std::pow(Clamp01(1 - r), 2.0f) * 0.55f;
        const float diagonals = (std::exp(-std::pow(dx - dy, 2.0f) / 0.0008f) +
                                 std::exp(-std::pow(dx + dy, 2.0f) / 0.0008f)) *
                                std::pow(Clamp01(1 - 1.6f * r), 2.0f) * 0.25f;
        return (core + glow + rays + diagonals) * EdgeFade(r);
    });
}

// A six-pointed sparkle.
Image MakePrik4() {
    const int size = 256;
    return GlowSprite(size, Rgb(190, 160, 255), [&](float x, float y) {
        const float h = size * 0.5f;
        const float dx = (x - h) / h, dy = (y - h) / h;
        const float r = std::hypot(dx, dy), a = std::atan2(dy, dx);
        const float spikes =
            std::pow(std::fabs(std::cos(3 * a)), 40.0f) * std::pow(Clamp01(1 - r), 3.0f);
        return (0.9f * spikes + std::exp(-r * r / 0.01f) + 0.2f * std::exp(-r * r / 0.08f)) *
               EdgeFade(r);
    });
}

// ----------------------------------------------------------------------- Brum

// A five-pointed star, white with pale gold points, on black. Brum lays it
// over the picture by its own colour (colour squared plus the picture times
// one minus colour), so black leaves the picture alone and white covers it;
// the soft edge is kept narrow, since a half-bright rim darkens a light
// picture.
Image MakeBrumStar() {
    const int size = 256;
    std::vector<Point> star;
    for (int i = 0; i < 10; ++i) {
        const float a = -kPi / 2 + i * kPi / 5;
        const float r = (i % 2 == 0 ? 0.64f : 0.28f) * size * 0.5f;
        star.push_back({size * 0.5f + r * std::cos(a), size * 0.5f + r * std::sin(a)});
    }
    Image img(size, size);
    img.Fill([&](float x, float y) {
        const float d = PolygonDistance(x, y, star);
        const float r = Radius(x, y, size);
        const float b = Coverage(d, 3.0f) * EdgeFade(r);
        const Color tint = Mix(Rgb(255, 255, 248), Rgb(255, 226, 150), Clamp01(r * 2.2f - 0.3f));
        return tint * b;
    });
    return img;
}

// The background Brum turns: a pastel portrait of a round, moustached man in
// a cap, in the middle of soft concentric chalk bands, so it reads the same
// at every angle. The face sits in the middle half, which the view always shows.
Image MakePastelMand() {
    const int size = 512;
    const float c = size * 0.5f;
    Image img(size, size);
    // Pastel bands a little below full light, so the stars Brum lays over
    // them still brighten them.
    const std::vector<Color> bands = {Rgb(226, 170, 190), Rgb(236, 196, 160), Rgb(226, 220, 150),
                                      Rgb(160, 210, 180), Rgb(150, 186, 226), Rgb(184, 164, 222),
                                      Rgb(226, 170, 190)};
    img.Fill([&](float x, float y) {
        const float r = std::hypot(x - c, y - c) / c;
        const float grain = Fbm(x / 40, y / 40, 4, 0, 0, 81);
        const float t = r * 1.6f + 0.12f * grain;
        return Ramp(bands, t - std::floor(t));
    });

    auto paint = [&](auto cov, Color col, float opacity = 1.0f) {
        Mask m(size, size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) m.at(x, y) = Clamp01(cov(x + 0.5f, y + 0.5f));
        Composite(img, m, col, opacity);
    };
    auto ellipse = [&](float cx, float cy, float rx, float ry, float soft = 2.0f) {
        return
            [=](float x, float y) { return Coverage(EllipseDistance(x, y, cx, cy, rx, ry), soft); };
    };

    // Shoulders and a mint shirt, then the neck.
    paint(ellipse(c, c + 215, 190, 110, 3), Rgb(160, 220, 196));
    paint(ellipse(c, c + 135, 42, 50), Rgb(240, 190, 160));
    // Head, ears.
    paint(ellipse(c - 98, c + 10, 22, 32), Rgb(244, 190, 160));
    paint(ellipse(c + 98, c + 10, 22, 32), Rgb(244, 190, 160));
    paint(ellipse(c, c, 100, 118), Rgb(252, 208, 178));
    // Soft shading on the face's right side and rosy cheeks.
    paint(ellipse(c + 50, c + 10, 70, 110, 40), Rgb(232, 170, 150), 0.35f);
    paint(ellipse(c - 52, c + 38, 24, 16, 14), Rgb(250, 140, 150), 0.55f);
    paint(ellipse(c + 52, c + 38, 24, 16, 14), Rgb(250, 140, 150), 0.55f);
    // A lavender cap with a brim.
    paint(
        [&](float x, float y) {
            return Coverage(EllipseDistance(x, y, c, c - 70, 108, 70), 2) *
                   Smooth(c - 52, c - 56, y);
        },
        Rgb(170, 150, 215));
    paint(ellipse(c - 20, c - 54, 128, 14), Rgb(140, 120, 190));
    // Eyes, pupils, brows.
    for (float side : {-1.0f, 1.0f}) {
        paint(ellipse(c + side * 38, c - 8, 20, 15), Rgb(252, 250, 244));
        paint(ellipse(c + side * 38 - 3, c - 6, 9, 10), Rgb(60, 70, 110));
        paint(ellipse(c + side * 38 - 6, c - 10, 3, 3, 1), Rgb(255, 255, 255));
        paint(
            [&](float x, float y) {
                const float d =
                    DistanceToSegment(x, y, c + side * 20, c - 34, c + side * 56, c - 38);
                return Coverage(d - 4, 2);
            },
            Rgb(150, 110, 100));
    }
    // Nose, moustache, smile.
    paint(ellipse(c, c + 26, 14, 18, 6), Rgb(236, 160, 140), 0.8f);
    for (float side : {-1.0f, 1.0f})
        paint(ellipse(c + side * 26, c + 52, 30, 12, 3), Rgb(190, 140, 120));
    paint(
        [&](float x, float y) {
            const float d = std::fabs(std::hypot(x - c, y - (c + 40)) - 44);
            return Coverage(d - 3, 2) * Smooth(c + 70, c + 76, y) *
                   Smooth(c + 36, c + 30, std::fabs(x - c) + c);
        },
        Rgb(200, 90, 110));

    // Pastel chalk: a diagonal hatch and paper grain over everything.
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float hatch =
                0.5f + 0.5f * std::sin((x + y) * 0.9f + 6 * Noise(x / 9.0f, y / 9.0f, 0, 0, 82));
            const float grain = HashUnit(x, y, 83);
            const float k = 0.93f + 0.05f * hatch + 0.04f * grain;
            img.at(x, y) = img.at(x, y) * k + Color{1, 1, 1} * (0.03f * grain);
        }
    return img;
}

// The bumblebee: facing left, its tail and stinger at the middle of the
// right edge, where Brum's stars come out. Transparent around it; the wings
// are half transparent; a dark outline hides any fringe.
Image MakeBrumSprite() {
    const int size = 512;
    const Color ink = Rgb(30, 22, 18);
    Image bee(size, size, ink);
    bee.EnableAlpha(0);
    auto paint = [&](auto cov, auto col, float opacity = 1.0f) {
        PaintOver(bee, cov, col, opacity);
    };
    auto ellipse_cov = [](float cx, float cy, float rx, float ry, float grow = 0) {
        return [=](float x, float y) {
            return Coverage(EllipseDistance(x, y, cx, cy, rx, ry) - grow, 1.5f);
        };
    };
    auto flat = [](Color col) { return [=](float, float) { return col; }; };

    const float bx = 300, by = 262, brx = 150, bry = 108;  // body
    const float hx = 142, hy = 250, hr = 78;               // head

    // Back wing, behind everything.
    auto wing = [&](float cx, float cy, float rx, float ry, float tilt, float opacity) {
        auto d = [=](float x, float y) {
            const float ca = std::cos(tilt), sa = std::sin(tilt);
            const float u = (x - cx) * ca + (y - cy) * sa, v = -(x - cx) * sa + (y - cy) * ca;
            return EllipseDistance(u, v, 0, 0, rx, ry);
        };
        paint([=](float x, float y) { return Coverage(std::fabs(d(x, y)) - 2.5f, 1.5f); },
              flat(ink), 0.8f);
        paint([=](float x, float y) { return Coverage(d(x, y), 1.5f); },
              [=](float x, float y) {
                  const float vein = 0.5f + 0.5f * std::cos((x - cx) * 0.09f + (y - cy) * 0.05f);
                  return Mix(Rgb(200, 232, 255), Rgb(255, 255, 255), 0.3f * vein);
              },
              opacity);
    };
    wing(330, 118, 70, 112, -0.5f, 0.45f);
    // Stinger, then legs.
    const std::vector<Point> stinger = {{440, 244}, {511, 256}, {440, 268}};
    paint([&](float x, float y) { return Coverage(PolygonDistance(x, y, stinger), 1.5f); },
          flat(ink));
    for (int i = 0; i < 3; ++i) {
        const float x0 = 250 + i * 55.0f;
        paint(
            [=](float x, float y) {
                return Coverage(DistanceToSegment(x, y, x0, 340, x0 - 22, 398) - 7, 1.5f);
            },
            flat(ink));
    }
    // Body: outline, yellow with dark bands, shaded towards the bottom.
    paint(ellipse_cov(bx, by, brx, bry, 6), flat(ink));
    paint(ellipse_cov(bx, by, brx, bry), [&](float x, float y) {
        const float band = std::sin((x - bx) * 0.075f + 0.6f);
        const Color yellow =
            Mix(Rgb(255, 214, 60), Rgb(255, 240, 150), Clamp01((by - y) / bry * 0.8f));
        const Color c = band > 0.35f ? Rgb(46, 34, 26) : yellow;
        const float shade = 0.75f + 0.25f * Clamp01(1 - (y - by) / bry);
        return c * shade;
    });
    // Fluff highlight.
    paint(ellipse_cov(bx - 20, by - 60, 70, 22), flat(Rgb(255, 250, 220)), 0.35f);
    // Head with its outline, a big eye and a smile.
    paint(ellipse_cov(hx, hy, hr, hr, 6), flat(ink));
    paint(ellipse_cov(hx, hy, hr, hr), [&](float, float y) {
        return Mix(Rgb(90, 66, 50), Rgb(60, 44, 34), Clamp01((y - hy) / hr + 0.5f));
    });
    paint(ellipse_cov(hx - 22, hy - 18, 30, 34), flat(Rgb(255, 255, 255)));
    paint(ellipse_cov(hx - 30, hy - 14, 15, 18), flat(Rgb(20, 20, 30)));
    paint(ellipse_cov(hx - 35, hy - 22, 5, 5), flat(Rgb(255, 255, 255)));
    paint(
        [&](float x, float y) {
            const float d = std::fabs(std::hypot(x - (hx - 30), y - (hy + 12)) - 30);
            return Coverage(d - 3.5f, 1.5f) * Smooth(hy + 26, hy + 32, y);
        },
        flat(Rgb(255, 150, 150)));
    // Antennae with round tips.
    for (int i = 0; i < 2; ++i) {
        const float tip_x = 70 + i * 52.0f, tip_y = 102 - i * 12.0f;
        const float root_x = hx - 20 + i * 30.0f, root_y = hy - 70;
        paint(
            [=](float x, float y) {
                return Coverage(DistanceToSegment(x, y, root_x, root_y, tip_x, tip_y) - 4, 1.5f);
            },
            flat(ink));
        paint(ellipse_cov(tip_x, tip_y, 13, 13), flat(ink));
        paint(ellipse_cov(tip_x - 3, tip_y - 3, 5, 5), flat(Rgb(255, 214, 60)));
    }
    // Front wing over the body.
    wing(262, 128, 64, 104, -0.25f, 0.55f);
    return bee;
}

}  // namespace pictures
