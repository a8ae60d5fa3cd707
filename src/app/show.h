// The show from start to end: settings, window, script, music, frame loop,
// shutdown, and the one place where failures are caught and reported.
#pragma once

#include <string>

#include "app/core/display_settings.h"
#include "app/options.h"

// Exit statuses of the program.
constexpr int kExitShowEnded = 0;   // Escape, "End of show", "You quit?" (window closed, signal)
constexpr int kExitFailure = 1;     // any other message through the failure channel
constexpr int kExitBadOption = 2;   // a command line that cannot be read
constexpr int kExitCancelled = -1;  // "Cancel" in the settings dialog (255 to the shell)

// Where a program finds what it plays when the options do not say.
struct ProgramLayout {
    std::string name = "demo";  // as --help and the messages call it
    std::string default_show;   // the show without --show; "" is the working folder
    std::string plugin_folder;  // the installed plug-ins; "" for none
};

// The layout of a program installed with its show and plug-ins at these
// folders relative to its own (so the installed tree can be moved).
ProgramLayout InstalledLayout(const char* name, const char* show_from_program,
                              const char* plugins_from_program);

// The display settings the "Video setup" dialog opens with (or the window
// gets without it): the defaults, with --windowed and --size applied.
DisplaySettings InitialDisplaySettings(const Options& options);

// Plays the show (the one of --show, or the layout's default) and returns
// the process exit status (above). A folder that holds no show is a failure.
int RunShow(const Options& options, const ProgramLayout& layout = ProgramLayout());
