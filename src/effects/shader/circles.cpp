#include "effects/shader/circles.h"

#include "render/window_layer.h"

namespace Effekter {

Circles::Circles(int start, int end) : Effekt(start, end) {
    program_.Load(true, "data/circles/circles.txt");
    ring_.Load("data/circles/__ring.jpg");
    time_location_ = LocateUniform(program_.Program(), "time");
}

void Circles::Draw(uint32_t demo_time, float) {
    glUseProgram(program_.Program());
    glUniform1f(time_location_, static_cast<float>(demo_time));
    WindowLayerScope layer;
    TextureBind bind(ring_);
    DrawLayerQuad();
    glUseProgram(0);
}

}  // namespace Effekter
