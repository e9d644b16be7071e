#pragma once

#include "SimBus.h"
#include "TorqaJNI.h"

namespace korvane::test {

// Each test runs with one controller open at device number Device, closed afterwards.
template <int Device>
class OpenControllerTest : public SimBusTest {
 protected:
  static constexpr int kDevice = Device;

  void SetUp() override {
    SimBusTest::SetUp();
    handle = TorqaJNI::c_Torqa_create(kDevice, 1000);
    ASSERT_NE(handle, 0);
  }
  void TearDown() override {
    TorqaJNI::c_Torqa_destroy(handle);
    SimBusTest::TearDown();
  }

  long handle = 0;
};

}  // namespace korvane::test
