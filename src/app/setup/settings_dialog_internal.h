// The "Video setup" dialog on a given mode list, for tests and tools.
//
// RunDisplaySettingsDialog behaves like ShowDisplaySettingsDialog but takes
// the display modes instead of asking the X server, and calls `on_shown`
// with the dialog's widgets once they are on screen and before the dialog's
// modal loop starts, so a test can schedule clicks and key presses (for
// example with g_timeout_add) that the loop then delivers.
#pragma once

#include <functional>
#include <vector>

#include "app/core/display_settings.h"
#include "platform/display_modes.h"

typedef struct _GtkWidget GtkWidget;

struct SettingsDialogWidgets {
    GtkWidget* dialog;
    GtkWidget* resolution;  // GtkComboBoxText, one line per mode-list entry
    GtkWidget* fullscreen;  // the check boxes
    GtkWidget* always_on_top;
    GtkWidget* vertical_sync;
    GtkWidget* multisampling;
    GtkWidget* render_scale;  // GtkComboBoxText: Auto, 100 %, 75 %, 50 % (and --scale's value)
    GtkWidget* run;
    GtkWidget* cancel;
};

using SettingsDialogHook = std::function<void(const SettingsDialogWidgets&)>;

// Returns 1 after "Run", 0 after "Cancel", Escape or closing, 2 when GTK
// cannot start (no display).
int RunDisplaySettingsDialog(DisplaySettings& settings, const std::vector<DisplayMode>& modes,
                             const SettingsDialogHook& on_shown = nullptr);
