// Display modes of the primary display, read from the X server (XRandR).
//
// [X] the primary output's modes (or, when no output is marked primary, the
//     first connected output that shows a picture), in the server's order,
//     one entry per refresh rate
// [X] every mode reported at the current colour depth, given as bits per
//     pixel of that depth's pixmap format (24-bit depth reports 32)
// [X] servers with only RandR 1.0/1.1: the screen sizes and their rates
// [ ] no display, or no RandR: an empty list, never an error
// [ ] modes at other depths are not enumerated: X changes depth per server,
//     not per mode
//
// Needs nothing first; opens and closes its own connection. Never raises.
#pragma once

#include <vector>

struct DisplayMode {
    int width = 0;
    int height = 0;
    int bits_per_pixel = 0;
    int refresh_hz = 0;  // 0 when the server does not say
};

// `display_name` null means $DISPLAY.
std::vector<DisplayMode> EnumerateDisplayModes(const char* display_name = nullptr);

// The refresh rate of the screen's current mode in Hz; 0 when there is no
// display or the server does not say.
int CurrentRefreshHz(const char* display_name = nullptr);
