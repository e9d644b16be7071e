// Motor-controller calls from several threads while another destroys and re-creates controllers:
// a controller must never be freed while a call holds it (AddressSanitizer reports the use after
// free if it is).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "SimBus.h"
#include "TorqaJNI.h"
#include "korvane/sim/Can.h"
#include "torqa/Controllers.h"

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
  // Many controllers at once fill and empty the table under the callers.
  auto start = std::chrono::steady_clock::now();
  int rounds = 0;
  while (rounds < 100 || calls.load() < 50000) {
    std::vector<long> open{current.load()};  // the last round's controller too
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
  EXPECT_EQ(korvane::torqa::Controllers::instance().runningHeartbeats(), 0u);
  EXPECT_EQ(sim::openCanHandles(), 0) << "every controller closed";
  EXPECT_GT(calls.load(), 0);
}

}  // namespace
