#include "support/gl_context.h"

#include <FreeImage.h>
#include <SDL/SDL.h>

#include <cstdlib>

#include "render/gl_guards.h"

namespace {
bool g_ready = false;
bool g_tried = false;
}  // namespace

bool EnsureGlContext(int width, int height) {
    if (g_tried) {
        if (g_ready) ResetGlState();
        return g_ready;
    }
    g_tried = true;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    if (!SDL_SetVideoMode(width, height, 32, SDL_OPENGL)) return false;
    if (glewInit() != GLEW_OK || !GLEW_VERSION_2_0) return false;
    SetWindowSize(width, height);
    g_ready = true;
    ResetGlState();
    return true;
}

void ResetGlState() {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glUseProgram(0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_BLEND);
    glDisable(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_SCISSOR_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glClearColor(0, 0, 0, 0);
    ResetPerspective();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::vector<uint8_t> ReadPixels(int x, int y, int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

Rgba PixelAt(int x, int y) {
    const std::vector<uint8_t> p = ReadPixels(x, y, 1, 1);
    return {p[0], p[1], p[2], p[3]};
}

void MaybeSavePicture(const std::string& name) {
    const char* dir = std::getenv("DEMO_TEST_PICTURES");
    if (!dir) return;
    const int w = WindowWidth(), h = WindowHeight();
    const std::vector<uint8_t> pixels = ReadPixels(0, 0, w, h);
    FIBITMAP* dib = FreeImage_Allocate(w, h, 24);
    if (!dib) return;
    for (int y = 0; y < h; ++y) {
        BYTE* line = FreeImage_GetScanLine(dib, y);  // bottom row first, as read
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &pixels[(static_cast<size_t>(y) * w + x) * 4];
            line[3 * x + FI_RGBA_RED] = p[0];
            line[3 * x + FI_RGBA_GREEN] = p[1];
            line[3 * x + FI_RGBA_BLUE] = p[2];
        }
    }
    FreeImage_Save(FIF_PNG, dib, (std::string(dir) + "/" + name + ".png").c_str(), 0);
    FreeImage_Unload(dib);
}
