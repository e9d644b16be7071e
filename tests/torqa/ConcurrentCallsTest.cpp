// Motor-controller calls from several threads while another destroys and re-creates controllers:
// the registry must never be read while it changes (AddressSanitizer reports the use after free
// if it is).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "SimBus.h"
#include "TorqaJNI.h"
#include "torqa/TorqaRegistry.h"

using namespace korvane;
using namespace std::chrono_literals;

namespace {

class TorqaConcurrentCallsTest : public test::SimBusTest {};

TEST_F(TorqaConcurrentCallsTest, CommandsAndLookupsRacingDestroyAndCreateStayWellFormed) {
  std::atomic<long> current{TorqaJNI::c_Torqa_create(1, 1000)};
  ASSERT_NE(current.load(), 0);
  std::atomic<bool> done{false};
  std::atomic<long> calls{0};
  std::vector<std::thread> callers;
  for (int i = 0; i < 4; ++i) {
    callers.emplace_back([&] {
      while (!done.load()) {
        long handle = current.load();
        TorqaJNI::c_Torqa_setTargetVelocity(handle, 1, 120.0f);
        int id = DeviceIDForHandle(handle);
        EXPECT_TRUE(id >= 0 && id <= 63) << id;
        calls.fetch_add(1);
      }
    });
  }
  // Many controllers at once make the maps grow and shrink (rehashing) under the readers.
  auto start = std::chrono::steady_clock::now();
  int rounds = 0;
  while (rounds < 100 || calls.load() < 50000) {
    std::vector<long> open;
    for (int device = 2; device <= 63; ++device) {
      long handle = TorqaJNI::c_Torqa_create(device, 1000);
      ASSERT_NE(handle, 0);
      open.push_back(handle);
      current.store(handle);
    }
    for (long handle : open) TorqaJNI::c_Torqa_destroy(handle);
    current.store(TorqaJNI::c_Torqa_create(1, 1000));
    ++rounds;
    if (std::chrono::steady_clock::now() - start > 20s) break;
  }
  done.store(true);
  for (auto& caller : callers) caller.join();
  TorqaJNI::c_Torqa_destroy(current.load());
  EXPECT_EQ(TorqaJNI::runningHeartbeats(), 0u);
  EXPECT_GT(calls.load(), 0);
}

}  // namespace

namespace {

// More handles than the lock-free table holds: the rest are found through the map.
TEST(TorqaRegistryCapacity, EveryRegisteredHandleIsFoundAndForgottenHandlesAreNot) {
  std::vector<int32_t> handles;
  for (int32_t i = 0; i < 300; ++i) handles.push_back(0x70000000 + i * 977);
  for (size_t i = 0; i < handles.size(); ++i) {
    torqa_registry::registerController(handles[i], static_cast<int32_t>(i % 63) + 1);
  }
  for (size_t i = 0; i < handles.size(); ++i) {
    EXPECT_EQ(DeviceIDForHandle(handles[i]), static_cast<int>(i % 63) + 1) << i;
  }
  torqa_registry::registerController(handles[250], 7);
  EXPECT_EQ(DeviceIDForHandle(handles[250]), 7) << "re-registering overwrites";
  for (int32_t handle : handles) torqa_registry::forgetController(handle);
  for (int32_t handle : handles) EXPECT_EQ(DeviceIDForHandle(handle), 0) << handle;
}

}  // namespace
