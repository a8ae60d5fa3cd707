// RenderTarget: an off-screen surface for drawing a pass into a texture.
//
// Needs a current GL context with the EXT framebuffer-object extension and
// the window size already published (SetWindowSize). The constructor builds
// one framebuffer object with a single GL_RGBA8 colour texture of the window
// size, no mipmaps and no depth or stencil attachment (drawing into it is
// never depth-tested), clears it to the current clear colour and leaves the
// colour texture bound to GL_TEXTURE_2D. A driver without the extension or
// an incomplete framebuffer raises "FBO not ready" through the failure
// channel.
//
// Bind() sends later drawing into the colour texture with viewport
// (0, 0, width, height), the standard perspective projection and an identity
// modelview; Unbind() sends drawing back to the window (the framebuffer that
// stands for it, see BindWindowFramebuffer). Neither clears anything. When
// the window size has changed since the target was made (a frame drawn at
// another render scale), Bind() first gives the texture the new size, with
// the picture so far stretched over it (its GL name changes). The result is read by binding
// Texture() and drawing a Quad. Effects create their targets once and keep them; the GL objects
// live until the process ends (the destructor deletes nothing).
#pragma once

#include <GL/glew.h>

class RenderTarget {
public:
    RenderTarget();
    RenderTarget(const RenderTarget&) = delete;
    RenderTarget& operator=(const RenderTarget&) = delete;

    void Bind();
    void Unbind();

    GLuint Texture() const { return colour_texture_; }
    GLuint Framebuffer() const { return framebuffer_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    void FollowWindowSize();

    GLuint colour_texture_ = 0;
    int width_ = 0;
    int height_ = 0;
    GLuint framebuffer_ = 0;
};

// The two steps of a feedback effect. Both bind `into`, draw `from`'s colour
// texture in the 2D view at depth -2 in white (blending as the caller left
// it), then unbind `into`, bind texture 0, pop the matrix and leave the 2D
// view; drawing goes back to the window. The 2D view puts texture row 0 (the
// bottom of `from`) at the top, so each step mirrors the picture top to
// bottom; a zoom followed by a copy, one update of a feedback loop, keeps
// its orientation.
//
// DrawZoomedCopy: `from` as a quad of half extent `half_extent` (1 fills the
// target, more enlarges it) turned by `degrees` about the view axis.
void DrawZoomedCopy(RenderTarget& into, const RenderTarget& from, float half_extent, float degrees);
// CopyRenderTarget: `from` full size and unturned.
void CopyRenderTarget(RenderTarget& into, const RenderTarget& from);
