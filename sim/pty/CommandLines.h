#pragma once

// What a device that takes command lines has received from its driver: every byte, and the lines
// they make (a line ends at '\n'; '\r' is dropped).
//
// Threading: every member may be called from any thread.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace korvane::sim {

class CommandLines {
 public:
  // Records bytes from the driver and returns the lines they complete, without their line ends;
  // an unfinished line is kept for the next bytes. The device obeys each line, then records it
  // with obeyed().
  std::vector<std::string> add(const std::string& bytes);
  // Records a line the device has obeyed, so that whoever waits for it sees its effect.
  void obeyed(const std::string& line);

  // Lines obeyed, oldest first.
  std::vector<std::string> lines() const;
  // Every byte received.
  std::string bytes() const;
  // Waits until at least count lines have been obeyed.
  bool waitFor(size_t count, std::chrono::milliseconds timeout) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable obeyed_;
  std::string bytes_;
  std::string partial_;
  std::vector<std::string> lines_;
};

}  // namespace korvane::sim
