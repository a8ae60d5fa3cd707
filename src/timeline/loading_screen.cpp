#include "timeline/loading_screen.h"

#include <GL/glew.h>

#include "render/gl_guards.h"

float LoadingPictureHeight(int done, int total) {
    if (total <= 0) return -0.5f;
    const float p = 1.0f - static_cast<float>(done) / static_cast<float>(total);
    return 0.5f - p;
}

LoadingScreen::LoadingScreen(FramePresenter& presenter, int total)
    : presenter_(presenter), total_(total) {
    texture_.Load("data/overlay/loader.jpg");
}

void LoadingScreen::Step() {
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    {
        MatrixScope matrix;
        TextureBind bind(texture_);
        glTranslatef(0, LoadingPictureHeight(done_, total_), -2);
        Quad(1, 1.2f).Draw(1, -1);
        presenter_.SwapAndPoll();
        ++done_;
    }
}
