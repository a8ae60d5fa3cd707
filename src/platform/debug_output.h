// Diagnostic output: the stand-in for a debugger output window.
//
// Texts are written unchanged to standard error and flushed at once, so a
// diagnostic is never lost when the process ends through a failure. Never
// raises.
#pragma once

// Writes the text as it is.
void DebugOutput(const char* text);

// Formats printf-style into a 1024-byte buffer (longer results are cut) and writes it.
void DebugOutputFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
