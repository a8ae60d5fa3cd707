// Canvas for the picture generators: float RGB images, coverage masks,
// tileable noise, soft shapes and file output.
//
// Everything here is plain CPU code with no global state, so every picture
// comes out the same on every run. Coordinates are pixels with (0, 0) at the
// top-left corner and y growing downwards; row 0 is the top row of the saved
// file. Colours are linear floats, nominally 0..1, clamped only on saving.
// SaveJpeg/SavePng return false (and write nothing useful) when FreeImage
// cannot allocate or write the file; they never throw.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pictures {

struct Color {
    float r = 0, g = 0, b = 0;
};

inline Color operator+(Color a, Color b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Color operator-(Color a, Color b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Color operator*(Color a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Color operator*(Color a, Color b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Color Rgb(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }
Color Mix(Color a, Color b, float t);
// Colour of a palette of stops spread evenly over 0..1.
Color Ramp(const std::vector<Color>& stops, float t);
float Luma(Color c);

float Clamp01(float x);
float Smooth(float edge0, float edge1, float x);
float Lerp(float a, float b, float t);

class Image {
public:
    Image(int width, int height, Color fill = {});
    int width() const { return width_; }
    int height() const { return height_; }
    Color& at(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    const Color& at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    // Bilinear sample at pixel coordinates, wrapping around both edges.
    Color SampleWrapped(float x, float y) const;
    // Fills every pixel from f(x, y) evaluated at the pixel centre.
    template <class F>
    void Fill(F f) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) at(x, y) = f(x + 0.5f, y + 0.5f);
    }

    // An alpha channel (0 transparent .. 1 opaque) for pictures laid over
    // others by their alpha. Images start without one; SavePng writes it,
    // SaveJpeg ignores it.
    bool has_alpha() const { return !alpha_.empty(); }
    void EnableAlpha(float fill) { alpha_.assign(pixels_.size(), fill); }
    float& alpha(int x, int y) { return alpha_[static_cast<size_t>(y) * width_ + x]; }
    float alpha(int x, int y) const { return alpha_[static_cast<size_t>(y) * width_ + x]; }

private:
    int width_, height_;
    std::vector<Color> pixels_;
    std::vector<float> alpha_;
};

// One float per pixel, used for coverage and height fields.
class Mask {
public:
    Mask(int width, int height, float fill = 0);
    int width() const { return width_; }
    int height() const { return height_; }
    float& at(int x, int y) { return values_[static_cast<size_t>(y) * width_ + x]; }
    float at(int x, int y) const { return values_[static_cast<size_t>(y) * width_ + x]; }
    // Value at clamped coordinates (outside pixels repeat the edge).
    float Clamped(int x, int y) const;

private:
    int width_, height_;
    std::vector<float> values_;
};

// Three box passes per axis, close to a Gaussian of the given radius.
Mask Blur(const Mask& mask, int radius);

// Lays `color` over the image where the mask covers it (alpha = mask * opacity).
// On an image with alpha the layer is laid "over" in straight alpha: the
// alpha grows, and where the image was fully transparent its colour becomes
// the layer's (so filtering at the picture's edges blends towards the layer
// colour, never towards black).
void Composite(Image& image, const Mask& mask, Color color, float opacity = 1);
// Adds `color` scaled by the mask.
void AddGlow(Image& image, const Mask& mask, Color color);

// Integer hash of two coordinates and a seed, and its value in [0, 1).
uint32_t Hash(int x, int y, uint32_t seed);
float HashUnit(int x, int y, uint32_t seed);

// Value noise on a lattice of unit cells; with a period > 0 the lattice
// repeats after that many cells along that axis, so a picture that spans
// exactly one period tiles without a seam.
float Noise(float x, float y, int period_x, int period_y, uint32_t seed);
// Sum of `octaves` noise layers, each of double frequency and half weight;
// the periods double with the frequency. Result roughly 0..1.
float Fbm(float x, float y, int octaves, int period_x, int period_y, uint32_t seed);

// Distances to the nearest and second nearest of one jittered point per
// cell (cells of unit size; periodic like Noise).
struct CellDistances {
    float f1, f2;
};
CellDistances Cells(float x, float y, int period_x, int period_y, uint32_t seed);

// Small deterministic generator for layouts (stars, sparks, petals).
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed * 747796405u + 2891336453u) {}
    float Unit();  // [0, 1)
    float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }

private:
    uint32_t state_;
};

// Signed distance helpers (negative inside).
float DistanceToSegment(float px, float py, float ax, float ay, float bx, float by);
float EllipseDistance(float px, float py, float cx, float cy, float rx, float ry);
// Distance to a closed polygon of pixel points (negative inside).
using Point = std::array<float, 2>;
float PolygonDistance(float px, float py, const std::vector<Point>& points);

// Coverage of a signed distance with a one-pixel soft edge (softness widens it).
float Coverage(float signed_distance, float softness = 1);

bool SaveJpeg(const Image& image, const std::string& path, int quality = 90);
bool SavePng(const Image& image, const std::string& path);
// Packs the image into 8-bit RGB bytes, top row first.
std::vector<uint8_t> ToRgb8(const Image& image);
// Packs it into 8-bit RGBA bytes, top row first (alpha 255 without alpha).
std::vector<uint8_t> ToRgba8(const Image& image);

}  // namespace pictures
