#include "render/texel_coverage.h"

#include <algorithm>

void TexelCoverage::Read(GLuint texture) {
    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<uint8_t> rgba;
    if (width > 0 && height > 0) {
        rgba.resize(static_cast<size_t>(width) * height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    Build(rgba.data(), rgba.empty() ? 0 : width, rgba.empty() ? 0 : height);
}

void TexelCoverage::Build(const uint8_t* rgba, int width, int height) {
    width_ = width;
    height_ = height;
    sums_.clear();
    if (Empty()) return;
    const int padded_w = width + 2, padded_h = height + 2, stride = padded_w + 1;
    sums_.assign(static_cast<size_t>(stride) * (padded_h + 1), 0);
    for (int py = 0; py < padded_h; ++py) {
        const int v = (py - 1 + height) % height;
        for (int px = 0; px < padded_w; ++px) {
            const int u = (px - 1 + width) % width;
            const uint8_t* t = rgba + (static_cast<size_t>(v) * width + u) * 4;
            const uint32_t lit = (t[0] | t[1] | t[2]) != 0 ? 1 : 0;
            sums_[(py + 1) * stride + px + 1] = lit + sums_[py * stride + px + 1] +
                                                sums_[(py + 1) * stride + px] -
                                                sums_[py * stride + px];
        }
    }
}

bool TexelCoverage::AnyLit(int u0, int v0, int u1, int v1) const {
    if (Empty()) return false;
    u0 = std::max(u0, -1);
    v0 = std::max(v0, -1);
    u1 = std::min(u1, width_);
    v1 = std::min(v1, height_);
    if (u0 > u1 || v0 > v1) return false;
    const int stride = width_ + 3;
    // Padded indices: texel i is i + 1; the table is one past them.
    const auto at = [&](int u, int v) { return sums_[static_cast<size_t>(v) * stride + u]; };
    const int x0 = u0 + 1, y0 = v0 + 1, x1 = u1 + 2, y1 = v1 + 2;
    return at(x1, y1) - at(x0, y1) - at(x1, y0) + at(x0, y0) > 0;
}

PictureCoverage::~PictureCoverage() {
    if (texture_) texture_->SetImageListener(nullptr);
}

void PictureCoverage::Follow(CTextureFreeImage& texture) {
    texture_ = &texture;
    texture.SetImageListener(this);
}
