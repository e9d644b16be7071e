// The worker's cycles make no heap allocation: this program counts every operator new.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "DsReceiver.h"
#include "korvane/MockDS.h"

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

// Blocks for the next datagram without allocating; false after 5 s without one.
bool receiveRaw(int fd, uint8_t* buffer, size_t size) {
  pollfd pfd{fd, POLLIN, 0};
  if (::poll(&pfd, 1, 5000) != 1) return false;
  return ::recv(fd, buffer, size, 0) > 0;
}

TEST(MockDSAllocationTest, CyclesMakeNoHeapAllocation) {
  korvane::test::DsReceiver receiver;
  ASSERT_TRUE(receiver.bound()) << "UDP 127.0.0.1:1110 is taken";
  korvane::MockDS ds;
  ASSERT_TRUE(ds.IsOpen());
  ds.Enable();
  uint8_t packet[64];
  // Past start-up (thread, logger, socket).
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(receiveRaw(static_cast<int>(receiver.native()), packet, sizeof packet));

  long before = g_allocations.load();
  bool received = true;
  for (int i = 0; i < 100 && received; ++i) {  // two seconds, across the end of the warm-up
    received = receiveRaw(static_cast<int>(receiver.native()), packet, sizeof packet);
  }
  long after = g_allocations.load();
  ASSERT_TRUE(received);
  EXPECT_EQ(packet[3], 0x06);
  EXPECT_EQ(after - before, 0) << "allocations during 100 cycles";

  // The counter does see allocations: an opening allocates the instance and its thread.
  korvane::MockDS replacement;
  EXPECT_TRUE(replacement.IsOpen());
  EXPECT_GT(g_allocations.load(), after);
}

}  // namespace
