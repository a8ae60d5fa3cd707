#include "render/drawing_buffer.h"

#include <algorithm>
#include <cmath>

#include "platform/debug_output.h"
#include "render/gl_guards.h"

int ScaledSide(int side, float scale) {
    return std::max(1, static_cast<int>(std::lround(side * static_cast<double>(scale))));
}

DrawingBuffer::DrawingBuffer(int window_width, int window_height, float largest_scale)
    : window_width_(window_width),
      window_height_(window_height),
      storage_width_(ScaledSide(window_width, largest_scale)),
      storage_height_(ScaledSide(window_height, largest_scale)),
      largest_scale_(largest_scale) {}

DrawingBuffer::~DrawingBuffer() { Release(); }

void DrawingBuffer::Release() {
    if (framebuffer_) glDeleteFramebuffersEXT(1, &framebuffer_);
    if (colour_) glDeleteRenderbuffersEXT(1, &colour_);
    if (depth_) glDeleteRenderbuffersEXT(1, &depth_);
    framebuffer_ = colour_ = depth_ = 0;
}

void DrawingBuffer::SetScale(float scale) {
    if (failed_) return;
    scale_ = scale >= 1.0f ? 1.0f : std::min(scale, largest_scale_);
}

int DrawingBuffer::Width() const {
    return scale_ >= 1.0f ? window_width_ : ScaledSide(window_width_, scale_);
}

int DrawingBuffer::Height() const {
    return scale_ >= 1.0f ? window_height_ : ScaledSide(window_height_, scale_);
}

bool DrawingBuffer::Create() {
    const char* why = nullptr;
    GLint largest = 0, samples = 0, depth_bits = 0;
    if (!GLEW_EXT_framebuffer_object || !GLEW_EXT_framebuffer_blit) {
        why = "the GL driver offers no framebuffer objects with blitting";
    } else {
        glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_EXT, &largest);
        glGetIntegerv(GL_SAMPLE_BUFFERS, &samples);
        glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
        if (storage_width_ > largest || storage_height_ > largest)
            why = "larger than the GL driver allows";
        else if (samples > 0)
            why = "the window is multisampled";
    }
    if (!why) {
        while (glGetError() != GL_NO_ERROR) {
        }
        // The window's depth precision, so depth-tested pictures match it.
        depth_format_ = depth_bits > 16 ? GL_DEPTH_COMPONENT24 : GL_DEPTH_COMPONENT16;
        glGenRenderbuffersEXT(1, &colour_);
        glGenRenderbuffersEXT(1, &depth_);
        Store(storage_width_, storage_height_);
        glGenFramebuffersEXT(1, &framebuffer_);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                                     GL_RENDERBUFFER_EXT, colour_);
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                                     GL_RENDERBUFFER_EXT, depth_);
        const GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        if (glGetError() == GL_OUT_OF_MEMORY)
            why = "out of memory";
        else if (status != GL_FRAMEBUFFER_COMPLETE_EXT)
            why = "the framebuffer is incomplete";
        if (why) Release();
    }
    if (!why) return true;
    DebugOutputFormat(
        "Unable to make a %dx%d drawing buffer for the render scale (%s); drawing straight "
        "to the window at scale 1\n",
        storage_width_, storage_height_, why);
    failed_ = true;
    scale_ = 1.0f;
    return false;
}

void DrawingBuffer::Store(int width, int height) {
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, colour_);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_RGBA8, width, height);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, depth_);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, depth_format_, width, height);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
    stored_width_ = width;
    stored_height_ = height;
}

void DrawingBuffer::Begin() {
    if (scale_ >= 1.0f) return;
    if (!framebuffer_ && !Create()) return;
    drawn_width_ = Width();
    drawn_height_ = Height();
    // The storage takes the drawn size, so clears touch no more pixels than
    // the frame has; it changes only with the scale.
    if (drawn_width_ != stored_width_ || drawn_height_ != stored_height_)
        Store(drawn_width_, drawn_height_);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
    SetWindowFramebuffer(framebuffer_);
    SetWindowSize(drawn_width_, drawn_height_);
    ResetPerspective();
    drawing_ = true;
}

void DrawingBuffer::End() {
    if (!drawing_) return;
    drawing_ = false;
    // Effects switch the scissor test off again, but a blit obeys it.
    glDisable(GL_SCISSOR_TEST);
    glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, framebuffer_);
    glBindFramebufferEXT(GL_DRAW_FRAMEBUFFER_EXT, 0);
    glBlitFramebufferEXT(0, 0, drawn_width_, drawn_height_, 0, 0, window_width_, window_height_,
                         GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    SetWindowFramebuffer(0);
    SetWindowSize(window_width_, window_height_);
    ResetPerspective();
}
