// Loading screen: the picture's height per entry, one swap per step, the
// frame it shows, and the GL state around it.
#include "timeline/loading_screen.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "render/gl_guards.h"
#include "support/gl_context.h"
#include "support/test_paths.h"

namespace {

// Records what the frame looks like at each swap.
class RecordingPresenter : public FramePresenter {
public:
    struct Frame {
        float x, y, z;  // translation of the modelview matrix
        GLint texture;  // bound while the frame is shown
        Rgba top, middle, bottom;
    };
    void SwapAndPoll() override {
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        GLint texture = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
        frames.push_back(
            {m[12], m[13], m[14], texture, PixelAt(320, 478), PixelAt(320, 240), PixelAt(320, 1)});
        if (fail_at >= 0 && static_cast<int>(frames.size()) == fail_at + 1) Fail("You quit?");
    }
    std::vector<Frame> frames;
    int fail_at = -1;
};

bool IsClearColour(const Rgba& p) { return p.r == 0 && p.g == 0 && p.b == 255; }

void ExpectRestored() {
    GLint depth = 0, texture = -1;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    EXPECT_EQ(1, depth);
    EXPECT_EQ(0, texture);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(i % 5 == 0 ? 1.0f : 0.0f, m[i]);
}

// Runs `fn` with another working directory.
template <class Fn>
void InDirectory(const std::string& dir, Fn fn) {
    char here[4096];
    ASSERT_NE(nullptr, getcwd(here, sizeof here));
    ASSERT_EQ(0, chdir(dir.c_str()));
    fn();
    ASSERT_EQ(0, chdir(here));
}

}  // namespace

TEST(LoadingPictureHeightTest, RisesOneUnitOverTheWholeLoad) {
    EXPECT_FLOAT_EQ(-0.5f, LoadingPictureHeight(0, 4));
    EXPECT_FLOAT_EQ(-0.25f, LoadingPictureHeight(1, 4));
    EXPECT_FLOAT_EQ(0.25f, LoadingPictureHeight(3, 4));  // fourth entry of four
    EXPECT_FLOAT_EQ(0.5f, LoadingPictureHeight(4, 4));
    // Counts that do not match the entries.
    EXPECT_NEAR(-0.1f, LoadingPictureHeight(4, 10), 1e-6);  // 10 announced, 5 real
    EXPECT_FLOAT_EQ(1.5f, LoadingPictureHeight(4, 2));      // 2 announced, 5 real
    // No count: the picture stays where it starts, never NaN.
    for (int done : {0, 1, 7}) {
        EXPECT_FALSE(std::isnan(LoadingPictureHeight(done, 0)));
        EXPECT_FLOAT_EQ(-0.5f, LoadingPictureHeight(done, 0));
        EXPECT_FLOAT_EQ(-0.5f, LoadingPictureHeight(done, -3));
    }
}

TEST(LoadingScreenTest, EachStepSwapsOnceWithThePictureRising) {
    REQUIRE_GL();
    glClearColor(0, 0, 1, 1);
    RecordingPresenter presenter;
    LoadingScreen screen(presenter, 4);
    EXPECT_TRUE(presenter.frames.empty());  // creation draws nothing
    for (int i = 0; i < 4; ++i) {
        screen.Step();
        ASSERT_EQ(static_cast<size_t>(i + 1), presenter.frames.size());
        ExpectRestored();
    }
    const float expected[4] = {-0.5f, -0.25f, 0.0f, 0.25f};
    for (int i = 0; i < 4; ++i) {
        const RecordingPresenter::Frame& f = presenter.frames[i];
        EXPECT_FLOAT_EQ(0.0f, f.x);
        EXPECT_FLOAT_EQ(expected[i], f.y) << i;
        EXPECT_FLOAT_EQ(-2.0f, f.z);
        EXPECT_NE(0, f.texture);
        // The picture covers the middle of the window.
        EXPECT_FALSE(IsClearColour(f.middle)) << i;
    }
    // First screen: the picture ends just below the top edge (top at 0.7,
    // the view reaches 0.73 at z = -2); last: it reaches below the bottom.
    EXPECT_TRUE(IsClearColour(presenter.frames[0].top));
    EXPECT_FALSE(IsClearColour(presenter.frames[0].bottom));
    EXPECT_FALSE(IsClearColour(presenter.frames[3].top));
    EXPECT_FALSE(IsClearColour(presenter.frames[3].bottom));
    glClearColor(0, 0, 0, 0);
}

TEST(LoadingScreenTest, TooSmallACountMovesThePicturePastTheTop) {
    REQUIRE_GL();
    glClearColor(0, 0, 1, 1);
    RecordingPresenter presenter;
    LoadingScreen screen(presenter, 2);
    for (int i = 0; i < 5; ++i) screen.Step();
    ASSERT_EQ(5u, presenter.frames.size());
    EXPECT_FLOAT_EQ(1.5f, presenter.frames[4].y);
    // Its lower edge (0.3) is above the middle: bottom half shows the clear colour.
    EXPECT_TRUE(IsClearColour(presenter.frames[4].bottom));
    EXPECT_TRUE(IsClearColour(presenter.frames[4].middle));
    EXPECT_FALSE(IsClearColour(presenter.frames[4].top));
    glClearColor(0, 0, 0, 0);
}

TEST(LoadingScreenTest, ZeroCountKeepsLoading) {
    REQUIRE_GL();
    RecordingPresenter presenter;
    LoadingScreen screen(presenter, 0);
    for (int i = 0; i < 3; ++i) screen.Step();
    ASSERT_EQ(3u, presenter.frames.size());
    for (const auto& f : presenter.frames) EXPECT_FLOAT_EQ(-0.5f, f.y);
    ExpectRestored();
}

TEST(LoadingScreenTest, ClearsColourOnly) {
    REQUIRE_GL();
    glEnable(GL_DEPTH_TEST);
    glClearDepth(0.25);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    RecordingPresenter presenter;
    LoadingScreen screen(presenter, 3);
    screen.Step();
    GLfloat depth = 0;
    glReadPixels(5, 5, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_NEAR(0.25, depth, 1e-3);
    glClearDepth(1.0);
}

TEST(LoadingScreenTest, ClosingTheWindowUnwindsCleanly) {
    REQUIRE_GL();
    RecordingPresenter presenter;
    presenter.fail_at = 1;
    LoadingScreen screen(presenter, 5);
    screen.Step();
    try {
        screen.Step();
        FAIL() << "nothing raised";
    } catch (const DemoFailure& failure) {
        EXPECT_STREQ("You quit?", failure.what());
    }
    EXPECT_EQ(2u, presenter.frames.size());
    ExpectRestored();
}

TEST(LoadingScreenTest, MissingPictureDrawsAWhiteQuad) {
    REQUIRE_GL();
    ScratchDir empty;
    RecordingPresenter presenter;
    InDirectory(empty.path(), [&] {
        LoadingScreen screen(presenter, 4);
        screen.Step();
    });
    ASSERT_EQ(1u, presenter.frames.size());
    const Rgba middle = presenter.frames[0].middle;
    EXPECT_EQ(255, middle.r);
    EXPECT_EQ(255, middle.g);
    EXPECT_EQ(255, middle.b);
    EXPECT_EQ(0, presenter.frames[0].top.r);  // cleared above the quad
}
