// The live-object registry: stale handles, and objects kept alive for the calls that found them
// while another thread destroys and creates.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "BackgroundCall.h"
#include "Wait.h"
#include "common/HandleTable.h"

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

TEST(HandleTableTest, AHandleIsFoundOnlyWhileItsObjectIsLive) {
  korvane::HandleTable<Device> live;
  EXPECT_FALSE(live.find(0));
  auto* device = new Device;
  int64_t handle = korvane::addressHandle(device);
  ASSERT_TRUE(live.add(handle, device));
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

TEST(HandleTableTest, AFullTableRefusesTheNextObjectUntilOneIsRemoved) {
  korvane::HandleTable<Device> live;
  std::vector<Device> devices(257);
  std::vector<int64_t> handles;
  for (size_t i = 0; i < 256; ++i)
    handles.push_back(live.adopt(&devices[i], [](Device*) { FAIL(); }));
  EXPECT_FALSE(live.add(korvane::addressHandle(&devices[256]), &devices[256]));
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
  int64_t last = live.adopt(&devices[256], [](Device*) { FAIL(); });
  EXPECT_EQ(live.find(last).get(), &devices[256]);
  EXPECT_FALSE(live.find(handles[17]));
  for (size_t i = 0; i < 256; ++i) live.remove(handles[i]);
  live.remove(last);
}

TEST(HandleTableTest, RemoveWaitsForTheCallsThatFoundTheObject) {
  korvane::HandleTable<Device> live;
  auto* device = new Device;
  int64_t handle = korvane::addressHandle(device);
  ASSERT_TRUE(live.add(handle, device));
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
TEST(HandleTableTest, CallsRacingDestroyAndCreateNeverReachAFreedObject) {
  korvane::HandleTable<Device> live;
  auto freeDevice = [](Device* device) { delete device; };
  std::atomic<int64_t> current{live.adopt(new Device, freeDevice)};
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
    int64_t old = current.load();
    delete live.remove(old);
    current.store(live.adopt(new Device, freeDevice));
    ++cycles;
    if (std::chrono::steady_clock::now() - start > 90s)
      break;  // generous: a loaded machine starves the callers
  }
  done.store(true);
  for (auto& caller : callers) caller.join();
  delete live.remove(current.load());
  EXPECT_GE(calls.load(), 2000);
}

using OnlyOne = korvane::HandleTable<Device, korvane::Population::OnePerProcess>;

TEST(HandleTableTest, ANewerObjectOfAOnePerProcessKindReplacesTheOneBefore) {
  OnlyOne table;
  Device first, second;
  EXPECT_FALSE(table.only());
  Device* replaced = &second;
  ASSERT_TRUE(table.add(1, &first, &replaced));
  EXPECT_EQ(replaced, nullptr);
  EXPECT_EQ(table.only().get(), &first);
  ASSERT_TRUE(table.add(2, &second, &replaced));
  EXPECT_EQ(replaced, &first) << "the caller frees the replaced object";
  EXPECT_EQ(table.only().get(), &second);
  EXPECT_FALSE(table.find(1)) << "the replaced object's handle names nothing now";
  EXPECT_EQ(table.remove(1), nullptr) << "closing the replaced object leaves the newer alone";
  EXPECT_EQ(table.only().get(), &second);
  EXPECT_FALSE(table.add(2, &first, &replaced)) << "the live handle is not filed twice";
  EXPECT_EQ(table.only().get(), &second);
  EXPECT_EQ(table.remove(2), &second);
  EXPECT_FALSE(table.only());
  EXPECT_TRUE(table.handles().empty());
}

TEST(HandleTableTest, ReplacingWaitsForTheCallsThatHoldTheObjectBefore) {
  OnlyOne table;
  auto* first = new Device;
  Device second;
  ASSERT_TRUE(table.add(1, first));
  auto inFlight = table.only();
  ASSERT_TRUE(inFlight);
  korvane::test::BackgroundCall replacing([&] {
    Device* replaced = nullptr;
    table.add(2, &second, &replaced);
    return replaced;
  });
  EXPECT_FALSE(replacing.waitFor(100ms));
  EXPECT_EQ(inFlight->sum(), 64 * 7);
  inFlight = {};
  ASSERT_TRUE(replacing.waitFor(10s));
  EXPECT_EQ(replacing.get(), first);
  delete first;
  EXPECT_EQ(table.only().get(), &second);
  table.remove(2);
}

TEST(HandleTableTest, HandlesListsEveryLiveObjectForAKindThatActsOnAll) {
  korvane::HandleTable<Device, korvane::Population::AnyNumber, 8> table;
  std::vector<Device> devices(8);
  for (int64_t i = 0; i < 8; ++i) ASSERT_TRUE(table.add(100 + i, &devices[i]));
  EXPECT_FALSE(table.add(200, &devices[0])) << "full";
  EXPECT_FALSE(table.add(103, &devices[0])) << "a live handle";
  EXPECT_FALSE(table.add(0, &devices[0]));
  table.remove(105);
  auto live = table.handles();
  std::sort(live.begin(), live.end());
  EXPECT_EQ(live, (std::vector<int64_t>{100, 101, 102, 103, 104, 106, 107}));
  EXPECT_EQ(table.find(103).get(), &devices[3]);
}

}  // namespace
