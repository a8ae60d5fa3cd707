#include "effects/shader/shader_show.h"

#include "platform/debug_output.h"
#include "render/gl_guards.h"

namespace Effekter {

namespace {

// True when level 0 of the texture has pixels (a failed load leaves none).
bool HasImage(const CTexture& texture) {
    TextureBind bind(texture);
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    return width > 0;
}

}  // namespace

ShaderShow::ShaderShow(int start, int end, const char* shader_path, const char* image_path)
    : Effekt(start, end) {
    // No shader: program 0 is the fixed-function pipeline.
    if (shader_path[0] != '\0') program_.Load(true, shader_path);
    if (image_path[0] != '\0') {
        image_.Load(image_path);
        // Not fatal, but a misspelt path should not go unnoticed.
        if (!HasImage(image_)) DebugOutputFormat("ShaderShow: no picture in %s\n", image_path);
    }
    time_location_ = LocateUniform(program_.Program(), "time");
    beat_location_ = LocateUniform(program_.Program(), "beat");
}

void ShaderShow::Draw(uint32_t demo_time, float beat) {
    glUseProgram(program_.Program());
    // Without a program there is nothing to set (and GL would reject the calls).
    if (program_.Program() != 0) {
        glUniform1f(time_location_, Seconds(demo_time));
        glUniform1f(beat_location_, beat);
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
