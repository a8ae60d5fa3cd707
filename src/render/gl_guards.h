// GL state guards, the two standard views and the 2D helpers.
//
// Needs a current GL context (except Vec3 and RandomUnit). Guards never read
// or remember the previous state: leaving one always switches its state off,
// even if it was on before; effects rely on exactly that to leave blending,
// fog and depth testing off. Nothing here allocates.
//
// Views use the process-wide window size (the size of the surface the frame
// is drawn on, see below):
//   ResetPerspective  viewport W x H, 40-degree perspective (near 0.1f, far
//                     1000), identity modelview; the state every effect
//                     finds and leaves;
//   Ortho2DScope      viewport W x H, x from -1 (left) to 1, y from -1 (top)
//                     to 1, geometry between z = -0.1 and -100; its exit
//                     calls ResetPerspective.
#pragma once

#include <GL/glew.h>

#include "platform/random.h"
#include "render/vec3.h"

// "The window" as everything that draws sees it, in pixels: the window's
// own size when it opens, and during a frame drawn at a render scale below 1
// the size of the drawing buffer that stands for the window (DrawingBuffer).
// Views, render targets and effects size themselves by this one pair.
void SetWindowSize(int width, int height);
int WindowWidth();
int WindowHeight();

// The framebuffer that stands for the window: 0, or the drawing buffer's
// while a frame is drawn at a render scale. Render targets and effects that
// draw into a framebuffer of their own bind this one when they are done.
void SetWindowFramebuffer(GLuint framebuffer);
GLuint WindowFramebuffer();
void BindWindowFramebuffer();

// Enables a capability for a scope and disables it on exit. The default
// constructor switches nothing.
class CEnabler {
public:
    CEnabler() = default;
    explicit CEnabler(GLenum capability) : capability_(capability) { glEnable(capability); }
    virtual ~CEnabler() {
        if (capability_ != 0) glDisable(capability_);
    }
    CEnabler(const CEnabler&) = delete;
    CEnabler& operator=(const CEnabler&) = delete;

private:
    GLenum capability_ = 0;
};

// Blending with the given factors; the blend function stays set after exit.
class CTransparency : public CEnabler {
public:
    CTransparency(GLenum source, GLenum destination) : CEnabler(GL_BLEND) {
        glBlendFunc(source, destination);
    }
};

// Linear black fog between two eye distances.
class CFog : public CEnabler {
public:
    CFog(float start, float end);
    ~CFog() override;
};

void ResetPerspective();
void SetPerspective(int width, int height);

class PerspectiveScope {
public:
    PerspectiveScope(int width, int height) { SetPerspective(width, height); }
    ~PerspectiveScope() { ResetPerspective(); }
    PerspectiveScope(const PerspectiveScope&) = delete;
    PerspectiveScope& operator=(const PerspectiveScope&) = delete;
};

class Ortho2DScope {
public:
    Ortho2DScope();
    ~Ortho2DScope() { ResetPerspective(); }
    Ortho2DScope(const Ortho2DScope&) = delete;
    Ortho2DScope& operator=(const Ortho2DScope&) = delete;
};

// Pushes the current matrix for a scope.
class MatrixScope {
public:
    MatrixScope() { glPushMatrix(); }
    ~MatrixScope() { glPopMatrix(); }
    MatrixScope(const MatrixScope&) = delete;
    MatrixScope& operator=(const MatrixScope&) = delete;
};

// glRotatef about x, then y, then z (vertices turn about z first).
void RotateXYZ(const Vec3& degrees);

// A textured rectangle: half extent (z unused) and centre position.
struct Quad {
    Vec3 half_extent;
    Vec3 position;
    Quad() = default;
    Quad(float half_width, float half_height) : half_extent(half_width, half_height, 0) {}
    // One GL_QUADS primitive with texture repeat (u, v); sets no colour and
    // binds no texture. v = -1 shows a loaded image upright in perspective.
    void Draw(float u, float v) const;
};

// NextRandom() / 32767 as a float in [0, 1].
inline float RandomUnit() { return static_cast<float>(NextRandom() / 32767.0); }
