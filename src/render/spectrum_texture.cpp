#include "render/spectrum_texture.h"

#include <cstring>

#include "platform/debug_output.h"

namespace {

struct SpectrumState {
    float values[kSpectrumBins] = {};
    bool uploaded = false;  // `values` is in the texture
    GLuint texture = 0;
    bool is_float = false;
};
SpectrumState g_spectrum;

void CreateTexture() {
    g_spectrum.is_float = GLEW_ARB_texture_float != 0;
    if (!g_spectrum.is_float)
        DebugOutput(
            "The GL has no float textures: the spectrum texture holds magnitudes clamped to 0..1 "
            "in 8 bits\n");
    glGenTextures(1, &g_spectrum.texture);
    glBindTexture(GL_TEXTURE_2D, g_spectrum.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    const GLint format = g_spectrum.is_float ? GL_LUMINANCE32F_ARB : GL_LUMINANCE8;
    glTexImage2D(GL_TEXTURE_2D, 0, format, kSpectrumBins, 1, 0, GL_LUMINANCE, GL_FLOAT, nullptr);
    g_spectrum.uploaded = false;
}

}  // namespace

void SetFrameSpectrum(const float spectrum[kSpectrumBins]) {
    std::memcpy(g_spectrum.values, spectrum, sizeof g_spectrum.values);
    g_spectrum.uploaded = false;
}

SpectrumTextureBind::SpectrumTextureBind(GLenum unit) : unit_(unit) {
    glActiveTexture(unit_);
    if (g_spectrum.texture == 0) CreateTexture();
    glBindTexture(GL_TEXTURE_2D, g_spectrum.texture);
    if (!g_spectrum.uploaded) {
        // Rows of 4096 bytes suit any unpack alignment.
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kSpectrumBins, 1, GL_LUMINANCE, GL_FLOAT,
                        g_spectrum.values);
        g_spectrum.uploaded = true;
    }
    glActiveTexture(GL_TEXTURE0);
}

SpectrumTextureBind::~SpectrumTextureBind() {
    glActiveTexture(unit_);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
}

GLuint SpectrumTextureName() { return g_spectrum.texture; }
bool SpectrumTextureIsFloat() { return g_spectrum.is_float; }

void ReleaseSpectrumTexture() {
    if (g_spectrum.texture) glDeleteTextures(1, &g_spectrum.texture);
    g_spectrum.texture = 0;
    g_spectrum.uploaded = false;
}
