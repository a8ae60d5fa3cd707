// Effekter::Faces: two full-window layers. First "data/circles/circles.jpg"
// through the fragment shader "data/circles/circles.txt" (the Circles
// shader, in a program of its own), given the demo time in milliseconds as
// "time" and the beat level as "beat", drawn with the colour (b, b, b, b);
// then "data/circles/text.jpg" added on top at a tenth of the beat level.
//
// Missing or broken shader: the shader failures at start-up; a missing
// picture leaves its texture empty (the shader samples black, the text layer
// adds white at most a tenth of the beat). Nothing is cleared. Leaves no
// program in use, blending off with the blend function at one, one, no
// texture bound, the standard perspective view and the colour
// (b / 10, b / 10, b / 10, b), with which later effects draw.
#pragma once

#include "render/shader.h"
#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

// The numbers of one Faces frame.
struct FacesFrame {
    float time;        // the shader's "time": milliseconds of demo time
    float beat;        // the shader's "beat"
    float layer_grey;  // colour of the shader layer (and its alpha): b
    float text_grey;   // colour of the text layer: b / 10; its alpha is b
};
FacesFrame ComputeFacesFrame(uint32_t demo_time, float beat);

class Faces : public Effekt {
public:
    Faces(int start, int end);
    void Draw(uint32_t demo_time, float beat) override;

    GLuint Program() const { return program_.Program(); }

private:
    GLint time_location_ = -1;
    GLint beat_location_ = -1;
    ShaderProgram program_;
    CTextureFreeImage circles_;
    CTextureFreeImage text_;
};

}  // namespace Effekter
