// The one line format in which a benchmark hands a figure to bench/run:
//   figure | <what> | <measured> | <target, or "-">
// Everything else a benchmark prints is for the reader of its console.
#pragma once
#include <cstdarg>
#include <cstdio>

namespace velk::bench {

// measuredFormat is a printf format for the measured value.
inline void PrintFigure(const char* what, const char* target, const char* measuredFormat, ...) {
    char measured[128] = {};
    va_list args;
    va_start(args, measuredFormat);
    std::vsnprintf(measured, sizeof(measured), measuredFormat, args);
    va_end(args);
    std::printf("figure | %s | %s | %s\n", what, measured, target ? target : "-");
    std::fflush(stdout);
}

}  // namespace velk::bench
