// The live-object registry: stale handles, and objects kept alive for the calls that found them
// while another thread destroys and creates.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "BackgroundCall.h"
#include "Wait.h"
#include "jni/Boundary.h"

using namespace std::chrono_literals;

namespace {

struct Device {
  std::vector<int> samples = std::vector<int>(64, 7);
  int sum() const {
    int total = 0;
    for (int s : samples) total += s;
    return total;
  }
};

TEST(LiveObjectsTest, AHandleIsFoundOnlyWhileItsObjectIsLive) {
  boundary::LiveObjects<Device> live;
  EXPECT_FALSE(live.find(0));
  auto* device = new Device;
  jlong handle = live.add(device);
  {
    auto found = live.find(handle);
    ASSERT_TRUE(found);
    EXPECT_EQ(found.get(), device);
    EXPECT_EQ(found->sum(), 64 * 7);
    EXPECT_EQ(&*found, device);
  }
  EXPECT_FALSE(live.find(handle + 8)) << "an address that was never handed out";
  delete live.remove(handle);
  EXPECT_FALSE(live.find(handle));
  EXPECT_EQ(live.remove(handle), nullptr) << "a second destroy";
  EXPECT_EQ(live.remove(0), nullptr);
}

TEST(LiveObjectsTest, AFullTableRefusesTheNextObjectUntilOneIsRemoved) {
  boundary::LiveObjects<Device> live;
  std::vector<Device> devices(257);
  std::vector<jlong> handles;
  for (size_t i = 0; i < 256; ++i) handles.push_back(live.add(&devices[i]));
  EXPECT_THROW(live.add(&devices[256]), std::length_error);
  static Device* freed;
  freed = nullptr;
  testing::internal::CaptureStderr();
  EXPECT_EQ(live.adopt(&devices[256], [](Device* device) { freed = device; }), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("256 objects of this kind are open"),
            std::string::npos);
  EXPECT_EQ(freed, &devices[256]) << "a create that cannot be registered frees its object";
  EXPECT_EQ(live.adopt(nullptr, [](Device*) { FAIL(); }), 0);
  for (size_t i = 0; i < 256; ++i) EXPECT_EQ(live.find(handles[i]).get(), &devices[i]) << i;
  EXPECT_EQ(live.remove(handles[17]), &devices[17]);
  jlong last = live.add(&devices[256]);
  EXPECT_EQ(live.find(last).get(), &devices[256]);
  EXPECT_FALSE(live.find(handles[17]));
  for (size_t i = 0; i < 256; ++i) live.remove(handles[i]);
  live.remove(last);
}

TEST(LiveObjectsTest, RemoveWaitsForTheCallsThatFoundTheObject) {
  boundary::LiveObjects<Device> live;
  auto* device = new Device;
  jlong handle = live.add(device);
  auto inFlight = live.find(handle);
  ASSERT_TRUE(inFlight);
  korvane::test::BackgroundCall removed([&] { return live.remove(handle); });
  // Once remove has begun, the handle is no longer found...
  ASSERT_TRUE(korvane::test::waitUntil([&] { return !live.find(handle); }));
  EXPECT_FALSE(live.find(-1)) << "the handle of all ones names no object, even during a remove";
  EXPECT_EQ(live.remove(-1), nullptr);
  // ...but the object is not handed back while a call holds it.
  EXPECT_FALSE(removed.waitFor(100ms));
  EXPECT_EQ(inFlight->sum(), 64 * 7);
  auto moved = std::move(inFlight);
  EXPECT_FALSE(inFlight);
  EXPECT_FALSE(removed.waitFor(50ms)) << "the moved reference holds";
  moved = {};
  ASSERT_TRUE(removed.waitFor(10s));
  delete removed.get();
}

// Four threads call through whatever handle is current while a fifth destroys it and creates the
// next. A call that found its object must never see it freed (AddressSanitizer reports a use
// after free if it does).
TEST(LiveObjectsTest, CallsRacingDestroyAndCreateNeverReachAFreedObject) {
  boundary::LiveObjects<Device> live;
  std::atomic<jlong> current{live.add(new Device)};
  std::atomic<bool> done{false};
  std::atomic<long> calls{0};
  std::vector<std::thread> callers;
  for (int i = 0; i < 4; ++i) {
    callers.emplace_back([&] {
      while (!done.load()) {
        auto device = live.find(current.load());
        if (!device) continue;
        int first = device->sum();
        std::this_thread::yield();
        EXPECT_EQ(device->sum(), first);
        calls.fetch_add(1);
      }
    });
  }
  auto start = std::chrono::steady_clock::now();
  int cycles = 0;
  while (cycles < 2000 || calls.load() < 2000) {
    jlong old = current.load();
    delete live.remove(old);
    current.store(live.add(new Device));
    ++cycles;
    if (std::chrono::steady_clock::now() - start > 90s)
      break;  // generous: a loaded machine starves the callers
  }
  done.store(true);
  for (auto& caller : callers) caller.join();
  delete live.remove(current.load());
  EXPECT_GE(calls.load(), 2000);
}

}  // namespace
