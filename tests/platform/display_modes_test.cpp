// Display modes from the X server: what the test display (Xvfb) reports,
// and the empty list without a display.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/display_modes.h"

namespace {

// An X server started without -noreset resets when its last client leaves
// and refuses connections meanwhile; the previous test process may just have
// left. A few tries over half a second outlast the reset.
Display* OpenTestDisplay() {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr)) return display;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return nullptr;
}

TEST(DisplayModes, NoDisplayGivesAnEmptyList) {
    EXPECT_TRUE(EnumerateDisplayModes(":9999").empty());
    EXPECT_TRUE(EnumerateDisplayModes("not a display name").empty());
}

TEST(DisplayModes, TheTestDisplayReportsItsScreenAtItsDepth) {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no display";
    // The test's own connection is opened first and held, so the server
    // does not reset while the enumeration connects and disconnects.
    Display* display = OpenTestDisplay();
    ASSERT_NE(display, nullptr);
    const std::vector<DisplayMode> modes = EnumerateDisplayModes();
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    XCloseDisplay(display);
    ASSERT_FALSE(modes.empty());
    for (const DisplayMode& mode : modes) {
        EXPECT_GT(mode.width, 0);
        EXPECT_GT(mode.height, 0);
        EXPECT_GE(mode.refresh_hz, 0);
        // ./test.sh starts Xvfb at depth 24, stored in 32 bits per pixel.
        EXPECT_EQ(mode.bits_per_pixel, 32);
    }
    // The size the screen has now is one of its modes.
    bool found = false;
    for (const DisplayMode& mode : modes) found |= mode.width == width && mode.height == height;
    EXPECT_TRUE(found) << width << " x " << height;
}

}  // namespace
