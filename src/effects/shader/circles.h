// Effekter::Circles: one full-window layer through the fragment shader
// "data/circles/circles.txt", which samples the ring picture
// "data/circles/__ring.jpg" and is given the demo time in milliseconds as
// "time". The same shader source serves Effekter::Faces.
//
// Missing or broken shader: the shader failures at start-up; a missing
// picture leaves the texture empty (the shader samples black). Sets no
// colour, blending or clearing: the layer is drawn with the current colour
// and blend state over what earlier effects drew. Leaves no program in use,
// no texture bound and the standard perspective view.
#pragma once

#include "render/shader.h"
#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

class Circles : public Effekt {
public:
    Circles(int start, int end);
    void Draw(uint32_t demo_time, float beat) override;

    GLuint Program() const { return program_.Program(); }

private:
    ShaderProgram program_;
    CTextureFreeImage ring_;
    GLint time_location_ = -1;
};

}  // namespace Effekter
