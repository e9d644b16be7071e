// The open controllers: three maps keyed by CAN handle behind a reader/writer lock, and beside
// them a table that the commands' device-number lookups search without any lock.

#include "TorqaRegistry.h"

#include <array>
#include <atomic>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <unordered_set>

#include "TorqaJNI.h"

namespace {

// Device numbers of the registered handles, as (handle, device number) pairs that each fit one
// atomic word, so that a reader sees a whole pair or none and needs no lock. Written only under
// the registry's write lock. A slot holds no pair when it is 0 (device numbers start at 1).
class DeviceNumberTable {
 public:
  // The device number, or 0 when the handle is not here.
  int32_t find(int32_t handle) const {
    size_t first = slotIndex(handle);
    for (size_t i = 0; i < kSlots; ++i) {
      uint64_t pair = slots_[(first + i) % kSlots].load(std::memory_order_acquire);
      if (pair != 0 && handleOf(pair) == handle) return static_cast<int32_t>(pair & 0xFFFFFFFFu);
    }
    return 0;
  }
  // False when the table is full and the handle was not in it.
  bool put(int32_t handle, int32_t deviceID) {
    uint64_t pair = (static_cast<uint64_t>(static_cast<uint32_t>(handle)) << 32) |
                    static_cast<uint32_t>(deviceID);
    std::atomic<uint64_t>* slot = slotHolding(handle);
    if (slot == nullptr) slot = freeSlotFor(handle);
    if (slot == nullptr) return false;
    slot->store(pair, std::memory_order_release);
    return true;
  }
  // True when the handle was here.
  bool erase(int32_t handle) {
    std::atomic<uint64_t>* slot = slotHolding(handle);
    if (slot == nullptr) return false;
    slot->store(0, std::memory_order_release);
    return true;
  }

 private:
  static constexpr size_t kSlots = 128;
  static int32_t handleOf(uint64_t pair) { return static_cast<int32_t>(pair >> 32); }
  static size_t slotIndex(int32_t handle) {
    return (static_cast<uint32_t>(handle) * 2654435761u) >> 25;
  }
  std::atomic<uint64_t>* slotHolding(int32_t handle) {
    for (size_t i = 0; i < kSlots; ++i) {
      std::atomic<uint64_t>& slot = slots_[(slotIndex(handle) + i) % kSlots];
      uint64_t pair = slot.load(std::memory_order_relaxed);
      if (pair != 0 && handleOf(pair) == handle) return &slot;
    }
    return nullptr;
  }
  std::atomic<uint64_t>* freeSlotFor(int32_t handle) {
    for (size_t i = 0; i < kSlots; ++i) {
      std::atomic<uint64_t>& slot = slots_[(slotIndex(handle) + i) % kSlots];
      if (slot.load(std::memory_order_relaxed) == 0) return &slot;
    }
    return nullptr;
  }

  std::array<std::atomic<uint64_t>, kSlots> slots_{};
};

std::shared_mutex s_registryMutex;
std::unordered_map<int32_t, int32_t> s_deviceIDMap;
std::unordered_map<int32_t, torqa_registry::InfoRecord> s_infoCache;
std::unordered_map<int32_t, bool> s_infoCacheValid;

DeviceNumberTable s_deviceNumbers;
// Handles that found no room in the table: only s_deviceIDMap has them.
std::unordered_set<int32_t> s_unlisted;
std::atomic<size_t> s_unlistedCount{0};

}  // namespace

namespace torqa_registry {

void registerController(int32_t handle, int32_t deviceID) {
  std::unique_lock lock(s_registryMutex);
  s_deviceIDMap[handle] = deviceID;
  s_infoCacheValid[handle] = false;
  s_infoCache.erase(handle);
  if (s_deviceNumbers.put(handle, deviceID)) {
    s_unlisted.erase(handle);
  } else {
    s_unlisted.insert(handle);
  }
  s_unlistedCount.store(s_unlisted.size());
}

void forgetController(int32_t handle) {
  std::unique_lock lock(s_registryMutex);
  s_deviceIDMap.erase(handle);
  s_infoCache.erase(handle);
  s_infoCacheValid.erase(handle);
  s_deviceNumbers.erase(handle);
  s_unlisted.erase(handle);
  s_unlistedCount.store(s_unlisted.size());
}

std::optional<InfoRecord> cachedInfo(int32_t handle) {
  std::shared_lock lock(s_registryMutex);
  auto valid = s_infoCacheValid.find(handle);
  if (valid == s_infoCacheValid.end() || !valid->second) return std::nullopt;
  auto record = s_infoCache.find(handle);
  if (record == s_infoCache.end()) return std::nullopt;
  return record->second;
}

void storeInfo(int32_t handle, const InfoRecord& record) {
  std::unique_lock lock(s_registryMutex);
  s_infoCache[handle] = record;
  s_infoCacheValid[handle] = true;
}

}  // namespace torqa_registry

int DeviceIDForHandle(long handle) {
  auto key = static_cast<int32_t>(handle);
  if (int32_t deviceID = s_deviceNumbers.find(key)) return deviceID;
  if (s_unlistedCount.load() == 0) return 0;
  std::shared_lock lock(s_registryMutex);
  auto it = s_deviceIDMap.find(key);
  return it == s_deviceIDMap.end() ? 0 : it->second;
}
