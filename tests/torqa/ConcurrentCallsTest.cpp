// Motor-controller calls from several threads while another destroys and re-creates controllers:
// a controller must never be freed while a call holds it (AddressSanitizer reports the use after
// free if it is). The callers go through the statics, by handle, as Java's threads do: a call
// racing the close of its own controller is their case (a C++ object is not closed under a call).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include "SimBus.h"
#include "TorqaJNI.h"
#include "korvane/Torqa.h"
#include "korvane/sim/Can.h"
#include "torqa/Controllers.h"

using namespace korvane;
using namespace std::chrono_literals;

namespace {

class TorqaConcurrentCallsTest : public test::SimBusTest {};

TEST_F(TorqaConcurrentCallsTest, CommandsAndLookupsRacingDestroyAndCreateStayWellFormed) {
  std::optional<Torqa> last(std::in_place, 1, 1000);
  ASSERT_TRUE(last->IsOpen());
  std::atomic<long> current{static_cast<long>(last->GetHandle())};
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
    std::vector<Torqa> open;
    open.reserve(63);
    open.push_back(std::move(*last));  // the last round's controller too
    for (int device = 2; device <= 63; ++device) {
      open.emplace_back(device, 1000);
      ASSERT_TRUE(open.back().IsOpen());
      current.store(static_cast<long>(open.back().GetHandle()));
    }
    open.clear();
    last.emplace(1, 1000);
    current.store(static_cast<long>(last->GetHandle()));
    ++rounds;
    if (std::chrono::steady_clock::now() - start > 20s) break;
  }
  done.store(true);
  for (auto& caller : callers) caller.join();
  last.reset();
  EXPECT_EQ(korvane::torqa::Controllers::instance().runningHeartbeats(), 0u);
  EXPECT_EQ(sim::openCanHandles(), 0) << "every controller closed";
  EXPECT_GT(calls.load(), 0);
}

}  // namespace
