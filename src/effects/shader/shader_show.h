// Effekter::ShaderShow ("ShaderShow"): one full-window layer of a picture
// drawn through a fragment shader, both named by the demo script, so a demo
// maker adds shader layers without writing code. Any number of entries may
// use it with different files.
//
// Construct with the GL context current. The shader gets the picture on
// texture unit 0 and the uniforms "time" (float, seconds of demo time) and
// "beat" (float, the beat level 0..1); a uniform the shader does not use is
// reported once on standard error and otherwise ignored. A shader that
// declares "uniform sampler2D spectrum;" gets the frame's spectrum
// (render/spectrum_texture.h) on texture unit 1; one that does not is not
// told of it. An empty shader path
// draws the picture with the fixed-function pipeline (modulated by the
// current colour). A shader path naming a missing file or a folder stops the
// show with "Error opening: <path>"; a shader that does not compile (an empty
// file, a syntax error, a binary file) stops it with the compiler message.
// A picture that cannot be loaded is not fatal: the texture stays without an
// image (shaders sample black, the fixed-function pipeline draws the current
// colour) and one line on standard error names the path and the reason.
//
// Draw sets no colour, blending or clearing: the layer goes over what earlier
// effects drew with the colour and blend state it finds. It leaves no program
// in use, texture 0 bound on units 0 and 1, unit 0 active and the standard
// perspective view.
#pragma once

#include <cstdint>
#include <optional>

#include "render/shader.h"
#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

class ShaderShow : public Effekt {
public:
    ShaderShow(int start, int end, const char* shader_path, const char* image_path);
    void Draw(uint32_t demo_time, float beat) override;
    GLuint ProgramName() const { return program_.Program(); }

    // The "time" uniform at demo time t: t / 1000, in seconds.
    static float Seconds(uint32_t demo_time) { return static_cast<float>(demo_time / 1000.0); }

private:
    ShaderProgram program_;
    CTextureFreeImage image_;
    GLint time_location_ = -1;
    GLint beat_location_ = -1;
    GLint spectrum_location_ = -1;  // -1: the shader does not declare it
};

}  // namespace Effekter
