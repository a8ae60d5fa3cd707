// TexelCoverage: where a texture's picture is not black, so that a caller
// can leave out the parts of a textured quad that cannot change the frame
// (with a blend like GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR a black texel
// leaves the colour beneath exactly as it was).
//
// Read() copies level 0 of a GL texture back once (glGetTexImage) and keeps a
// summed-area table of its texels whose red, green and blue are not all 0,
// padded by one texel on each side with the texel from the opposite edge
// (GL_REPEAT), so a query may reach one texel beyond the picture, as a
// bilinear sample at the edge does. A texture without an image gives an
// empty coverage. Needs a current GL context for Read() only; queries are
// pure and allocate nothing.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <vector>

#include "render/texture.h"

class TexelCoverage {
public:
    // Reads the texture; leaves texture 0 bound.
    void Read(GLuint texture);
    // From RGBA bytes, first row first (for tests).
    void Build(const uint8_t* rgba, int width, int height);

    bool Empty() const { return width_ == 0 || height_ == 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // True when a texel that is not black lies in columns u0..u1 and rows
    // v0..v1 (inclusive). Indices are clamped to -1 .. width (height), the
    // padding; an empty range holds none.
    bool AnyLit(int u0, int v0, int u1, int v1) const;

private:
    int width_ = 0, height_ = 0;
    // (width + 3) x (height + 3): sums_[(v + 1) * stride + (u + 1)] counts
    // the lit texels of the padded picture in columns < u and rows < v,
    // padded index 0 being texel -1.
    std::vector<uint32_t> sums_;
};

// The coverage of a loaded picture, read when it is followed and again
// whenever the picture reloads (--watch).
class PictureCoverage : public TexelCoverage, public TextureImageListener {
public:
    PictureCoverage() = default;
    ~PictureCoverage() override;
    PictureCoverage(const PictureCoverage&) = delete;
    PictureCoverage& operator=(const PictureCoverage&) = delete;

    // Follows `texture`, which must outlive this or be followed no more.
    void Follow(CTextureFreeImage& texture);
    void ImageChanged(GLuint texture) override { Read(texture); }

private:
    CTextureFreeImage* texture_ = nullptr;
};
