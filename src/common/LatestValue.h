#pragma once

// The newest reading of a device, published by the thread that makes it (a reader thread that
// parses a stream, or a caller that took its turn) and copied by any number of other threads
// without a lock: a reader never waits for the publisher, however long the publisher takes over
// parsing what comes next or over the publication itself.
//
// A reading is a trivially copyable record, optionally followed by a list of up to kMaxItems
// items (a revolution's points), of which a reader copies as many as it has room for.
//
// How: two slots, each with a sequence number that is odd while the slot is being written. The
// publisher writes the slot that readers are not directed to, then directs them to it. A reader
// copies the slot it is directed to and keeps the copy when that slot's sequence number did not
// change meanwhile. It copies again only when the publisher, during the copy, finished a whole
// publication into the other slot and came round to this one; a publisher stalled halfway
// through a write (preempted, say) leaves the slot before it complete, and readers take that one.
// Values are kept as 32-bit words with relaxed atomic loads and stores (plain loads and stores on
// the controller), so a torn copy is never used and is never a data race.
//
// Threading: publish() from one thread at a time (callers that may race take turns on a lock or
// flag of their own); read() from any thread at any time. Neither blocks, sleeps or allocates.

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace korvane {

// The item type of a reading that has no list.
struct NoItems {};

namespace latest_value {

template <class T>
constexpr size_t kWords = (sizeof(T) + 3) / 4;

using Word = std::atomic<uint32_t>;

template <class T>
void storeWords(Word* to, const T& value) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
  for (size_t i = 0; i < sizeof(T) / 4; ++i) {
    uint32_t word;
    std::memcpy(&word, bytes + 4 * i, 4);
    to[i].store(word, std::memory_order_relaxed);
  }
  if constexpr (sizeof(T) % 4 != 0) {
    uint32_t word = 0;
    std::memcpy(&word, bytes + sizeof(T) / 4 * 4, sizeof(T) % 4);
    to[sizeof(T) / 4].store(word, std::memory_order_relaxed);
  }
}

template <class T>
void loadWords(const Word* from, T& value) {
  auto* bytes = reinterpret_cast<unsigned char*>(&value);
  for (size_t i = 0; i < sizeof(T) / 4; ++i) {
    const uint32_t word = from[i].load(std::memory_order_relaxed);
    std::memcpy(bytes + 4 * i, &word, 4);
  }
  if constexpr (sizeof(T) % 4 != 0) {
    const uint32_t word = from[sizeof(T) / 4].load(std::memory_order_relaxed);
    std::memcpy(bytes + sizeof(T) / 4 * 4, &word, sizeof(T) % 4);
  }
}

}  // namespace latest_value

template <class Record, class Item = NoItems, size_t kMaxItems = 0>
class LatestValue {
  static_assert(std::is_trivially_copyable_v<Record>, "a record is copied word by word");
  static_assert(std::is_trivially_copyable_v<Item>, "an item is copied word by word");
  static constexpr size_t kRecordWords = latest_value::kWords<Record>;
  static constexpr size_t kItemWords = kMaxItems == 0 ? 0 : latest_value::kWords<Item>;
  using Word = latest_value::Word;

 public:
  static constexpr size_t kCapacity = kMaxItems;

  LatestValue() = default;
  LatestValue(const LatestValue&) = delete;
  LatestValue& operator=(const LatestValue&) = delete;

  // Makes the record (and the first count items, at most kMaxItems) the newest reading.
  void publish(const Record& record, const Item* items = nullptr, size_t count = 0) {
    publish(record, items == nullptr ? 0 : count,
            [items](size_t i) -> const Item& { return items[i]; });
  }

  // The same with the items made one by one, itemAt(i) for i = 0 .. count - 1 (at most
  // kMaxItems): the publisher needs no list of its own to copy from.
  template <class ItemAt>
  void publish(const Record& record, size_t count, ItemAt&& itemAt) {
    const uint32_t next = published_.load(std::memory_order_relaxed) + 1;
    Slot& slot = slots_[next & 1];
    const uint32_t sequence = slot.sequence.load(std::memory_order_relaxed);
    slot.sequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    latest_value::storeWords(slot.record.data(), record);
    if constexpr (kMaxItems > 0) {
      count = std::min(count, kMaxItems);
      slot.count.store(static_cast<uint32_t>(count), std::memory_order_relaxed);
      for (size_t i = 0; i < count; ++i) {
        latest_value::storeWords<Item>(slot.items.data() + i * kItemWords, itemAt(i));
      }
    } else {
      (void)count;
      (void)itemAt;
    }
    slot.sequence.store(sequence + 2, std::memory_order_release);
    published_.store(next, std::memory_order_release);
  }

  // Copies the newest record; false (record untouched) while nothing has been published.
  bool read(Record& record) const {
    size_t count = 0;
    return read(record, 0, count, [](size_t, const Item&) {});
  }

  // Copies the newest record and hands its first min(count, room) items to sink(index, item);
  // count is set to the number of items the reading has. The sink may be called again for the
  // same indices (a copy the publisher overtook is made again), so it only stores. False (nothing
  // copied) while nothing has been published.
  template <class Sink>
  bool read(Record& record, size_t room, size_t& count, Sink&& sink) const {
    while (true) {
      const uint32_t published = published_.load(std::memory_order_acquire);
      if (published == 0) return false;
      const Slot& slot = slots_[published & 1];
      const uint32_t before = slot.sequence.load(std::memory_order_acquire);
      // Odd: the publisher has come round to this slot again, so a newer reading is complete in
      // the other one.
      if ((before & 1) != 0) continue;
      latest_value::loadWords(slot.record.data(), record);
      count = 0;
      if constexpr (kMaxItems > 0) {
        count = std::min<size_t>(slot.count.load(std::memory_order_relaxed), kMaxItems);
        const size_t copied = std::min(count, room);
        for (size_t i = 0; i < copied; ++i) {
          Item item;
          latest_value::loadWords(slot.items.data() + i * kItemWords, item);
          sink(i, item);
        }
      }
      std::atomic_thread_fence(std::memory_order_acquire);
      if (slot.sequence.load(std::memory_order_relaxed) == before) return true;
    }
  }

  // Whether anything has been published.
  bool any() const { return published_.load(std::memory_order_acquire) != 0; }

 private:
  struct Slot {
    Word sequence{0};
    Word count{0};
    std::array<Word, kRecordWords> record{};
    std::array<Word, kItemWords * kMaxItems> items{};
  };

  Word published_{0};  // publications so far; the newest is in slot published_ & 1
  Slot slots_[2];
};

}  // namespace korvane
