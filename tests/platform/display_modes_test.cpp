// Display modes from the X server: what the test display (Xvfb) reports,
// and the empty list without a display.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdlib>

#include "platform/display_modes.h"

namespace {

TEST(DisplayModes, NoDisplayGivesAnEmptyList) {
    EXPECT_TRUE(EnumerateDisplayModes(":9999").empty());
    EXPECT_TRUE(EnumerateDisplayModes("not a display name").empty());
}

TEST(DisplayModes, TheTestDisplayReportsItsScreenAtItsDepth) {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no display";
    const std::vector<DisplayMode> modes = EnumerateDisplayModes();
    ASSERT_FALSE(modes.empty());
    for (const DisplayMode& mode : modes) {
        EXPECT_GT(mode.width, 0);
        EXPECT_GT(mode.height, 0);
        EXPECT_GE(mode.refresh_hz, 0);
        // ./test.sh starts Xvfb at depth 24, stored in 32 bits per pixel.
        EXPECT_EQ(mode.bits_per_pixel, 32);
    }
    // The size the screen has now is one of its modes.
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    XCloseDisplay(display);
    bool found = false;
    for (const DisplayMode& mode : modes) found |= mode.width == width && mode.height == height;
    EXPECT_TRUE(found) << width << " x " << height;
}

}  // namespace
