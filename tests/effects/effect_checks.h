// Checks shared by the effect tests: the GL state the frame loop gives every
// effect (and every effect leaves), running code in another working folder
// (effects load from data/), and flat test pictures. Needs a current GL
// context (EnsureGlContext) for the GL checks.
#pragma once

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include "support/gl_state.h"
#include "support/test_paths.h"

// Blending, fog and depth testing off, GL_TEXTURE_2D on with texture 0, no
// program, the standard 40-degree perspective view of a 640 x 480 window with
// an identity modelview matrix, no GL error.
inline void ExpectFrameLoopState(const char* effect) {
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

// Runs `fn` with `dir` as the working folder, and returns to where it was.
template <class Fn>
void InDirectory(const std::string& dir, Fn fn) {
    char here[4096];
    ASSERT_NE(nullptr, getcwd(here, sizeof here));
    ASSERT_EQ(0, chdir(dir.c_str()));
    try {
        fn();
    } catch (...) {
        EXPECT_EQ(0, chdir(here));
        throw;
    }
    ASSERT_EQ(0, chdir(here));
}

// Writes an 8 x 8 PNG of one colour at dir/relative and returns its path.
inline std::string WriteFlatPicture(const ScratchDir& dir, const std::string& relative, int r,
                                    int g, int b) {
    const std::string path = dir.Write(relative, "");
    FIBITMAP* dib = FreeImage_Allocate(8, 8, 24);
    RGBQUAD q;
    q.rgbRed = static_cast<BYTE>(r);
    q.rgbGreen = static_cast<BYTE>(g);
    q.rgbBlue = static_cast<BYTE>(b);
    q.rgbReserved = 255;
    for (unsigned y = 0; y < 8; ++y)
        for (unsigned x = 0; x < 8; ++x) FreeImage_SetPixelColor(dib, x, y, &q);
    EXPECT_TRUE(FreeImage_Save(FIF_PNG, dib, path.c_str(), 0));
    FreeImage_Unload(dib);
    return path;
}
