#include "render/render_target.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "render/drawing_buffer.h"
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

// The feedback steps, by pixels. Marks are drawn into a source target in the
// 2D view (x right, y down, both -1 .. 1): a red block centred at (-0.5,
// -0.5), upper left, and a green dot at (0.8, 0), right of the centre. A step
// draws the source texture over the 2D view, texture row 0 at the top: a mark
// at (x, y) of the source lands at s R(a) (x, -y) of the target, a mirror
// top to bottom, then the enlargement s and the turn a (glRotatef about z:
// +x turns towards +y, down the screen). The next step mirrors again, so the
// feedback loop (zoom into A, copy back into B) keeps the picture's
// orientation from one update to the next.
struct Point {
    double x, y;
};

void DrawMarks(RenderTarget& target) {
    target.Bind();
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    {
        Ortho2DScope view;
        glTranslatef(0, 0, -2);
        glColor3f(1, 0, 0);
        Quad block(0.1f, 0.1f);
        block.position = Vec3(-0.5f, -0.5f, 0);
        block.Draw(1, 1);
        glColor3f(0, 1, 0);
        Quad dot(0.03f, 0.04f);
        dot.position = Vec3(0.8f, 0, 0);
        dot.Draw(1, 1);
    }
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    target.Unbind();
}

// Centre of one colour channel, weighted by its value, in 2D-view coordinates.
Point Centroid(const std::vector<uint8_t>& pixels, int channel, int width, int height) {
    double sum = 0, x = 0, y = 0;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const double v = pixels[(static_cast<size_t>(row) * width + column) * 4 + channel];
            sum += v;
            x += v * (column + 0.5);
            y += v * (row + 0.5);
        }
    }
    // Row 0 is the bottom of the target, where the 2D view has y = 1.
    return {x / sum / width * 2 - 1, 1 - y / sum / height * 2};
}

// Where a source point lands after one step.
Point Step(Point p, double scale, double degrees) {
    const double a = degrees * 3.14159265358979 / 180, mx = p.x * scale, my = -p.y * scale;
    return {mx * std::cos(a) - my * std::sin(a), mx * std::sin(a) + my * std::cos(a)};
}

void ExpectAt(Point expected, Point seen, const char* what) {
    // About one pixel of the 640 x 480 target.
    EXPECT_NEAR(expected.x, seen.x, 0.004) << what;
    EXPECT_NEAR(expected.y, seen.y, 0.005) << what;
}

TEST(FeedbackSteps, TheCopyMirrorsTopToBottomAndChangesNothingElse) {
    REQUIRE_GL();
    const int w = WindowWidth(), h = WindowHeight();
    RenderTarget source, copy;
    DrawMarks(source);
    const std::vector<uint8_t> marks = TexturePixels(source.Texture(), w, h);
    ExpectAt({-0.5, -0.5}, Centroid(marks, 0, w, h), "red block as drawn");
    ExpectAt({0.8, 0}, Centroid(marks, 1, w, h), "green dot as drawn");

    CopyRenderTarget(copy, source);
    const std::vector<uint8_t> copied = TexturePixels(copy.Texture(), w, h);
    size_t different = 0;
    const size_t row_bytes = static_cast<size_t>(w) * 4;
    for (int row = 0; row < h; ++row) {
        for (size_t i = 0; i < row_bytes; ++i) {
            different +=
                std::abs(copied[row * row_bytes + i] - marks[(h - 1 - row) * row_bytes + i]) > 1;
        }
    }
    EXPECT_EQ(0u, different);
    ExpectAt({-0.5, 0.5}, Centroid(copied, 0, w, h), "red block, mirrored");
    EXPECT_EQ(0, Integer(GL_FRAMEBUFFER_BINDING_EXT));
    EXPECT_EQ(0, Integer(GL_TEXTURE_BINDING_2D));
}

TEST(FeedbackSteps, TheZoomEnlargesAndTurnsAboutTheCentre) {
    REQUIRE_GL();
    const int w = WindowWidth(), h = WindowHeight();
    RenderTarget source, zoomed;
    DrawMarks(source);
    // The zoomer's 2 % and the video's 1 %, unturned and turned.
    for (const float scale : {1.02f, 1.01f}) {
        for (const float degrees : {0.0f, 1.0f, -30.0f, 30.0f}) {
            DrawZoomedCopy(zoomed, source, scale, degrees);
            const std::vector<uint8_t> seen = TexturePixels(zoomed.Texture(), w, h);
            const std::string what =
                "scale " + std::to_string(scale) + ", turn " + std::to_string(degrees);
            ExpectAt(Step({-0.5, -0.5}, scale, degrees), Centroid(seen, 0, w, h),
                     ("red " + what).c_str());
            ExpectAt(Step({0.8, 0}, scale, degrees), Centroid(seen, 1, w, h),
                     ("green " + what).c_str());
        }
    }
    // A turn of 30 degrees brings the dot right of the centre down the
    // screen (y grows downwards in the 2D view).
    DrawZoomedCopy(zoomed, source, 1.02f, 30);
    EXPECT_GT(Centroid(TexturePixels(zoomed.Texture(), w, h), 1, w, h).y, 0.35);
    EXPECT_EQ(0, Integer(GL_FRAMEBUFFER_BINDING_EXT));
}

