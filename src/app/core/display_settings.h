// DisplaySettings: the viewer's display choices, filled with defaults by the
// entry point and edited by the "Video setup" dialog.
#pragma once

#include "app/core/render_scale.h"

struct DisplaySettings {
    int width = 1024;
    int height = 768;
    int bits_per_pixel = 32;
    bool windowed = false;  // false: full screen
    bool vertical_sync = true;
    bool multisampling = false;
    bool always_on_top = true;
    RenderScale render_scale;  // 1 unless chosen
    // The size was given on the command line: the dialog lists and
    // preselects it even when no display mode has it.
    bool size_given = false;
};
