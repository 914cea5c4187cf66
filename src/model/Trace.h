// The program's trace on standard output: build steps, layout passes and the
// like, a hundred thousand lines in a large build. Lines are buffered rather
// than written one system call each; the buffer goes out at exit, before
// anything is written to standard error, and at least once a second while
// lines keep coming.
#pragma once

#include <string_view>

[[gnu::format(printf, 1, 2)]] void trace(const char* format, ...);
void traceText(std::string_view text);
// The text and a line break, as trace("%s\n") writes it, without the format.
void traceLine(std::string_view text);
// Writes out what is buffered.
void traceFlush();
