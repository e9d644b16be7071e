#include "common/ConsoleLine.h"

#include <string>

namespace korvane {

void printLine(std::ostream& stream, std::string_view text) {
  // One write of the whole line: the standard streams hand it to the C library's stream as one
  // piece, under that stream's lock.
  std::string line;
  line.reserve(text.size() + 1);
  line.append(text);
  line.push_back('\n');
  stream.write(line.data(), static_cast<std::streamsize>(line.size()));
  stream.flush();
}

}  // namespace korvane
