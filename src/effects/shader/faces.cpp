#include "effects/shader/faces.h"

#include "render/gl_guards.h"
#include "render/window_layer.h"

namespace Effekter {

FacesFrame ComputeFacesFrame(uint32_t demo_time, float beat) {
    FacesFrame f;
    f.time = static_cast<float>(demo_time);
    f.beat = beat;
    f.layer_grey = beat;
    f.text_grey = beat * 0.1f;
    return f;
}

Faces::Faces(int start, int end) : Effekt(start, end) {
    program_.Load(true, "data/circles/circles.txt");
    circles_.Load("data/circles/circles.jpg");
    text_.Load("data/circles/text.jpg");
    time_location_ = LocateUniform(program_.Program(), "time");
    beat_location_ = LocateUniform(program_.Program(), "beat");
}

void Faces::Draw(uint32_t demo_time, float beat) {
    const FacesFrame f = ComputeFacesFrame(demo_time, beat);

    // The picture through the circles shader, tinted by the beat.
    glUseProgram(program_.Program());
    glUniform1f(time_location_, f.time);
    glUniform1f(beat_location_, f.beat);
    glColor4f(f.layer_grey, f.layer_grey, f.layer_grey, f.layer_grey);
    {
        WindowLayerScope layer;
        TextureBind bind(circles_);
        DrawLayerQuad();
        glUseProgram(0);
    }

    // The lettering added on top, at most a tenth of its brightness.
    CTransparency additive(GL_ONE, GL_ONE);
    glColor4f(f.text_grey, f.text_grey, f.text_grey, f.beat);
    WindowLayerScope layer;
    TextureBind bind(text_);
    DrawLayerQuad();
}

}  // namespace Effekter
