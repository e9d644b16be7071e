#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "korvane/sim/Can.h"

namespace korvane::test {

// Every test starts on a bus as at load time, with the robot disabled.
class SimBusTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// The frames sent to one identifier, oldest first.
std::vector<sim::CanFrame> framesWithId(uint32_t id);
// "00 20 4E 00 00 00 00 00"
std::string hex(const sim::CanFrame& frame);
std::string hex(const std::vector<uint8_t>& bytes);

}  // namespace korvane::test
