// The simulated I2C buses keep the HAL's contracts: transfers reach the device at their address,
// an absent device or an unopened port fails with -1, and every call is recorded.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "hal/I2C.h"
#include "korvane/sim/I2c.h"

using namespace korvane;
using sim::I2cCall;

namespace {

class Recorder : public sim::I2cDevice {
 public:
  bool onWrite(const uint8_t* data, int size) override {
    written.assign(data, data + size);
    return acknowledge;
  }
  bool onRead(uint8_t* data, int size) override {
    for (int i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(0xA0 + i);
    return acknowledge;
  }
  std::vector<uint8_t> written;
  bool acknowledge = true;
};

class I2cBusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::resetI2c();
    int32_t status = -5;
    HAL_InitializeI2C(HAL_I2C_kOnboard, &status);
    EXPECT_EQ(status, 0);
    device = std::make_shared<Recorder>();
    sim::attachI2cDevice(0, 0x20, device);
    sim::clearI2cTransactions();
  }
  void TearDown() override { sim::resetI2c(); }
  std::shared_ptr<Recorder> device;
};

TEST_F(I2cBusTest, TransfersReachTheDeviceAndAreRecorded) {
  const uint8_t out[3] = {1, 2, 3};
  EXPECT_EQ(HAL_WriteI2C(HAL_I2C_kOnboard, 0x20, out, 3), 3);
  EXPECT_EQ(device->written, (std::vector<uint8_t>{1, 2, 3}));
  uint8_t in[2] = {};
  EXPECT_EQ(HAL_ReadI2C(HAL_I2C_kOnboard, 0x20, in, 2), 2);
  EXPECT_EQ(in[0], 0xA0);
  EXPECT_EQ(in[1], 0xA1);

  auto log = sim::i2cTransactions();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].call, I2cCall::Write);
  EXPECT_EQ(log[0].address, 0x20);
  EXPECT_EQ(log[0].bytes, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(log[0].result, 3);
  EXPECT_EQ(log[1].call, I2cCall::Read);
  EXPECT_EQ(log[1].bytes, (std::vector<uint8_t>{0xA0, 0xA1}));
  EXPECT_LE(log[0].timestampUs, log[1].timestampUs);
}

TEST_F(I2cBusTest, AbsentDevicesUnopenedPortsAndRefusalsFail) {
  uint8_t buffer[2] = {0x55, 0x55};
  EXPECT_EQ(HAL_ReadI2C(HAL_I2C_kOnboard, 0x21, buffer, 2), -1);
  EXPECT_EQ(buffer[0], 0x55);  // untouched
  EXPECT_EQ(HAL_WriteI2C(HAL_I2C_kOnboard, 0x21, buffer, 2), -1);
  // The same address on the other port, which is not open.
  sim::attachI2cDevice(1, 0x20, std::make_shared<Recorder>());
  EXPECT_EQ(HAL_ReadI2C(HAL_I2C_kMXP, 0x20, buffer, 2), -1);
  EXPECT_EQ(HAL_ReadI2C(HAL_I2C_kOnboard, 0x20, buffer, 0), -1);
  EXPECT_EQ(HAL_ReadI2C(HAL_I2C_kOnboard, 0x20, nullptr, 2), -1);
  device->acknowledge = false;
  EXPECT_EQ(HAL_ReadI2C(HAL_I2C_kOnboard, 0x20, buffer, 2), -1);

  auto log = sim::i2cTransactions();
  ASSERT_EQ(log.size(), 6u);
  for (const auto& t : log) EXPECT_EQ(t.result, -1);
  EXPECT_TRUE(log[0].bytes.empty());
  EXPECT_EQ(log[1].bytes, (std::vector<uint8_t>{0x55, 0x55}));  // what was attempted
}

TEST_F(I2cBusTest, InjectedFailuresAndPortState) {
  uint8_t byte = 0;
  sim::failI2cCalls(I2cCall::Read, 1);
  EXPECT_EQ(HAL_ReadI2C(HAL_I2C_kOnboard, 0x20, &byte, 1), -1);
  EXPECT_EQ(HAL_ReadI2C(HAL_I2C_kOnboard, 0x20, &byte, 1), 1);

  sim::failI2cCalls(I2cCall::Write);
  EXPECT_EQ(HAL_WriteI2C(HAL_I2C_kOnboard, 0x20, &byte, 1), -1);
  EXPECT_EQ(HAL_WriteI2C(HAL_I2C_kOnboard, 0x20, &byte, 1), -1);
  sim::clearI2cFailures();
  EXPECT_EQ(HAL_WriteI2C(HAL_I2C_kOnboard, 0x20, &byte, 1), 1);

  int32_t status = 0;
  sim::failI2cCalls(I2cCall::Initialize, 1, -1029);
  HAL_InitializeI2C(HAL_I2C_kMXP, &status);
  EXPECT_EQ(status, -1029);
  EXPECT_FALSE(sim::i2cPortOpen(1));
  HAL_InitializeI2C(static_cast<HAL_I2CPort>(2), &status);
  EXPECT_NE(status, 0);

  EXPECT_TRUE(sim::i2cPortOpen(0));
  HAL_CloseI2C(HAL_I2C_kOnboard);
  EXPECT_FALSE(sim::i2cPortOpen(0));
  EXPECT_EQ(HAL_ReadI2C(HAL_I2C_kOnboard, 0x20, &byte, 1), -1);
}

TEST_F(I2cBusTest, DetachedDeviceGetsNoMoreTransfers) {
  auto other = std::make_shared<Recorder>();
  sim::I2cDeviceId id = sim::attachI2cDevice(0, 0x30, other);
  uint8_t byte = 7;
  EXPECT_EQ(HAL_WriteI2C(HAL_I2C_kOnboard, 0x30, &byte, 1), 1);
  sim::detachI2cDevice(id);
  byte = 8;
  EXPECT_EQ(HAL_WriteI2C(HAL_I2C_kOnboard, 0x30, &byte, 1), -1);
  EXPECT_EQ(other->written, std::vector<uint8_t>{7});
}

}  // namespace
