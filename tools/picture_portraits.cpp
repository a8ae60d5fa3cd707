// The four portraits of the zoomer, drawn from shaded shapes on black (the
// zoomer lays them over its picture with "source colour" blending, so black
// is see-through). Each has its own head shape, palette and props.
#include <array>
#include <cmath>
#include <vector>

#include "picture_art.h"

namespace pictures {

namespace {

constexpr int kSize = 512;
constexpr float kPi = 3.14159265358979f;

// Lays col(x, y) over the picture with coverage cov(x, y).
template <class Cov, class Col>
void Paint(Image& img, Cov cov, Col col) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float a = cov(px, py);
            if (a > 0) img.at(x, y) = Mix(img.at(x, y), col(px, py), Clamp01(a));
        }
}

// Diffuse light on an ellipsoid seen face-on, lamp to the upper left.
float EllipsoidLight(float px, float py, float cx, float cy, float rx, float ry) {
    float nx = (px - cx) / rx, ny = (py - cy) / ry;
    float nz = std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
    float l = -0.45f * nx - 0.5f * ny + 0.74f * nz;
    return 0.3f + 0.8f * std::max(0.0f, l);
}

void ShadedEllipse(Image& img, float cx, float cy, float rx, float ry, Color base) {
    Paint(
        img,
        [&](float x, float y) { return Coverage(EllipseDistance(x, y, cx, cy, rx, ry), 1.5f); },
        [&](float x, float y) { return base * EllipsoidLight(x, y, cx, cy, rx, ry); });
}

void FlatEllipse(Image& img, float cx, float cy, float rx, float ry, Color c,
                 float softness = 1.5f) {
    Paint(
        img,
        [&](float x, float y) { return Coverage(EllipseDistance(x, y, cx, cy, rx, ry), softness); },
        [&](float, float) { return c; });
}

void Stroke(Image& img, float ax, float ay, float bx, float by, float width, Color c) {
    Paint(
        img,
        [&](float x, float y) {
            return Coverage(DistanceToSegment(x, y, ax, ay, bx, by) - width / 2);
        },
        [&](float, float) { return c; });
}

// Quadratic curve from a through control point b to c, as a stroke.
void Curve(Image& img, Point a, Point b, Point c, float width, Color col) {
    const int steps = 24;
    Point prev = a;
    for (int i = 1; i <= steps; ++i) {
        float t = static_cast<float>(i) / steps, s = 1 - t;
        Point p = {s * s * a[0] + 2 * s * t * b[0] + t * t * c[0],
                   s * s * a[1] + 2 * s * t * b[1] + t * t * c[1]};
        Stroke(img, prev[0], prev[1], p[0], p[1], width, col);
        prev = p;
    }
}

// A soft coloured disc behind the head.
void Halo(Image& img, float cx, float cy, float radius, Color c) {
    img.Fill([&](float x, float y) {
        float r = std::hypot(x - cx, y - cy) / radius;
        float ring = std::exp(-std::pow((r - 1) / 0.05f, 2.0f));
        return c * (0.35f * std::exp(-r * r * 1.2f) + 0.5f * ring) * Smooth(1.3f, 0.9f, r);
    });
}

// Eye: white, iris, pupil and glint; `lid` closes the top part.
void Eye(Image& img, float cx, float cy, float rx, float ry, Color iris, float look,
         float lid = 0) {
    float top = cy - ry + 2 * ry * lid;
    Paint(
        img,
        [&](float x, float y) {
            return Coverage(EllipseDistance(x, y, cx, cy, rx, ry), 1.2f) *
                   Smooth(top - 1, top + 1, y);
        },
        [&](float x, float y) {
            Color white = Rgb(245, 240, 235) * (0.75f + 0.25f * Smooth(cy + ry, cy - ry * 0.3f, y));
            float d = std::hypot(x - cx - look, y - cy);
            float ir = ry * 0.95f;
            if (d > ir + 1) return white;
            Color irisc = iris * (0.6f + 0.6f * (1 - d / ir));
            Color c = Mix(white, irisc, Smooth(ir + 1, ir - 1, d));
            c = Mix(c, Rgb(8, 6, 10), Smooth(ir * 0.45f + 1, ir * 0.45f - 1, d));
            float g = std::hypot(x - cx - look + ir * 0.35f, y - cy + ir * 0.35f);
            return Mix(c, Color{1, 1, 1}, Smooth(ir * 0.22f, ir * 0.12f, g));
        });
    Stroke(img, cx - rx, top + 1, cx + rx, top + 1, 3, Rgb(30, 15, 20));
}

}  // namespace

