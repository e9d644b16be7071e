#pragma once

// The one place where a driver keeps its open objects: a typed table from the handle a caller
// holds to the object, for every device class. A handle that is not in the table is treated as a
// zero handle, so a second destroy or a stale handle never reaches freed memory.
//
// A call that found its object keeps it alive until the call returns: find() hands back a Ref
// that counts as a call in flight while it exists, and remove() forgets the object at once (later
// finds fail) but waits until the calls in flight have returned before handing it back for
// freeing. Use it as
//   auto sensor = g_sensors.find(handle); if (!sensor) return <failure>; sensor->...
//   X::destroy(g_sensors.remove(handle));
// A call must not remove the object it holds (it would wait for itself).
//
// How many objects a kind may have open is the table's policy:
// - Population::AnyNumber: up to kCapacity; an add beyond that is refused.
// - Population::OnePerProcess: the newest object replaces the one before, which add() removes
//   (waiting for its calls) and hands back for freeing; only() finds the live one.
// A kind that must act on all of its objects at once (a motor controller's destroy stops every
// heartbeat) lists them with handles().
//
// The objects sit in a fixed table of kCapacity slots: a find takes no lock, only one atomic
// increment on its slot and one decrement when the call returns.
//
// Threading: every member may be called from any thread at any time.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "common/ConsoleLine.h"

namespace korvane {

// The handle of an object named by its address: the address at full pointer width; on a 32-bit
// controller, the 32-bit address sign-extended.
inline int64_t addressHandle(const void* object) {
  return static_cast<int64_t>(reinterpret_cast<intptr_t>(object));
}

// The handle of an object of a one-per-process kind: a number never given before. A replaced
// object's owner may keep its handle; an address could come back with a later object, a number
// never does.
inline int64_t serialHandle() {
  static std::atomic<int64_t> last{0};
  return last.fetch_add(1) + 1;
}

enum class Population { AnyNumber, OnePerProcess };

template <class T, Population kPopulation = Population::AnyNumber, size_t kCapacity = 256>
class HandleTable {
  static_assert((kCapacity & (kCapacity - 1)) == 0, "the capacity is a power of two");
  static constexpr unsigned kRemoving = 1;
  static constexpr unsigned kOneCall = 2;
  // Marks a slot whose object is being removed; no handle has this value.
  static constexpr int64_t kReserved = INT64_MIN;

  struct Slot {
    // The handle of the live object; 0 when the slot is free, kReserved while remove() waits.
    std::atomic<int64_t> handle{0};
    // Written before handle is published, read only by a call that has counted itself here.
    T* object = nullptr;
    // Two for every find that has counted itself here, plus kRemoving while remove() waits.
    std::atomic<unsigned> state{0};
  };

 public:
  // A found object, alive while this exists; empty when the handle was not live.
  class Ref {
   public:
    Ref() = default;
    Ref(Ref&& other) noexcept
        : owner_(std::exchange(other.owner_, nullptr)),
          object_(std::exchange(other.object_, nullptr)),
          slot_(std::exchange(other.slot_, nullptr)) {}
    Ref& operator=(Ref&& other) noexcept {
      if (this != &other) {
        reset();
        owner_ = std::exchange(other.owner_, nullptr);
        object_ = std::exchange(other.object_, nullptr);
        slot_ = std::exchange(other.slot_, nullptr);
      }
      return *this;
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() { reset(); }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }
    friend bool operator==(const Ref& ref, std::nullptr_t) { return ref.object_ == nullptr; }
    friend bool operator!=(const Ref& ref, std::nullptr_t) { return ref.object_ != nullptr; }

   private:
    friend class HandleTable;
    Ref(const HandleTable* owner, T* object, Slot* slot)
        : owner_(owner), object_(object), slot_(slot) {}
    void reset() {
      if (slot_ != nullptr) owner_->leave(*slot_);
      slot_ = nullptr;
      object_ = nullptr;
    }
    const HandleTable* owner_ = nullptr;
    T* object_ = nullptr;
    Slot* slot_ = nullptr;
  };

  static constexpr size_t capacity() { return kCapacity; }

