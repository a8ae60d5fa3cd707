#include "support/effect_fixtures.h"

#include <FreeImage.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "support/gl_state.h"

void ExpectFrameLoopState(const char* effect) {
    SCOPED_TRACE(effect);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(0, Integer(GL_TEXTURE_BINDING_2D));
    EXPECT_EQ(0, Integer(GL_CURRENT_PROGRAM));
    EXPECT_EQ(GL_TRUE, Integer(GL_DEPTH_WRITEMASK));
    EXPECT_EQ(GL_MODELVIEW, Integer(GL_MATRIX_MODE));
    EXPECT_EQ(1, Integer(GL_MODELVIEW_STACK_DEPTH));
    EXPECT_EQ(1, Integer(GL_PROJECTION_STACK_DEPTH));
    const std::array<GLint, 4> viewport = Viewport();
    EXPECT_EQ(640, viewport[2]);
    EXPECT_EQ(480, viewport[3]);
    const std::array<float, 16> m = Matrix(GL_MODELVIEW_MATRIX);
    const std::array<float, 16> p = Matrix(GL_PROJECTION_MATRIX);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(i % 5 == 0 ? 1.0f : 0.0f, m[i]) << i;
    EXPECT_FLOAT_EQ(-1.0f, p[11]);
    EXPECT_NEAR(640.0 / 480.0, p[5] / p[0], 1e-5);
    EXPECT_NEAR(1.0 / std::tan(20.0 * M_PI / 180.0), p[5], 1e-5);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

std::string WriteFlatPicture(const ScratchDir& dir, const std::string& relative, int r, int g,
                             int b, int alpha) {
    const std::string path = dir.Write(relative, "");
    const bool with_alpha = alpha < 255;
    FIBITMAP* dib = FreeImage_Allocate(8, 8, with_alpha ? 32 : 24);
    for (int y = 0; y < 8; ++y) {
        BYTE* line = FreeImage_GetScanLine(dib, y);
        for (int x = 0; x < 8; ++x) {
            BYTE* p = line + x * (with_alpha ? 4 : 3);
            p[FI_RGBA_RED] = static_cast<BYTE>(r);
            p[FI_RGBA_GREEN] = static_cast<BYTE>(g);
            p[FI_RGBA_BLUE] = static_cast<BYTE>(b);
            if (with_alpha) p[FI_RGBA_ALPHA] = static_cast<BYTE>(alpha);
        }
    }
    EXPECT_TRUE(FreeImage_Save(FIF_PNG, dib, path.c_str(), 0));
    FreeImage_Unload(dib);
    return path;
}

const char* BrokenPictureName(BrokenPicture kind) {
    switch (kind) {
        case BrokenPicture::kMissing: return "missing";
        case BrokenPicture::kTruncated: return "truncated";
        case BrokenPicture::kNotAnImage: return "not an image";
    }
    return "?";
}

void WriteBrokenPicture(const ScratchDir& dir, const std::string& relative, BrokenPicture kind) {
    if (kind == BrokenPicture::kMissing) return;
    if (kind == BrokenPicture::kNotAnImage) {
        dir.Write(relative, "this is a caption, not a picture\n");
        return;
    }
    // A real 64 x 64 PNG with varied pixels, cut off halfway.
    const std::string path = dir.Write(relative, "");
    FIBITMAP* dib = FreeImage_Allocate(64, 64, 24);
    for (int y = 0; y < 64; ++y) {
        BYTE* line = FreeImage_GetScanLine(dib, y);
        for (int x = 0; x < 64 * 3; ++x) line[x] = static_cast<BYTE>((x * 7 + y * 13) ^ (x * y));
    }
    EXPECT_TRUE(FreeImage_Save(FIF_PNG, dib, path.c_str(), 0));
    FreeImage_Unload(dib);
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ASSERT_GT(bytes.size(), 200u);
    dir.Write(relative, bytes.substr(0, bytes.size() / 2));
}

std::array<float, 4> CurrentColour() {
    std::array<float, 4> c{};
    glGetFloatv(GL_CURRENT_COLOR, c.data());
    return c;
}
