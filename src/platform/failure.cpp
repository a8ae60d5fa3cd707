#include "platform/failure.h"

#include <cstdarg>
#include <cstdio>

void Fail(std::string text) { throw DemoFailure(std::move(text)); }

void EndShow(std::string text) { throw DemoFailure(std::move(text), true); }

void FailFormat(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    throw DemoFailure(buffer);
}
