#include "effects/shader/shader_show.h"

#include "render/gl_guards.h"
#include "render/spectrum_texture.h"
#include "render/stable_uniforms.h"

namespace Effekter {

ShaderShow::ShaderShow(int start, int end, const char* shader_path, const char* image_path)
    : Effekt(start, end) {
    // No shader: program 0 is the fixed-function pipeline.
    if (shader_path[0] != '\0') program_.Load(true, shader_path);
    // A picture that cannot be loaded is named by the texture itself.
    if (image_path[0] != '\0') image_.Load(image_path);
    time_location_ = LocateUniform(program_.Program(), "time");
    beat_location_ = LocateUniform(program_.Program(), "beat");
    // Optional: looked up quietly (a layer without it is the usual case).
    // With stable locations the number holds across reloads that add it.
    if (program_.Program() != 0)
        spectrum_location_ = StableUniformsEnabled()
                                 ? StableUniformLocation(program_.Program(), "spectrum")
                                 : glGetUniformLocation(program_.Program(), "spectrum");
}

void ShaderShow::Draw(uint32_t demo_time, float beat) {
    glUseProgram(program_.Program());
    // Without a program there is nothing to set (and GL would reject the calls).
    if (program_.Program() != 0) {
        glUniform1f(time_location_, Seconds(demo_time));
        glUniform1f(beat_location_, beat);
    }
    // The spectrum on unit 1; set every frame, as a relink resets samplers to 0.
    std::optional<SpectrumTextureBind> spectrum;
    if (spectrum_location_ != -1) {
        glUniform1i(spectrum_location_, 1);
        spectrum.emplace(GL_TEXTURE1);
    }

    // The picture over the whole window, through the shader.
    Ortho2DScope view;
    MatrixScope matrix;
    glTranslatef(0, 0, -1);
    TextureBind bind(image_);
    Quad(1, 1).Draw(1, 1);
    glUseProgram(0);
}

}  // namespace Effekter