Image MakePortraitVex() {
    // Round lime face, flame-red spiky hair, big round glasses, wide grin.
    Image img(kSize, kSize);
    Halo(img, 256, 250, 205, Rgb(255, 40, 200));
    const float cx = 256, cy = 262;
    // Spikes of hair radiating from behind the head.
    for (int i = 0; i < 13; ++i) {
        float a = -kPi + 0.18f + i * (kPi - 0.36f) / 12;
        float len = 215 + 25 * std::sin(i * 2.3f);
        Point tip = {cx + len * std::cos(a), cy - 20 + len * std::sin(a)};
        Point l = {cx + 95 * std::cos(a - 0.28f), cy - 20 + 95 * std::sin(a - 0.28f)};
        Point r = {cx + 95 * std::cos(a + 0.28f), cy - 20 + 95 * std::sin(a + 0.28f)};
        std::vector<Point> spike = {tip, l, r};
        Color hair = i % 2 ? Rgb(255, 70, 30) : Rgb(255, 150, 40);
        Paint(
            img, [&](float x, float y) { return Coverage(PolygonDistance(x, y, spike)); },
            [&](float x, float y) {
                float t = Clamp01(std::hypot(x - cx, y - cy + 20) / len);
                return Mix(hair * 0.5f, hair, t);
            });
    }
    // Shoulders in a striped shirt, then neck.
    Paint(
        img,
        [&](float x, float y) { return Coverage(EllipseDistance(x, y, 256, 590, 230, 170), 1.5f); },
        [&](float x, float y) {
            float stripe = std::sin((x + y * 0.3f) * 0.16f) > 0 ? 1.0f : 0.7f;
            return Rgb(255, 200, 40) * (stripe * EllipsoidLight(x, y, 256, 590, 230, 170));
        });
    ShadedEllipse(img, 256, 400, 48, 70, Rgb(100, 180, 70));
    // Ears, head.
    ShadedEllipse(img, cx - 138, cy + 5, 22, 32, Rgb(110, 190, 80));
    ShadedEllipse(img, cx + 138, cy + 5, 22, 32, Rgb(110, 190, 80));
    ShadedEllipse(img, cx, cy, 140, 132, Rgb(140, 225, 95));
    // Grin: the band between two ellipses below the middle.
    Paint(
        img,
        [&](float x, float y) {
            float outer = EllipseDistance(x, y, cx, cy + 48, 72, 52);
            float inner = EllipseDistance(x, y, cx, cy + 30, 78, 44);
            return Coverage(std::max(outer, -inner)) * Smooth(cy + 50, cy + 54, y);
        },
        [&](float x, float y) {
            bool tooth = y < cy + 74 && std::fmod(x + 400, 22.0f) > 2.5f;
            return tooth ? Rgb(250, 250, 240) : Rgb(90, 10, 30);
        });
    // Nose.
    ShadedEllipse(img, cx, cy + 28, 16, 13, Rgb(110, 200, 80));
    // Glasses: eyes, lenses, frames.
    for (float side : {-1.0f, 1.0f}) {
        float ex = cx + side * 58, ey = cy - 22;
        FlatEllipse(img, ex, ey, 48, 48, Rgb(20, 30, 60));
        FlatEllipse(img, ex, ey, 40, 40, Rgb(160, 230, 255));
        Eye(img, ex, ey + 2, 25, 20, Rgb(150, 60, 220), side * 4);
        Paint(
            img,
            [&](float x, float y) {
                return Coverage(EllipseDistance(x, y, ex - 14, ey - 16, 12, 7)) * 0.35f;
            },
            [&](float, float) {
                return Color{1, 1, 1};
            });
    }
    Stroke(img, cx - 12, cy - 30, cx + 12, cy - 30, 7, Rgb(20, 30, 60));
    Stroke(img, cx - 105, cy - 30, cx - 140, cy - 22, 7, Rgb(20, 30, 60));
    Stroke(img, cx + 105, cy - 30, cx + 140, cy - 22, 7, Rgb(20, 30, 60));
    // Eyebrows raised high.
    Curve(img, {cx - 100, cy - 80}, {cx - 60, cy - 105}, {cx - 22, cy - 84}, 9, Rgb(200, 50, 20));
    Curve(img, {cx + 22, cy - 84}, {cx + 60, cy - 105}, {cx + 100, cy - 80}, 9, Rgb(200, 50, 20));
    return img;
}

