#include "SimBus.h"

#include <cstdio>

#include "korvane/sim/System.h"

namespace korvane::test {

void SimBusTest::SetUp() {
  sim::resetCan();
  sim::setSystemActive(false);
}

void SimBusTest::TearDown() {
  sim::resetCan();
  sim::setSystemActive(false);
}

std::vector<sim::CanFrame> framesWithId(uint32_t id) {
  std::vector<sim::CanFrame> matching;
  for (const auto& frame : sim::sentFrames()) {
    if (frame.id == id) matching.push_back(frame);
  }
  return matching;
}

std::string hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char byte[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(byte, sizeof byte, i == 0 ? "%02X" : " %02X", bytes[i]);
    text += byte;
  }
  return text;
}

std::string hex(const sim::CanFrame& frame) {
  return hex(std::vector<uint8_t>(frame.data.begin(), frame.data.begin() + frame.size));
}

}  // namespace korvane::test
