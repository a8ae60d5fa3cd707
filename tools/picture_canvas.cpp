// Canvas for the picture generators; see picture_canvas.h.
#include "picture_canvas.h"

#include <FreeImage.h>

#include <algorithm>
#include <cmath>

namespace pictures {

float Clamp01(float x) { return x < 0 ? 0 : (x > 1 ? 1 : x); }

float Smooth(float edge0, float edge1, float x) {
    float t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

float Lerp(float a, float b, float t) { return a + (b - a) * t; }

Color Mix(Color a, Color b, float t) {
    return {Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t)};
}

Color Ramp(const std::vector<Color>& stops, float t) {
    if (stops.empty()) return {};
    if (stops.size() == 1) return stops[0];
    float x = Clamp01(t) * (stops.size() - 1);
    size_t i = std::min(static_cast<size_t>(x), stops.size() - 2);
    return Mix(stops[i], stops[i + 1], x - i);
}

float Luma(Color c) { return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b; }

Image::Image(int width, int height, Color fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

Color Image::SampleWrapped(float x, float y) const {
    x -= 0.5f;
    y -= 0.5f;
    float fx = std::floor(x), fy = std::floor(y);
    float tx = x - fx, ty = y - fy;
    auto wrap = [](int v, int n) { return ((v % n) + n) % n; };
    int x0 = wrap(static_cast<int>(fx), width_), x1 = wrap(x0 + 1, width_);
    int y0 = wrap(static_cast<int>(fy), height_), y1 = wrap(y0 + 1, height_);
    return Mix(Mix(at(x0, y0), at(x1, y0), tx), Mix(at(x0, y1), at(x1, y1), tx), ty);
}

Mask::Mask(int width, int height, float fill)
    : width_(width), height_(height), values_(static_cast<size_t>(width) * height, fill) {}

float Mask::Clamped(int x, int y) const {
    x = std::clamp(x, 0, width_ - 1);
    y = std::clamp(y, 0, height_ - 1);
    return at(x, y);
}

namespace {

// One box pass of width 2r+1 along a line of n values spaced `stride` apart.
void BoxLine(float* values, int n, int stride, int r, std::vector<float>& scratch) {
    scratch.resize(n);
    for (int i = 0; i < n; ++i) scratch[i] = values[i * stride];
    float sum = 0;
    auto get = [&](int i) { return scratch[std::clamp(i, 0, n - 1)]; };
    for (int i = -r; i <= r; ++i) sum += get(i);
    float norm = 1.0f / (2 * r + 1);
    for (int i = 0; i < n; ++i) {
        values[i * stride] = sum * norm;
        sum += get(i + r + 1) - get(i - r);
    }
}

}  // namespace

Mask Blur(const Mask& mask, int radius) {
    Mask out = mask;
    if (radius <= 0) return out;
    int r = std::max(1, radius / 2);
    std::vector<float> scratch;
    float* base = &out.at(0, 0);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < out.height(); ++y)
            BoxLine(base + y * out.width(), out.width(), 1, r, scratch);
        for (int x = 0; x < out.width(); ++x)
            BoxLine(base + x, out.height(), out.width(), r, scratch);
    }
    return out;
}

void Composite(Image& image, const Mask& mask, Color color, float opacity) {
    const bool straight = image.has_alpha();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            float a = Clamp01(mask.at(x, y) * opacity);
            if (a <= 0) continue;
            if (!straight) {
                image.at(x, y) = Mix(image.at(x, y), color, a);
                continue;
            }
            // Straight alpha "over": colour weighted by each layer's share.
            float below = image.alpha(x, y) * (1 - a);
            float total = a + below;
            image.at(x, y) = (color * a + image.at(x, y) * below) * (1 / total);
            image.alpha(x, y) = total;
        }
}

void AddGlow(Image& image, const Mask& mask, Color color) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.at(x, y) = image.at(x, y) + color * mask.at(x, y);
}

