#include "effects/shader/banger.h"

#include "render/gl_guards.h"
#include "render/window_layer.h"

namespace Effekter {

namespace {
// The picture overfills the window by 5 % on each side, so the drop never
// shows its edge.
constexpr float kLayerHalfExtent = 1.1f;
}  // namespace

BangerFrame ComputeBangerFrame(uint32_t elapsed, float beat) {
    BangerFrame f;
    f.slide = elapsed < kBangerSlideLength;
    f.slide_time = static_cast<float>(elapsed);
    f.drop = beat * 0.1f;
    f.beat_grey = beat;
    return f;
}

Banger::Banger(int start, int end) : Effekt(start, end) {
    program_.Load(true, "data/banger/slider.txt");
    bang_.Load("data/banger/bang.jpg");
    beat_.Load("data/banger/bang1.jpg");
    time_location_ = LocateUniform(program_.Program(), "time");
}

void Banger::Draw(uint32_t demo_time, float beat) {
    const BangerFrame f = ComputeBangerFrame(demo_time - start_time_, beat);

    if (f.slide) {
        // The picture slides in through the shader, over whatever is there.
        glUseProgram(program_.Program());
        glUniform1f(time_location_, f.slide_time);
        WindowLayerScope layer(f.drop);
        glColor4f(1, 1, 1, 1);
        TextureBind bind(bang_);
        DrawLayerQuad(kLayerHalfExtent);
        glUseProgram(0);
        return;
    }

    // Beat phase: the picture on a cleared window, the beat picture added.
    CTransparency additive(GL_ONE, GL_ONE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    WindowLayerScope layer(f.drop);
    glColor4f(1, 1, 1, 1);
    glBindTexture(GL_TEXTURE_2D, bang_.Name());
    DrawLayerQuad(kLayerHalfExtent);
    glColor4f(f.beat_grey, f.beat_grey, f.beat_grey, f.beat_grey);
    TextureBind bind(beat_);
    DrawLayerQuad(kLayerHalfExtent);
}

}  // namespace Effekter
