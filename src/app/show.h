// The show from start to end: settings, window, script, music, frame loop,
// shutdown, and the one place where failures are caught and reported.
#pragma once

#include "app/core/display_settings.h"
#include "app/options.h"

// Exit statuses of the program.
constexpr int kExitShowEnded = 0;   // Escape, "End of show", "You quit?" (window closed, signal)
constexpr int kExitFailure = 1;     // any other message through the failure channel
constexpr int kExitBadOption = 2;   // a command line that cannot be read
constexpr int kExitCancelled = -1;  // "Cancel" in the settings dialog (255 to the shell)

// The display settings the "Video setup" dialog opens with (or the window
// gets without it): the defaults, with --windowed and --size applied.
DisplaySettings InitialDisplaySettings(const Options& options);

// Plays the show and returns the process exit status (above).
int RunShow(const Options& options);
