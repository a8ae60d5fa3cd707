#include "render/render_target.h"

#include "platform/failure.h"
#include "render/gl_guards.h"
#include "render/vec3.h"

RenderTarget::RenderTarget() : width_(WindowWidth()), height_(WindowHeight()) {
    // Without the extension its entry points are null: say so, do not call them.
    if (!GLEW_EXT_framebuffer_object) Fail("FBO not ready");
    glGenFramebuffersEXT(1, &framebuffer_);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);

    glGenTextures(1, &colour_texture_);
    glBindTexture(GL_TEXTURE_2D, colour_texture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width_, height_, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                              colour_texture_, 0);
    if (glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) != GL_FRAMEBUFFER_COMPLETE_EXT) {
        // Drawing must not go on into a broken target while the failure travels.
        BindWindowFramebuffer();
        Fail("FBO not ready");
    }

    // The texture starts out in the current clear colour.
    Bind();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    BindWindowFramebuffer();
}

void RenderTarget::Bind() {
    FollowWindowSize();
    // The scope sets the target-sized view and its exit resets the standard
    // view; both are the window's size.
    PerspectiveScope view(width_, height_);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
}

void RenderTarget::Unbind() { BindWindowFramebuffer(); }

void RenderTarget::FollowWindowSize() {
    const int width = WindowWidth(), height = WindowHeight();
    if (width == width_ && height == height_) return;
    GLint bound_texture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound_texture);
    const GLuint old_texture = colour_texture_;
    glGenTextures(1, &colour_texture_);
    glBindTexture(GL_TEXTURE_2D, colour_texture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                              colour_texture_, 0);
    // The picture so far is stretched over the new size, so that a feedback
    // trail goes on through a change of the render scale.
    if (GLEW_EXT_framebuffer_blit) {
        GLuint reader = 0;
        glGenFramebuffersEXT(1, &reader);
        glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, reader);
        glFramebufferTexture2DEXT(GL_READ_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                                  old_texture, 0);
        glBlitFramebufferEXT(0, 0, width_, height_, 0, 0, width, height, GL_COLOR_BUFFER_BIT,
                             GL_LINEAR);
        glDeleteFramebuffersEXT(1, &reader);
    } else {
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDeleteTextures(1, &old_texture);
    width_ = width;
    height_ = height;
    BindWindowFramebuffer();
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound_texture));
}

namespace {

// The shared body of both feedback steps; `turn` is false for the plain copy,
// which issues no rotation at all.
void DrawTargetInto(RenderTarget& into, const RenderTarget& from, float half_extent, bool turn,
                    float degrees) {
    into.Bind();
    Ortho2DScope view;
    glPushMatrix();
    glTranslatef(0, 0, -2);
    glColor4f(1, 1, 1, 1);
    if (turn) RotateXYZ(Vec3(0, 0, degrees));
    glBindTexture(GL_TEXTURE_2D, from.Texture());
    Quad(half_extent, half_extent).Draw(1, 1);
    into.Unbind();
    glBindTexture(GL_TEXTURE_2D, 0);
    glPopMatrix();
}

}  // namespace

void DrawZoomedCopy(RenderTarget& into, const RenderTarget& from, float half_extent,
                    float degrees) {
    DrawTargetInto(into, from, half_extent, true, degrees);
}

void CopyRenderTarget(RenderTarget& into, const RenderTarget& from) {
    DrawTargetInto(into, from, 1, false, 0);
}