TEST(FeedbackSteps, ZoomThenCopyKeepsTheOrientation) {
    REQUIRE_GL();
    const int w = WindowWidth(), h = WindowHeight();
    RenderTarget a, b;
    DrawMarks(b);
    // One feedback update of the zoomer: A = B enlarged, then B = A.
    DrawZoomedCopy(a, b, 1.02f, 0);
    CopyRenderTarget(b, a);
    const std::vector<uint8_t> kept = TexturePixels(b.Texture(), w, h);
    ExpectAt({-0.51, -0.51}, Centroid(kept, 0, w, h), "red block, still upper left");
    ExpectAt({0.816, 0}, Centroid(kept, 1, w, h), "green dot, right of the centre");
}

// A frame drawn at a render scale: "the window" is the drawing buffer for
// views and render targets, and the picture reaches the whole window.
TEST(DrawingBuffer, AFrameAtHalfScaleFillsTheWindowFromItsBuffer) {
    REQUIRE_GL();
    const int w = WindowWidth(), h = WindowHeight();
    RenderTarget feedback;  // made at the window's size, between frames
    DrawMarks(feedback);
    DrawingBuffer buffer(w, h, 0.5f);
    buffer.SetScale(0.5f);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);

    buffer.Begin();
    EXPECT_EQ(w / 2, WindowWidth());
    EXPECT_EQ(h / 2, WindowHeight());
    EXPECT_EQ((std::array<GLint, 4>{0, 0, w / 2, h / 2}), Viewport());
    EXPECT_NE(0u, WindowFramebuffer());
    EXPECT_EQ(static_cast<GLint>(WindowFramebuffer()), Integer(GL_FRAMEBUFFER_BINDING_EXT));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The target follows the drawn size on its next use, keeping its
    // picture, and hands drawing back to the buffer.
    RenderTarget copy;
    CopyRenderTarget(copy, feedback);
    EXPECT_EQ(w / 2, copy.Width());
    EXPECT_EQ(static_cast<GLint>(WindowFramebuffer()), Integer(GL_FRAMEBUFFER_BINDING_EXT));
    ExpectAt({-0.5, 0.5}, Centroid(TexturePixels(copy.Texture(), w / 2, h / 2), 0, w / 2, h / 2),
             "red block, copied and mirrored");
    EXPECT_EQ(w, feedback.Width()) << "not bound yet";
    feedback.Bind();
    feedback.Unbind();
    EXPECT_EQ(h / 2, feedback.Height());
    ExpectAt({-0.5, -0.5},
             Centroid(TexturePixels(feedback.Texture(), w / 2, h / 2), 0, w / 2, h / 2),
             "red block, kept through the resize");
    // Left half red, right half green, in the 2D view.
    glDisable(GL_TEXTURE_2D);
    {
        Ortho2DScope view;
        glTranslatef(0, 0, -2);
        Quad half(0.5f, 1);
        half.position = Vec3(-0.5f, 0, 0);
        glColor3f(1, 0, 0);
        half.Draw(1, 1);
        half.position = Vec3(0.5f, 0, 0);
        glColor3f(0, 1, 0);
        half.Draw(1, 1);
    }
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    buffer.End();

    EXPECT_EQ(w, WindowWidth());
    EXPECT_EQ(0u, WindowFramebuffer());
    EXPECT_EQ(0, Integer(GL_FRAMEBUFFER_BINDING_EXT));
    EXPECT_EQ((std::array<GLint, 4>{0, 0, w, h}), Viewport());
    for (const int y : {2, h / 2, h - 3}) {
        const Rgba left = PixelAt(2, y), inner_left = PixelAt(w / 2 - 3, y);
        const Rgba right = PixelAt(w - 3, y), inner_right = PixelAt(w / 2 + 2, y);
        EXPECT_EQ(255, left.r) << y;
        EXPECT_EQ(255, inner_left.r) << y;
        EXPECT_EQ(255, right.g) << y;
        EXPECT_EQ(255, inner_right.g) << y;
        EXPECT_EQ(0, left.b + right.b) << "the window's blue shows through at " << y;
    }

    // At scale 1 the frame goes straight to the window.
    buffer.SetScale(1.0f);
    buffer.Begin();
    EXPECT_EQ(w, WindowWidth());
    EXPECT_EQ(0, Integer(GL_FRAMEBUFFER_BINDING_EXT));
    buffer.End();
    feedback.Bind();
    feedback.Unbind();
    EXPECT_EQ(w, feedback.Width()) << "back at the window's size";
}

TEST(DrawingBuffer, ABufferThatCannotBeMadeLeavesFramesInTheWindow) {
    REQUIRE_GL();
    const int w = WindowWidth(), h = WindowHeight();
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_EXT, &largest);
    DrawingBuffer buffer(largest * 4 + 4, 8, 0.5f);  // twice the largest side the GL allows
    buffer.SetScale(0.5f);
    testing::internal::CaptureStderr();
    for (int frame = 0; frame < 3; ++frame) {
        buffer.Begin();
        EXPECT_EQ(w, WindowWidth());
        EXPECT_EQ(h, WindowHeight());
        EXPECT_EQ(0, Integer(GL_FRAMEBUFFER_BINDING_EXT));
        buffer.End();
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(buffer.Failed());
    EXPECT_FLOAT_EQ(1.0f, buffer.Scale());
    buffer.SetScale(0.5f);
    EXPECT_FLOAT_EQ(1.0f, buffer.Scale()) << "for the rest of the run";
    const std::string line = "drawing straight to the window at scale 1\n";
    ASSERT_NE(said.find(line), std::string::npos) << said;
    EXPECT_EQ(said.find(line), said.rfind(line)) << "said once: " << said;
    EXPECT_EQ(GL_NO_ERROR, glGetError());
}

}  // namespace
