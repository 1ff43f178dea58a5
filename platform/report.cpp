#include "platform/report.h"

#include <cstdarg>
#include <cstdio>

void Report(const char* subsystem, const char* format, ...) {
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (subsystem && *subsystem) {
        std::fprintf(stderr, "kaziro: %s: %s\n", subsystem, text);
    } else {
        std::fprintf(stderr, "kaziro: %s\n", text);
    }
    std::fflush(stderr);
}