Image MakePortraitMig() {
    // Oval warm face framed by long wavy blue-black hair, red dress, gold
    // earrings, a soft smile.
    Image img(kSize, kSize);
    Halo(img, 256, 240, 215, Rgb(40, 220, 200));
    const float cx = 256, cy = 232;
    auto hair = [&](float x, float y) {
        float wave = std::sin(x * 0.11f + std::sin(y * 0.03f) * 3);
        float n = Fbm(x / 14, y / 60, 3, 0, 0, 202);
        Color base = Mix(Rgb(10, 14, 45), Rgb(60, 80, 170), 0.5f + 0.3f * wave + 0.3f * (n - 0.5f));
        return base * EllipsoidLight(x, y, cx, 300, 175, 230);
    };
    // Long hair behind everything, ending in a wavy hem.
    Paint(
        img,
        [&](float x, float y) {
            float hem = 470 + 14 * std::sin(x * 0.07f);
            return Coverage(EllipseDistance(x, y, cx, 290, 172, 240), 1.5f) *
                   Smooth(hem + 2, hem - 2, y);
        },
        hair);
    // Dress and neck.
    Paint(
        img,
        [&](float x, float y) { return Coverage(EllipseDistance(x, y, 256, 600, 200, 170), 1.5f); },
        [&](float x, float y) {
            return Rgb(210, 30, 60) * EllipsoidLight(x, y, 256, 600, 200, 170);
        });
    Paint(
        img,
        [&](float x, float y) {
            return Coverage(PolygonDistance(
                x, y, {{206, 330}, {306, 330}, {316, 450}, {256, 478}, {196, 450}}));
        },
        [&](float, float y) { return Rgb(235, 180, 140) * (0.55f + 0.45f * Smooth(470, 360, y)); });
    // Face and ears with earrings.
    ShadedEllipse(img, cx - 104, cy + 12, 16, 26, Rgb(225, 160, 120));
    ShadedEllipse(img, cx + 104, cy + 12, 16, 26, Rgb(225, 160, 120));
    FlatEllipse(img, cx - 106, cy + 52, 9, 9, Rgb(255, 210, 60));
    FlatEllipse(img, cx + 106, cy + 52, 9, 9, Rgb(255, 210, 60));
    Paint(
        img,
        [&](float x, float y) { return Coverage(EllipseDistance(x, y, cx, cy, 104, 142), 1.5f); },
        [&](float x, float y) {
            Color skin = Rgb(250, 200, 160) * EllipsoidLight(x, y, cx, cy, 104, 142);
            float blush = std::exp(
                -(std::pow(std::abs(x - cx) - 55, 2.0f) + std::pow(y - cy - 38, 2.0f)) / 300);
            return Mix(skin, Rgb(250, 110, 120), blush * 0.45f);
        });
    // Eyes, lashes and brows.
    for (float side : {-1.0f, 1.0f}) {
        float ex = cx + side * 42, ey = cy + 2;
        Eye(img, ex, ey, 22, 13, Rgb(60, 140, 90), side * 2);
        Curve(img, {ex - 24, ey - 2}, {ex, ey - 20}, {ex + 24, ey - 2}, 4.5f, Rgb(20, 10, 20));
        Stroke(img, ex + side * 22, ey - 4, ex + side * 30, ey - 10, 3, Rgb(20, 10, 20));
        Curve(img, {ex - 24, ey - 28}, {ex, ey - 42}, {ex + 24, ey - 30}, 5, Rgb(40, 30, 60));
    }
    // Nose and smile.
    Curve(img, {cx + 4, cy + 20}, {cx + 12, cy + 50}, {cx - 4, cy + 56}, 3, Rgb(190, 120, 100));
    Paint(
        img,
        [&](float x, float y) {
            float upper = EllipseDistance(x, y, cx, cy + 82, 30, 9);
            float lower = EllipseDistance(x, y, cx, cy + 88, 26, 12);
            return Coverage(std::min(upper, lower));
        },
        [&](float, float y) {
            return Rgb(220, 50, 80) * (0.7f + 0.4f * Smooth(cy + 78, cy + 96, y));
        });
    Curve(img, {cx - 30, cy + 82}, {cx, cy + 90}, {cx + 30, cy + 82}, 2.5f, Rgb(120, 20, 40));
    // Fringe across the forehead with a wavy edge.
    Paint(
        img,
        [&](float x, float y) {
            float edge = cy - 62 + 0.004f * (x - cx) * (x - cx);
            return Coverage(EllipseDistance(x, y, cx, cy - 70, 126, 96), 1.5f) *
                   Smooth(edge + 2, edge - 2, y);
        },
        hair);
    return img;
}

