// Object handles at the controller's pointer width: on a 32-bit controller an address travels to
// Java sign-extended into a long, and only that exact long names the object again.

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <new>

#include "common/HandleTable.h"
#include "jni/Boundary.h"

namespace {

struct Device {
  int value = 42;
};

constexpr jlong kUpperHalf = jlong{1} << 32;

TEST(HandleWidthTest, AnAddressWithItsTopBitSetBecomesANegativeHandleOnlyOn32Bit) {
  void* address = reinterpret_cast<void*>(static_cast<uintptr_t>(0x80001230u));
  if constexpr (sizeof(void*) == 4) {
    EXPECT_EQ(korvane::addressHandle(address), -0x7FFFEDD0LL);
  } else {
    EXPECT_EQ(korvane::addressHandle(address), 0x80001230LL);
  }
}

TEST(HandleWidthTest, OnlyTheExactHandleNamesALiveObject) {
  korvane::HandleTable<Device> live;
  Device device;
  jlong handle = korvane::addressHandle(&device);
  ASSERT_TRUE(live.add(handle, &device));
  ASSERT_TRUE(live.find(handle));
  // On a 32-bit controller these longs share the handle's lower half; they were never handed out.
  EXPECT_FALSE(live.find(handle ^ kUpperHalf));
  EXPECT_FALSE(live.find(handle + kUpperHalf));
  EXPECT_FALSE(live.find(handle ^ ~(kUpperHalf - 1)));
  EXPECT_EQ(live.remove(handle ^ kUpperHalf), nullptr);
  ASSERT_TRUE(live.find(handle)) << "a wrong handle removed the object";
  EXPECT_EQ(live.remove(handle), &device);
}

// Addresses in the upper half of a 32-bit address space are where the sign extension shows.
TEST(HandleWidthTest, AnObjectInTheUpperHalfOfA32BitAddressSpaceKeepsItsHandle) {
  if constexpr (sizeof(void*) != 4) {
    GTEST_SKIP() << "only a 32-bit address has its top bit where a long sign-extends it";
  } else {
    void* hint = reinterpret_cast<void*>(static_cast<uintptr_t>(0xA0000000u));
    const size_t size = 4096;
    void* memory = mmap(hint, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(memory, MAP_FAILED);
    ASSERT_GE(reinterpret_cast<uintptr_t>(memory), 0x80000000u) << "the mapping ignored its hint";
    auto* device = new (memory) Device;
    korvane::HandleTable<Device> live;
    jlong handle = korvane::addressHandle(device);
    ASSERT_TRUE(live.add(handle, device));
    EXPECT_LT(handle, 0);
    EXPECT_EQ(handle,
              static_cast<jlong>(static_cast<int32_t>(reinterpret_cast<uintptr_t>(device))));
    {
      auto found = live.find(handle);
      ASSERT_TRUE(found);
      EXPECT_EQ(found->value, 42);
    }
    EXPECT_FALSE(live.find(static_cast<jlong>(reinterpret_cast<uintptr_t>(device))))
        << "the zero-extended address is not the handle";
    EXPECT_EQ(live.remove(handle), device);
    device->~Device();
    munmap(memory, size);
  }
}

}  // namespace
