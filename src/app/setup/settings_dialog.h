// The "Video setup" dialog: lets the viewer pick a resolution, display
// options and the render scale (Auto, 100 %, 75 %, 50 %; it opens on the
// record's scale) before the show.
//
// Runs modally on the main thread before the window exists. Returns 1 after
// "Run" (the record holds the choices), 0 after "Cancel", Escape, closing
// the dialog or a stop signal (stop_signals.h), and another value (the
// record untouched) when no dialog can be shown, for example without a
// display.
#pragma once

#include "app/core/display_settings.h"

int ShowDisplaySettingsDialog(DisplaySettings& settings);
