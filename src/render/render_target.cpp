#include "render/render_target.h"

#include "platform/failure.h"
#include "render/gl_guards.h"

RenderTarget::RenderTarget() : width_(WindowWidth()), height_(WindowHeight()) {
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
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        Fail("FBO not ready");
    }

    // The texture starts out in the current clear colour.
    Bind();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

void RenderTarget::Bind() {
    // The scope sets the target-sized view and its exit resets the standard
    // view; both are the same size as long as the window keeps its size.
    PerspectiveScope view(width_, height_);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
}

void RenderTarget::Unbind() { glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0); }
