// The music's spectrum as a texture for shaders: 1024 x 1 texels, texel i
// holding FFT magnitude i of the frame's music (the 1024 magnitudes the beat
// level is computed from; bin i covers about i x 21.5 Hz). One texture for
// the whole process, filled once a frame at most.
//
//   SetFrameSpectrum(spectrum)   each frame, before the effects draw: keeps a
//                                copy (no GL call)
//   SpectrumTextureBind bind(GL_TEXTURE1)
//                                binds the texture on a texture unit for the
//                                scope, uploading the frame's copy first if
//                                this frame's was not uploaded yet, so a
//                                frame uploads once however many layers ask
//                                and not at all when none does; the unit is
//                                left with texture 0 and GL_TEXTURE0 active
//   ReleaseSpectrumTexture()     deletes the texture (context current); a
//                                later bind makes it again
//
//   [X] GL_LUMINANCE32F_ARB where the driver has float textures: the
//       magnitudes exactly (values above 1 too) in every channel
//   [X] otherwise GL_LUMINANCE8: clamped to 0..1 in steps of 1/255, said once
//       on standard error
//   [X] linear filtering, clamped at the edges; no mipmaps
// Main thread only; nothing allocates after the first bind.
#pragma once

#include <GL/glew.h>

#include "platform/audio.h"

void SetFrameSpectrum(const float spectrum[kSpectrumBins]);

class SpectrumTextureBind {
public:
    explicit SpectrumTextureBind(GLenum unit);
    ~SpectrumTextureBind();
    SpectrumTextureBind(const SpectrumTextureBind&) = delete;
    SpectrumTextureBind& operator=(const SpectrumTextureBind&) = delete;

private:
    GLenum unit_;
};

// The texture's name (0 before the first bind) and whether it holds floats.
GLuint SpectrumTextureName();
bool SpectrumTextureIsFloat();

void ReleaseSpectrumTexture();
