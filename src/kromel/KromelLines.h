#pragma once

// The colour sensor's text stream over USB: bytes assembled into lines wherever the reads happened
// to fall, and the reading lines among them. A reading line starts with "XYZ:" and carries three
// or more comma-separated numbers, of which the first three are x, y and z; it may be prefixed by
// "DIST:" and anything up to the first two spaces. Every other line is ignored. CR is ignored
// wherever it occurs; a line longer than 512 characters is dropped, and the rest of it forms a
// new line.
//
// Threading: none of its own; one thread feeds it.

#include <cstdint>
#include <string>

#include "korvane/Kromel.h"

namespace korvane::kromel {

class LineReader {
 public:
  using Reading = korvane::Kromel::ColorData;

  // Hands every reading the bytes complete to sink, in stream order, numbered from 1 (the count
  // wraps at 65536).
  template <class Sink>
  void feed(const unsigned char* bytes, int count, Sink&& sink);

 private:
  // Ends the line in hand: true with the reading when it is a reading line.
  bool endLine(Reading* reading);

  std::string line_;
  uint16_t readings_ = 0;
};

template <class Sink>
void LineReader::feed(const unsigned char* bytes, int count, Sink&& sink) {
  constexpr size_t kMaxLine = 512;
  for (int i = 0; i < count; ++i) {
    const char c = static_cast<char>(bytes[i]);
    if (c == '\n') {
      Reading reading;
      if (endLine(&reading)) sink(reading);
    } else if (c != '\r') {
      line_.push_back(c);
      if (line_.size() > kMaxLine) line_.clear();
    }
  }
}

}  // namespace korvane::kromel
