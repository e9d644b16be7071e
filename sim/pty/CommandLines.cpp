#include "CommandLines.h"

namespace korvane::sim {

std::vector<std::string> CommandLines::add(const std::string& bytes) {
  std::lock_guard lock(mutex_);
  bytes_ += bytes;
  std::vector<std::string> complete;
  for (char byte : bytes) {
    if (byte == '\n') {
      complete.push_back(partial_);
      partial_.clear();
    } else if (byte != '\r') {
      partial_.push_back(byte);
    }
  }
  return complete;
}

void CommandLines::obeyed(const std::string& line) {
  std::lock_guard lock(mutex_);
  lines_.push_back(line);
  obeyed_.notify_all();
}

std::vector<std::string> CommandLines::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

std::string CommandLines::bytes() const {
  std::lock_guard lock(mutex_);
  return bytes_;
}

bool CommandLines::waitFor(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return obeyed_.wait_for(lock, timeout, [&] { return lines_.size() >= count; });
}

}  // namespace korvane::sim
