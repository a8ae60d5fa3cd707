// DrawingBuffer: frames drawn at a render scale below 1.
//
// Needs a current GL context, the window open and its framebuffer bound
// between frames. Between Begin() and End() the frame draws into an
// off-screen colour and depth buffer instead of the window: the buffer's
// framebuffer stands for the window (BindWindowFramebuffer) and its drawn
// size is "the window" (SetWindowSize), with the standard perspective view.
// End() draws that picture over the whole window with linear filtering
// (a framebuffer blit), binds the window again, publishes the window's own
// size and sets the standard view at that size, so whatever is drawn after
// it (panels, messages) is sharp at the window's resolution.
//
// At scale 1 Begin() and End() issue no GL call at all: the frame goes
// straight into the window, exactly as without a drawing buffer.
//
// The buffer is made on the first frame below scale 1, checked against the
// GL's limits at the largest scale it will be asked for; its storage then
// takes the size of each scale as the scale changes (the GL driver
// allocates then, not on the frames between). When it cannot be made (no
// framebuffer objects or framebuffer blit, a size beyond the GL's limits, a
// multisampled window, an incomplete framebuffer) one line on standard
// error says why, and every frame of the run draws straight into the window
// at scale 1. Main thread only.
#pragma once

#include <GL/glew.h>

// The side of a picture drawn at `scale` (0 < scale <= 1) of `side` pixels:
// rounded to the nearest pixel, at least 1.
int ScaledSide(int side, float scale);

class DrawingBuffer {
public:
    // For a window of this size; `largest_scale` (below 1) is the largest
    // scale below 1 that SetScale will ask for.
    DrawingBuffer(int window_width, int window_height, float largest_scale);
    ~DrawingBuffer();
    DrawingBuffer(const DrawingBuffer&) = delete;
    DrawingBuffer& operator=(const DrawingBuffer&) = delete;

    // The scale of the frames from the next Begin() on: 1, or a value below
    // 1 (held to the largest scale). Ignored after the buffer failed.
    void SetScale(float scale);
    // The scale in force: 1 after a failure.
    float Scale() const { return scale_; }
    bool Failed() const { return failed_; }
    // The size frames are drawn at, at the current scale.
    int Width() const;
    int Height() const;

    void Begin();
    void End();

private:
    bool Create();
    void Store(int width, int height);
    void Release();

    int window_width_, window_height_;
    int storage_width_, storage_height_;
    float largest_scale_;
    float scale_ = 1.0f;
    int drawn_width_ = 0, drawn_height_ = 0;  // of the frame being drawn
    bool failed_ = false;
    bool drawing_ = false;  // between a Begin and an End into the buffer
    GLuint framebuffer_ = 0;
    GLuint colour_ = 0;
    GLuint depth_ = 0;
    GLenum depth_format_ = GL_DEPTH_COMPONENT16;
    int stored_width_ = 0, stored_height_ = 0;
};
