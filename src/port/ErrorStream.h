#pragma once

// The robot utility library's standard-error stream, where the mock driver station's log lines
// go: each call is one write, so lines from several threads stay whole.
//
// Threading: any thread.

#include <cstddef>

namespace korvane::port {

void writeError(const char* data, size_t size);

}  // namespace korvane::port