uint32_t Hash(int x, int y, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float HashUnit(int x, int y, uint32_t seed) {
    return (Hash(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

namespace {

int Wrap(int v, int period) {
    if (period <= 0) return v;
    return ((v % period) + period) % period;
}

float Fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

}  // namespace

float Noise(float x, float y, int period_x, int period_y, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = Fade(x - fx), ty = Fade(y - fy);
    auto v = [&](int dx, int dy) {
        return HashUnit(Wrap(ix + dx, period_x), Wrap(iy + dy, period_y), seed);
    };
    return Lerp(Lerp(v(0, 0), v(1, 0), tx), Lerp(v(0, 1), v(1, 1), tx), ty);
}

float Fbm(float x, float y, int octaves, int period_x, int period_y, uint32_t seed) {
    float sum = 0, weight = 0.5f, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * Noise(x, y, period_x, period_y, seed + 101u * o);
        total += weight;
        x *= 2;
        y *= 2;
        period_x *= 2;
        period_y *= 2;
        weight *= 0.5f;
    }
    return sum / total;
}

CellDistances Cells(float x, float y, int period_x, int period_y, uint32_t seed) {
    int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    float f1 = 1e9f, f2 = 1e9f;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            int cx = ix + dx, cy = iy + dy;
            int hx = Wrap(cx, period_x), hy = Wrap(cy, period_y);
            float px = cx + 0.1f + 0.8f * HashUnit(hx, hy, seed);
            float py = cy + 0.1f + 0.8f * HashUnit(hx, hy, seed + 7u);
            float d = std::hypot(px - x, py - y);
            if (d < f1) {
                f2 = f1;
                f1 = d;
            } else if (d < f2) {
                f2 = d;
            }
        }
    return {f1, f2};
}

float Random::Unit() {
    state_ = state_ * 747796405u + 2891336453u;
    uint32_t word = ((state_ >> ((state_ >> 28u) + 4u)) ^ state_) * 277803737u;
    word = (word >> 22u) ^ word;
    return (word >> 8) * (1.0f / 16777216.0f);
}

float DistanceToSegment(float px, float py, float ax, float ay, float bx, float by) {
    float dx = bx - ax, dy = by - ay;
    float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? Clamp01(((px - ax) * dx + (py - ay) * dy) / len2) : 0;
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

float EllipseDistance(float px, float py, float cx, float cy, float rx, float ry) {
    // Scaled-circle approximation: exact on the axes, good enough for art.
    float nx = (px - cx) / rx, ny = (py - cy) / ry;
    float k = std::sqrt(nx * nx + ny * ny);
    float grad = std::sqrt(nx * nx / (rx * rx) + ny * ny / (ry * ry));
    if (grad < 1e-6f) return -std::min(rx, ry);
    return (k - 1) * k / grad;
}

float PolygonDistance(float px, float py, const std::vector<Point>& points) {
    float d = 1e9f;
    bool inside = false;
    for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
        const Point& a = points[i];
        const Point& b = points[j];
        d = std::min(d, DistanceToSegment(px, py, a[0], a[1], b[0], b[1]));
        if ((a[1] > py) != (b[1] > py) && px < (b[0] - a[0]) * (py - a[1]) / (b[1] - a[1]) + a[0])
            inside = !inside;
    }
    return inside ? -d : d;
}

float Coverage(float signed_distance, float softness) {
    return Clamp01(0.5f - signed_distance / softness);
}

std::vector<uint8_t> ToRgb8(const Image& image) {
    std::vector<uint8_t> bytes(static_cast<size_t>(image.width()) * image.height() * 3);
    size_t i = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const Color& c = image.at(x, y);
            for (float v : {c.r, c.g, c.b})
                bytes[i++] = static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f));
        }
    return bytes;
}

std::vector<uint8_t> ToRgba8(const Image& image) {
    std::vector<uint8_t> bytes(static_cast<size_t>(image.width()) * image.height() * 4);
    size_t i = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const Color& c = image.at(x, y);
            const float a = image.has_alpha() ? image.alpha(x, y) : 1.0f;
            for (float v : {c.r, c.g, c.b, a})
                bytes[i++] = static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f));
        }
    return bytes;
}

namespace {

bool Save(const Image& image, const std::string& path, FREE_IMAGE_FORMAT format, int flags,
          bool with_alpha) {
    const int channels = with_alpha ? 4 : 3;
    FIBITMAP* dib = FreeImage_Allocate(image.width(), image.height(), channels * 8);
    if (!dib) return false;
    std::vector<uint8_t> bytes = with_alpha ? ToRgba8(image) : ToRgb8(image);
    for (int y = 0; y < image.height(); ++y) {
        // FreeImage keeps the bottom row first and bytes in blue, green, red order.
        BYTE* line = FreeImage_GetScanLine(dib, image.height() - 1 - y);
        const uint8_t* src = &bytes[static_cast<size_t>(y) * image.width() * channels];
        for (int x = 0; x < image.width(); ++x) {
            line[x * channels + FI_RGBA_RED] = src[x * channels];
            line[x * channels + FI_RGBA_GREEN] = src[x * channels + 1];
            line[x * channels + FI_RGBA_BLUE] = src[x * channels + 2];
            if (with_alpha) line[x * channels + FI_RGBA_ALPHA] = src[x * channels + 3];
        }
    }
    bool ok = FreeImage_Save(format, dib, path.c_str(), flags) != 0;
    FreeImage_Unload(dib);
    return ok;
}

}  // namespace

bool SaveJpeg(const Image& image, const std::string& path, int quality) {
    return Save(image, path, FIF_JPEG,
                quality | JPEG_SUBSAMPLING_444 | JPEG_OPTIMIZE | JPEG_BASELINE, false);
}

bool SavePng(const Image& image, const std::string& path) {
    return Save(image, path, FIF_PNG, PNG_Z_BEST_COMPRESSION, image.has_alpha());
}

}  // namespace pictures
