// The show from start to end: settings, window, script, music, frame loop,
// shutdown, and the one place where failures are caught and reported.
#pragma once

#include "app/options.h"

// Returns the process exit code: 0 after a normal end or a reported failure,
// -1 when the viewer cancels the settings dialog.
int RunShow(const Options& options);