Image MakePortraitQuill() {
    // Narrow angular violet face under a tall hat with a feather quill;
    // monocle, slanted golden eyes and a curled moustache.
    Image img(kSize, kSize);
    Halo(img, 256, 250, 215, Rgb(255, 160, 30));
    const float cx = 256, cy = 300;
    // Coat and high collar.
    Paint(
        img,
        [&](float x, float y) {
            return Coverage(PolygonDistance(x, y, {{90, 512}, {150, 430}, {362, 430}, {422, 512}}));
        },
        [&](float x, float) { return Rgb(30, 40, 90) * (0.6f + 0.4f * Smooth(100, 256, x)); });
    for (float side : {-1.0f, 1.0f})
        Paint(
            img,
            [&](float x, float y) {
                return Coverage(PolygonDistance(x, y,
                                                {{cx, 470},
                                                 {cx + side * 95, 400},
                                                 {cx + side * 60, 470},
                                                 {cx + side * 10, 512}}));
            },
            [&](float, float y) {
                return Rgb(240, 240, 250) * (0.7f + 0.3f * Smooth(470, 400, y));
            });
    Stroke(img, cx, 400, cx, 460, 40, Rgb(170, 150, 210));
    // The head: a long hexagon with a pointed chin.
    const std::vector<Point> head = {{cx - 70, cy - 120}, {cx + 70, cy - 120}, {cx + 82, cy + 10},
                                     {cx + 40, cy + 105}, {cx, cy + 130},      {cx - 40, cy + 105},
                                     {cx - 82, cy + 10}};
    Paint(
        img, [&](float x, float y) { return Coverage(PolygonDistance(x, y, head), 1.5f); },
        [&](float x, float y) {
            float shade =
                0.55f + 0.55f * Smooth(cx + 80, cx - 60, x) * Smooth(cy + 140, cy - 80, y);
            return Rgb(190, 160, 235) * shade;
        });
    // Sly eyes with heavy lids, monocle on the right.
    Eye(img, cx - 36, cy - 30, 22, 11, Rgb(255, 200, 40), 5, 0.35f);
    Eye(img, cx + 36, cy - 30, 22, 11, Rgb(255, 200, 40), 5, 0.35f);
    Stroke(img, cx - 62, cy - 55, cx - 14, cy - 45, 7, Rgb(40, 20, 60));
    Stroke(img, cx + 14, cy - 45, cx + 62, cy - 62, 7, Rgb(40, 20, 60));
    Paint(
        img,
        [&](float x, float y) {
            float d = std::abs(std::hypot(x - cx - 36, y - cy + 30) - 30) - 3.5f;
            return Coverage(d);
        },
        [&](float, float) { return Rgb(255, 210, 80); });
    Curve(img, {cx + 62, cy - 18}, {cx + 90, cy + 60}, {cx + 120, cy + 160}, 2.5f,
          Rgb(230, 190, 70));
    // Long nose, moustache, goatee.
    Paint(
        img,
        [&](float x, float y) {
            return Coverage(
                PolygonDistance(x, y, {{cx - 4, cy - 30}, {cx + 14, cy + 40}, {cx - 10, cy + 38}}));
        },
        [&](float x, float) {
            return Rgb(150, 120, 200) * (0.8f + 0.4f * Smooth(cx + 10, cx - 10, x));
        });
    for (float side : {-1.0f, 1.0f}) {
        Curve(img, {cx, cy + 52}, {cx + side * 40, cy + 40}, {cx + side * 58, cy + 64}, 7,
              Rgb(40, 20, 50));
        Curve(img, {cx + side * 58, cy + 64}, {cx + side * 66, cy + 74}, {cx + side * 56, cy + 46},
              4, Rgb(40, 20, 50));
    }
    Stroke(img, cx - 16, cy + 76, cx + 16, cy + 76, 3, Rgb(110, 40, 80));
    Paint(
        img,
        [&](float x, float y) {
            return Coverage(
                PolygonDistance(x, y, {{cx - 14, cy + 94}, {cx + 14, cy + 94}, {cx, cy + 150}}));
        },
        [&](float, float) { return Rgb(40, 20, 50); });
    // Top hat: brim, crown, band.
    Paint(
        img,
        [&](float x, float y) {
            return Coverage(PolygonDistance(x, y,
                                            {{cx - 82, cy - 122},
                                             {cx - 74, cy - 280},
                                             {cx + 74, cy - 280},
                                             {cx + 82, cy - 122}}));
        },
        [&](float x, float) {
            return Rgb(25, 20, 45) * (0.6f + 0.8f * std::exp(-std::pow((x - cx + 35) / 25, 2.0f)));
        });
    Paint(
        img,
        [&](float x, float y) {
            return Coverage(PolygonDistance(x, y,
                                            {{cx - 81, cy - 150},
                                             {cx - 80, cy - 172},
                                             {cx + 80, cy - 172},
                                             {cx + 81, cy - 150}}));
        },
        [&](float, float) { return Rgb(150, 40, 170); });
    ShadedEllipse(img, cx, cy - 120, 130, 18, Rgb(40, 35, 70));
    // The quill: a curved spine with barbs, tucked into the band.
    Point a = {cx + 60, cy - 160}, b = {cx + 130, cy - 260}, c = {cx + 40, cy - 380};
    const int barbs = 34;
    for (int i = 2; i < barbs; ++i) {
        float t = static_cast<float>(i) / barbs, s = 1 - t;
        Point p = {s * s * a[0] + 2 * s * t * b[0] + t * t * c[0],
                   s * s * a[1] + 2 * s * t * b[1] + t * t * c[1]};
        Point d = {2 * s * (b[0] - a[0]) + 2 * t * (c[0] - b[0]),
                   2 * s * (b[1] - a[1]) + 2 * t * (c[1] - b[1])};
        float len = std::hypot(d[0], d[1]);
        Point tan = {d[0] / len, d[1] / len};
        float w = 34 * std::sin(t * kPi * 0.95f + 0.1f);
        for (float side : {-1.0f, 1.0f}) {
            Point tip = {p[0] + side * -tan[1] * w + tan[0] * w * 0.45f,
                         p[1] + side * tan[0] * w + tan[1] * w * 0.45f};
            Color col = Mix(Rgb(80, 230, 255), Rgb(255, 255, 255), t);
            Stroke(img, p[0], p[1], tip[0], tip[1], 4.5f, col);
        }
    }
    Curve(img, a, b, c, 4, Rgb(255, 250, 230));
    return img;
}

