#include "support/effect_fixtures.h"

#include <FreeImage.h>

#include <cmath>

#include "support/gl_state.h"

void WriteFlatImage(const ScratchDir& dir, const std::string& relative, int r, int g, int b) {
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
}

void ExpectFrameLoopState(const char* effect) {
    SCOPED_TRACE(effect);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(0, Integer(GL_TEXTURE_BINDING_2D));
    EXPECT_EQ(0, Integer(GL_CURRENT_PROGRAM));
    EXPECT_EQ(GL_MODELVIEW, Integer(GL_MATRIX_MODE));
    EXPECT_EQ(1, Integer(GL_MODELVIEW_STACK_DEPTH));
    EXPECT_EQ(1, Integer(GL_PROJECTION_STACK_DEPTH));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(640, viewport[2]);
    EXPECT_EQ(480, viewport[3]);
    GLfloat m[16], p[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(i % 5 == 0 ? 1.0f : 0.0f, m[i]) << i;
    EXPECT_FLOAT_EQ(-1.0f, p[11]);
    EXPECT_NEAR(640.0 / 480.0, p[5] / p[0], 1e-5);
    EXPECT_NEAR(1.0 / std::tan(20.0 * M_PI / 180.0), p[5], 1e-5);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}
