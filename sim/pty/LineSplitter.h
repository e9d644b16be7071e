#pragma once

// Splits the bytes a driver sends into command lines: a line ends at '\n', and '\r' is dropped.
// Not thread-safe: its owner guards it.

#include <string>
#include <vector>

namespace korvane::sim {

class LineSplitter {
 public:
  // The lines these bytes complete, without their line ends; an unfinished line is kept for the
  // next bytes.
  std::vector<std::string> add(const std::string& bytes) {
    std::vector<std::string> lines;
    for (char byte : bytes) {
      if (byte == '\n') {
        lines.push_back(partial_);
        partial_.clear();
      } else if (byte != '\r') {
        partial_.push_back(byte);
      }
    }
    return lines;
  }

 private:
  std::string partial_;
};

}  // namespace korvane::sim