  // Files the object under the handle. False (nothing filed) for a 0 handle, a handle that is
  // live already, or a full table. A one-per-process table first removes the object that was
  // live, waiting for its calls, and hands it to *replaced (null when there was none).
  bool add(int64_t handle, T* object, T** replaced = nullptr) {
    if (handle == 0 || handle == kReserved || object == nullptr) return false;
    std::unique_lock lock(mutex_);
    T* previous = nullptr;
    if constexpr (kPopulation == Population::OnePerProcess) {
      int64_t live = current_.exchange(0);
      if (live == handle) {
        current_.store(live);
        return false;
      }
      if (live != 0) previous = removeLocked(lock, live);
    }
    if (replaced != nullptr) *replaced = previous;
    if (slotHolding(handle) != nullptr) return false;
    for (size_t i = 0; i < kCapacity; ++i) {
      Slot& slot = slots_[(slotIndex(handle) + i) % kCapacity];
      if (slot.handle.load() != 0) continue;
      slot.object = object;
      slot.handle.store(handle);
      if constexpr (kPopulation == Population::OnePerProcess) current_.store(handle);
      return true;
    }
    return false;
  }

  // Files a new object made by an open, under its address (or the handle given): its handle, or 0
  // for null, and 0 after freeing the object with destroy when the table is full (with one line on
  // standard error).
  template <class Destroy>
  int64_t adopt(T* object, Destroy&& destroy, int64_t handle = 0) {
    if (object == nullptr) return 0;
    if (handle == 0) handle = addressHandle(object);
    if (add(handle, object)) return handle;
    printLine(std::cerr, "[Korvane] " + std::to_string(kCapacity) +
                             " objects of this kind are open already; close one before "
                             "creating another");
    destroy(object);
    return 0;
  }

  Ref find(int64_t handle) const {
    if (handle == 0 || handle == kReserved) return Ref();
    for (size_t i = 0; i < kCapacity; ++i) {
      Slot& slot = slots_[(slotIndex(handle) + i) % kCapacity];
      if (slot.handle.load() != handle) continue;
      // Count the call first, then make sure the object is still there: a remove() that took it
      // away before the count waits for nothing, one that takes it away after waits for us.
      slot.state.fetch_add(kOneCall);
      if (slot.handle.load() == handle) return Ref(this, slot.object, &slot);
      leave(slot);
    }
    return Ref();
  }

  // The live object of a one-per-process table; empty when there is none.
  Ref only() const {
    static_assert(kPopulation == Population::OnePerProcess);
    return find(current_.load());
  }

  // Forgets the object, waits until no call holds it, and hands it back for freeing; null when
  // it was not live.
  T* remove(int64_t handle) {
    if (handle == 0 || handle == kReserved) return nullptr;
    std::unique_lock lock(mutex_);
    if constexpr (kPopulation == Population::OnePerProcess) {
      int64_t live = handle;
      current_.compare_exchange_strong(live, 0);
    }
    return removeLocked(lock, handle);
  }

  // The handles of the live objects, in no particular order.
  std::vector<int64_t> handles() const {
    std::lock_guard lock(mutex_);
    std::vector<int64_t> live;
    for (const Slot& slot : slots_) {
      int64_t handle = slot.handle.load();
      if (handle != 0 && handle != kReserved) live.push_back(handle);
    }
    return live;
  }

 private:
  static size_t slotIndex(int64_t handle) {
    uint64_t bits = static_cast<uint64_t>(handle) >> 4 ^ static_cast<uint64_t>(handle);
    return static_cast<size_t>((bits * 0x9E3779B97F4A7C15ull) >> 56) % kCapacity;
  }

  Slot* slotHolding(int64_t handle) {
    for (size_t i = 0; i < kCapacity; ++i) {
      Slot& slot = slots_[(slotIndex(handle) + i) % kCapacity];
      if (slot.handle.load() == handle) return &slot;
    }
    return nullptr;
  }

  T* removeLocked(std::unique_lock<std::mutex>& lock, int64_t handle) {
    Slot* slot = slotHolding(handle);
    if (slot == nullptr) return nullptr;
    slot->handle.store(kReserved);
    if (slot->state.fetch_or(kRemoving) != 0) {
      returned_.wait(lock, [&] { return slot->state.load() == kRemoving; });
    }
    slot->state.fetch_and(~kRemoving);
    T* object = std::exchange(slot->object, nullptr);
    slot->handle.store(0);
    return object;
  }

  // A call leaves its slot; the last one out wakes a remove() that waits.
  void leave(Slot& slot) const {
    if (slot.state.fetch_sub(kOneCall) == kOneCall + kRemoving) {
      std::lock_guard lock(mutex_);
      returned_.notify_all();
    }
  }

  mutable std::mutex mutex_;  // held by add and remove
  mutable std::condition_variable returned_;
  mutable std::array<Slot, kCapacity> slots_;
  std::atomic<int64_t> current_{0};  // the live object's handle in a one-per-process table
};

}  // namespace korvane
