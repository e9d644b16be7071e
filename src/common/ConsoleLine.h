#pragma once

// Console lines. Each line leaves its stream in one piece, text and newline together, and is
// flushed at once, so lines printed by several threads at the same time never mix.

#include <ostream>
#include <string_view>

namespace korvane {

void printLine(std::ostream& stream, std::string_view text);

}  // namespace korvane
