#include "render/render_target.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "render/gl_guards.h"
#include "support/gl_context.h"
#include "support/gl_state.h"

namespace {

GLint TextureLevel(GLuint texture, GLenum what) {
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

TEST(RenderTarget, TakesTheWindowSizeAndBindsItsView) {
    REQUIRE_GL();
    // A target may be larger than the window it was made for.
    SetWindowSize(1024, 768);
    RenderTarget target;
    EXPECT_EQ(1024, target.Width());
    EXPECT_EQ(768, target.Height());
    EXPECT_EQ(1024, TextureLevel(target.Texture(), GL_TEXTURE_WIDTH));
    EXPECT_EQ(768, TextureLevel(target.Texture(), GL_TEXTURE_HEIGHT));
    EXPECT_EQ(GL_RGBA8, TextureLevel(target.Texture(), GL_TEXTURE_INTERNAL_FORMAT));

    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    target.Bind();
    EXPECT_EQ((std::array<GLint, 4>{0, 0, 1024, 768}), Viewport());
    EXPECT_EQ(static_cast<GLint>(target.Framebuffer()), Integer(GL_FRAMEBUFFER_BINDING_EXT));
    // The standard perspective view with an identity modelview.
    GLfloat modelview[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(0.0f, modelview[12]);
    EXPECT_FLOAT_EQ(1.0f, modelview[0]);
    EXPECT_FLOAT_EQ(-1.0f, projection[11]);  // perspective divide by -z
    EXPECT_NEAR(1.0 / std::tan(20.0 * 3.14159265358979 / 180.0), projection[5], 1e-5);
    EXPECT_NEAR(projection[5] * 768.0 / 1024.0, projection[0], 1e-5);

    target.Unbind();
    EXPECT_EQ(0, Integer(GL_FRAMEBUFFER_BINDING_EXT));
    SetWindowSize(640, 480);
    ResetPerspective();
}

TEST(RenderTarget, StartsInTheClearColourAndLeavesItsTextureBound) {
    REQUIRE_GL();
    glClearColor(0.2f, 0.4f, 0.6f, 0.8f);
    RenderTarget target;
    glClearColor(0, 0, 0, 0);
    EXPECT_EQ(static_cast<GLint>(target.Texture()), Integer(GL_TEXTURE_BINDING_2D));
    EXPECT_EQ(0, Integer(GL_FRAMEBUFFER_BINDING_EXT));
    const std::vector<uint8_t> pixels = TexturePixels(target.Texture(), 640, 480);
    size_t wrong = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        if (pixels[i] != 51 || pixels[i + 1] != 102 || pixels[i + 2] != 153 || pixels[i + 3] != 204)
            ++wrong;
    }
    EXPECT_EQ(0u, wrong);
}

TEST(RenderTarget, DrawsIntoItsTextureWithoutDepthBuffer) {
    REQUIRE_GL();
    RenderTarget target;
    target.Bind();
    EXPECT_EQ(0, Integer(GL_DEPTH_BITS));
    GLint attachment = -1;
    glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                                             GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_EXT,
                                             &attachment);
    EXPECT_EQ(GL_NONE, attachment);

    // Red near the viewer first, then green far behind it: without a depth
    // buffer the green drawn last covers the red.
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glBegin(GL_TRIANGLES);
    glColor3f(1, 0, 0);
    glVertex3f(-1, -1, -2);
    glVertex3f(1, -1, -2);
    glVertex3f(0, 1, -2);
    glColor3f(0, 1, 0);
    glVertex3f(-10, -10, -20);
    glVertex3f(10, -10, -20);
    glVertex3f(0, 10, -20);
    glEnd();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    target.Unbind();

    // The window itself was not drawn on.
    EXPECT_EQ(0, PixelAt(320, 240).g);
    const std::vector<uint8_t> pixels = TexturePixels(target.Texture(), 640, 480);
    const uint8_t* centre = &pixels[(240 * 640 + 320) * 4];
    EXPECT_EQ(0, centre[0]);
    EXPECT_EQ(255, centre[1]);
}

TEST(RenderTarget, ItsTextureDrawsOnTheWindow) {
    REQUIRE_GL();
    glClearColor(0, 0, 1, 1);
    RenderTarget target;
    glClearColor(0, 0, 0, 0);
    {
        Ortho2DScope view;
        glTranslatef(0, 0, -2);
        glBindTexture(GL_TEXTURE_2D, target.Texture());
        glColor4f(1, 1, 1, 1);
        Quad(1, 1).Draw(1, 1);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    const Rgba p = PixelAt(100, 100);
    EXPECT_EQ(0, p.r);
    EXPECT_EQ(255, p.b);
}

}  // namespace