Image MakePortraitBust() {
    // A marble bust on a plinth: veined stone, blank eyes, curls, golden
    // laurel wreath.
    Image img(kSize, kSize);
    Halo(img, 256, 220, 210, Rgb(60, 90, 255));
    const float cx = 256, cy = 215;
    auto marble = [&](float x, float y) {
        float n = Fbm(x / 90, y / 90, 4, 0, 0, 303);
        float vein = std::pow(1 - std::abs(std::sin((x * 0.6f + y) * 0.012f + n * 6)), 6.0f);
        float cloud = Fbm(x / 25, y / 25, 3, 0, 0, 304);
        return Mix(Rgb(242, 238, 230), Rgb(165, 165, 185), vein * 0.45f + (cloud - 0.5f) * 0.2f);
    };
    auto stone = [&](float cx0, float cy0, float rx, float ry) {
        return
            [=](float x, float y) { return marble(x, y) * EllipsoidLight(x, y, cx0, cy0, rx, ry); };
    };
    // Plinth.
    Paint(
        img,
        [&](float x, float y) {
            return Coverage(
                PolygonDistance(x, y, {{170, 440}, {342, 440}, {372, 512}, {140, 512}}));
        },
        [&](float x, float y) { return marble(x, y) * (0.5f + 0.4f * Smooth(140, 300, x)); });
    Paint(
        img,
        [&](float x, float y) {
            return Coverage(
                PolygonDistance(x, y, {{150, 428}, {362, 428}, {362, 446}, {150, 446}}));
        },
        [&](float x, float y) { return marble(x, y) * 0.85f; });
    // Chest cut in a curve, neck, head.
    Paint(
        img,
        [&](float x, float y) {
            float cut = 430;
            return Coverage(EllipseDistance(x, y, cx, 440, 165, 135), 1.5f) *
                   Smooth(cut + 1, cut - 1, y);
        },
        stone(cx, 440, 165, 135));
    Paint(
        img,
        [&](float x, float y) { return Coverage(EllipseDistance(x, y, cx, 330, 50, 70), 1.5f); },
        [&](float x, float y) {
            return marble(x, y) * (0.45f + 0.4f * Smooth(cx + 50, cx - 30, x));
        });
    ShadedEllipse(img, cx - 96, cy + 10, 15, 26, Rgb(200, 198, 195));
    ShadedEllipse(img, cx + 96, cy + 10, 15, 26, Rgb(200, 198, 195));
    Paint(
        img,
        [&](float x, float y) { return Coverage(EllipseDistance(x, y, cx, cy, 98, 128), 1.5f); },
        stone(cx, cy, 98, 128));
    // Blank eyes: shaded sockets with a lighter ball, heavy brow line.
    for (float side : {-1.0f, 1.0f}) {
        float ex = cx + side * 38, ey = cy + 2;
        Paint(
            img,
            [&](float x, float y) {
                return Coverage(EllipseDistance(x, y, ex, ey, 26, 15), 4) * 0.6f;
            },
            [&](float, float) { return Rgb(90, 90, 110); });
        ShadedEllipse(img, ex, ey + 1, 17, 9, Rgb(225, 222, 215));
        Curve(img, {ex - 26, ey - 18}, {ex, ey - 30}, {ex + 26, ey - 18}, 6, Rgb(130, 130, 145));
    }
    // Straight nose with a shadow on its right, closed lips, chin dimple.
    Paint(
        img,
        [&](float x, float y) {
            return Coverage(PolygonDistance(
                x, y,
                {{cx - 6, cy - 10}, {cx + 8, cy - 10}, {cx + 20, cy + 52}, {cx - 14, cy + 52}}));
        },
        [&](float x, float y) {
            return marble(x, y) * (0.55f + 0.5f * Smooth(cx + 20, cx - 10, x));
        });
    Curve(img, {cx - 26, cy + 80}, {cx, cy + 72}, {cx + 26, cy + 80}, 4, Rgb(120, 115, 125));
    ShadedEllipse(img, cx, cy + 88, 16, 6, Rgb(210, 205, 200));
    Paint(
        img,
        [&](float x, float y) {
            return Coverage(EllipseDistance(x, y, cx, cy + 112, 8, 5), 3) * 0.5f;
        },
        [&](float, float) { return Rgb(130, 130, 140); });
    // Curls over the crown, painted back to front.
    Random rng(404);
    for (int i = 0; i < 70; ++i) {
        float a = rng.Range(-kPi * 0.98f, -kPi * 0.02f);
        float rr = rng.Range(0.72f, 1.05f);
        float x0 = cx + 104 * rr * std::cos(a), y0 = cy - 12 + 128 * rr * std::sin(a);
        if (y0 > cy - 40 && std::abs(x0 - cx) < 80) continue;
        float r = rng.Range(13, 20);
        Paint(
            img, [&](float x, float y) { return Coverage(std::hypot(x - x0, y - y0) - r, 1.5f); },
            [&](float x, float y) {
                float swirl = 0.75f + 0.25f * std::sin(std::atan2(y - y0, x - x0) * 2 +
                                                       std::hypot(x - x0, y - y0) * 0.5f);
                return marble(x, y) * (EllipsoidLight(x, y, x0, y0, r, r) * swirl);
            });
    }
    // Laurel wreath: gold leaves along an arc over the forehead.
    for (int i = 0; i < 16; ++i) {
        float t = static_cast<float>(i) / 15;
        float a = -kPi * (0.1f + 0.8f * t);
        float x0 = cx + 112 * std::cos(a), y0 = cy - 20 + 100 * std::sin(a);
        float tilt = a + kPi / 2 + (i % 2 ? 0.6f : -0.6f);
        float lx = x0 + 20 * std::cos(tilt), ly = y0 + 20 * std::sin(tilt);
        Paint(
            img,
            [&](float x, float y) {
                float ux = (x - (x0 + lx) / 2), uy = (y - (y0 + ly) / 2);
                float along = ux * std::cos(tilt) + uy * std::sin(tilt);
                float across = -ux * std::sin(tilt) + uy * std::cos(tilt);
                return Coverage(EllipseDistance(along, across, 0, 0, 17, 7), 1.2f);
            },
            [&](float x, float y) {
                return Mix(Rgb(150, 100, 20), Rgb(255, 220, 90),
                           Smooth(y0 + 12, y0 - 12, y) * 0.6f +
                               0.4f * HashUnit(static_cast<int>(x), i, 5) * 0.3f);
            });
    }
    return img;
}

}  // namespace pictures
