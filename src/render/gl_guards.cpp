#include "render/gl_guards.h"

#include <GL/glu.h>

namespace {
int g_window_width = 0;
int g_window_height = 0;
GLuint g_window_framebuffer = 0;

// The near plane is the single-precision 0.1 widened to double.
constexpr double kNear = static_cast<double>(0.1f);

void Perspective(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(40.0, static_cast<double>(width) / static_cast<double>(height), kNear, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
}  // namespace

void SetWindowSize(int width, int height) {
    g_window_width = width;
    g_window_height = height;
}
int WindowWidth() { return g_window_width; }
int WindowHeight() { return g_window_height; }

void SetWindowFramebuffer(GLuint framebuffer) { g_window_framebuffer = framebuffer; }
GLuint WindowFramebuffer() { return g_window_framebuffer; }
void BindWindowFramebuffer() { glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, g_window_framebuffer); }

CFog::CFog(float start, float end) {
    static const GLfloat kBlack[4] = {0, 0, 0, 0};
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogf(GL_FOG_START, start);
    glFogf(GL_FOG_END, end);
    glFogfv(GL_FOG_COLOR, kBlack);
}

CFog::~CFog() { glDisable(GL_FOG); }

void ResetPerspective() { Perspective(g_window_width, g_window_height); }

void SetPerspective(int width, int height) { Perspective(width, height); }

Ortho2DScope::Ortho2DScope() {
    glViewport(0, 0, g_window_width, g_window_height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, 1, -1, kNear, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void RotateXYZ(const Vec3& degrees) {
    glRotatef(degrees.x, 1, 0, 0);
    glRotatef(degrees.y, 0, 1, 0);
    glRotatef(degrees.z, 0, 0, 1);
}

void Quad::Draw(float u, float v) const {
    const float px = position.x, py = position.y, pz = position.z;
    const float hx = half_extent.x, hy = half_extent.y;
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glNormal3f(0, 0, 1);
    glVertex3f(px - hx, py - hy, pz);
    glTexCoord2f(u, 0);
    glVertex3f(px + hx, py - hy, pz);
    glTexCoord2f(u, v);
    glVertex3f(px + hx, py + hy, pz);
    glTexCoord2f(0, v);
    glVertex3f(px - hx, py + hy, pz);
    glEnd();
}
