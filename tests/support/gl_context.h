// A real GL context for tests: an SDL 1.2 window on the test display (Xvfb),
// opened once per test process and kept to its end. Requires DISPLAY.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <string>
#include <vector>

// Opens the window (first call only) at the given size and puts GL into the
// state the frame loop gives every effect: standard perspective view,
// identity modelview, GL_TEXTURE_2D on, texture 0, no blending, no fog,
// program 0, clear colour black. Returns false when no context can be made.
bool EnsureGlContext(int width = 640, int height = 480);

// Restores the frame loop's state between tests and clears colour and depth.
void ResetGlState();

// Reads the back buffer as RGBA rows, bottom row first.
std::vector<uint8_t> ReadPixels(int x, int y, int width, int height);

// Pixel (x, y) of the window, y counted from the bottom: RGBA.
struct Rgba {
    int r, g, b, a;
};
Rgba PixelAt(int x, int y);

// Writes the back buffer to $DEMO_TEST_PICTURES/<name>.png when that
// variable is set, so a person can look at what a test drew. Does nothing
// otherwise.
void MaybeSavePicture(const std::string& name);

// Skips the current test when there is no GL context.
#define REQUIRE_GL()                                                  \
    do {                                                              \
        if (!EnsureGlContext()) GTEST_SKIP() << "no GL context here"; \
    } while (0)
