// A create whose heartbeat cannot start closes the controller again (Linux: the thread's stack
// is kept from being mapped by the address-space limit).

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <fstream>
#include <optional>
#include <string>

#include "SimBus.h"
#include "korvane/Torqa.h"
#include "korvane/sim/Can.h"
#include "torqa/Controllers.h"

using namespace korvane;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

class TorqaHeartbeatStartTest : public test::SimBusTest {};

// The process's mapped memory, in bytes.
rlim_t mappedBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
  }
  return 0;
}

// A thread's stack is a mapping of its own: with no room left to map one, the heartbeat's thread
// cannot start.
TEST_F(TorqaHeartbeatStartTest, AnOpeningWhoseHeartbeatCannotStartClosesTheControllerAgain) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers map memory of their own for every thread and call";
#else
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &limit), 0);
  const rlim_t mapped = mappedBytes();
  ASSERT_GT(mapped, 0u);
  std::optional<Torqa> controller;
  CaptureStdout();
  const rlimit lowered{mapped + (2u << 20), limit.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_AS, &lowered), 0);
  controller.emplace(3, 1000);
  setrlimit(RLIMIT_AS, &limit);
  const std::string output = GetCapturedStdout();
  if (controller->IsOpen()) {
    controller.reset();
    GTEST_SKIP() << "the thread reused the stack of one that ended earlier in this process";
  }
  EXPECT_EQ(output, "Torqa could not be initialized\n");
  EXPECT_EQ(sim::openCanHandles(), 0);
  EXPECT_EQ(korvane::torqa::Controllers::instance().runningHeartbeats(), 0u);
#endif
}

}  // namespace
