#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "korvane/sim/I2c.h"

namespace korvane::test {

// A device that acknowledges every transfer and answers every read with the same bytes.
class ScriptedConverter : public sim::I2cDevice {
 public:
  explicit ScriptedConverter(std::vector<uint8_t> answer) : answer_(std::move(answer)) {}
  bool onWrite(const uint8_t*, int) override { return true; }
  bool onRead(uint8_t* data, int size) override {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < size; ++i) data[i] = answer_[i % answer_.size()];
    return true;
  }

 private:
  std::mutex mutex_;
  std::vector<uint8_t> answer_;
};

}  // namespace korvane::test
