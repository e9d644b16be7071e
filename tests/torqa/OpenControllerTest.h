#pragma once

#include <optional>

#include "SimBus.h"
#include "korvane/Torqa.h"

namespace korvane::test {

// Each test runs with one controller open at device number Device, closed afterwards. handle is
// its CAN handle, for the tests whose point is the JNI-shaped statics' own behaviour.
template <int Device>
class OpenControllerTest : public SimBusTest {
 protected:
  static constexpr int kDevice = Device;

  void SetUp() override {
    SimBusTest::SetUp();
    controller.emplace(kDevice, 1000);
    ASSERT_TRUE(controller->IsOpen());
    handle = static_cast<long>(controller->GetHandle());
  }
  void TearDown() override {
    controller.reset();
    SimBusTest::TearDown();
  }

  std::optional<Torqa> controller;
  long handle = 0;
};

}  // namespace korvane::test
