#include "platform/debug_output.h"

#include <cstdarg>
#include <cstdio>

void DebugOutput(const char* text) {
    fputs(text, stderr);
    fflush(stderr);
}

void DebugOutputFormat(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    DebugOutput(buffer);
}
