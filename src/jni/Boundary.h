#pragma once

// Conversions shared by every export file: handles, booleans, string arguments, result objects,
// out-arrays and array results. No driver logic lives here.

#include <jni.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

#include "common/ConsoleLine.h"

namespace boundary {

// A platform handle (the HAL's CAN handle) travels as its 32-bit value sign-extended.
inline int32_t canHandle(jlong handle) {
  return static_cast<int32_t>(static_cast<uint32_t>(handle));
}
inline jlong toJava(int32_t canHandle) {
  return static_cast<jlong>(canHandle);
}

// Only JNI_TRUE is true.
inline bool toBool(jboolean value) {
  return value == JNI_TRUE;
}

// Runs the part of an export that allocates (text, result objects, the driver's command lines).
// Only an allocation failure is expected to throw there; it becomes the export's failure value,
// so that no C++ exception ever reaches the virtual machine.
template <typename Result, typename Body>
Result orOnThrow(Result failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

// The same for an export that returns nothing: a throw ends the call.
template <typename Body>
void orOnThrow(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

// An object handle is the object's address at full pointer width; on a 32-bit controller that is
// the 32-bit address sign-extended.
inline jlong handleOf(const void* object) {
  return static_cast<jlong>(reinterpret_cast<intptr_t>(object));
}

// The objects of one device class that its create export made and destroy has not yet freed.
// A handle that is not in the set is treated as a zero handle, so a second destroy or a stale
// handle never reaches freed memory.
//
// A call that found its object keeps it alive until the call returns: find() hands back a Ref
// that counts as a call in flight while it exists, and remove() forgets the object at once (later
// finds fail) but waits until the calls in flight have returned before handing it back for
// freeing. Use it as
//   auto sensor = g_sensors.find(handle); if (!sensor) return <failure>; sensor->...
//   X::destroy(g_sensors.remove(handle));
// A call must not remove the object it holds (it would wait for itself).
//
// The objects sit in a fixed table of kCapacity slots: a find takes no lock, only one atomic
// increment on its slot and one decrement when the call returns.
//
// Threading: every member may be called from any thread at any time.
template <class T>
class LiveObjects {
  static constexpr size_t kCapacity = 256;  // a power of two
  static constexpr unsigned kRemoving = 1;
  static constexpr unsigned kOneCall = 2;

  struct Slot {
    // The live object; null when the slot is free, reserved() while remove() waits for calls.
    std::atomic<T*> object{nullptr};
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
    friend class LiveObjects;
    Ref(const LiveObjects* owner, T* object, Slot* slot)
        : owner_(owner), object_(object), slot_(slot) {}
    void reset() {
      if (slot_ != nullptr) owner_->leave(*slot_);
      slot_ = nullptr;
      object_ = nullptr;
    }
    const LiveObjects* owner_ = nullptr;
    T* object_ = nullptr;
    Slot* slot_ = nullptr;
  };

  // Throws std::length_error when kCapacity objects are live already.
  jlong add(T* object) {
    std::lock_guard lock(mutex_);
    size_t first = slotIndex(object);
    for (size_t i = 0; i < kCapacity; ++i) {
      Slot& slot = slots_[(first + i) % kCapacity];
      if (slot.object.load() == nullptr) {
        slot.object.store(object);
        return handleOf(object);
      }
    }
    throw std::length_error("too many live objects");
  }

  // Registers a new object made by a create export: its handle, or 0 for null, and 0 after
  // freeing the object with destroy when kCapacity objects are live already (with one line on
  // standard error).
  jlong adopt(T* object, void (*destroy)(T*)) {
    if (object == nullptr) return 0;
    try {
      return add(object);
    } catch (const std::length_error&) {
      korvane::printLine(std::cerr, "[Korvane] " + std::to_string(kCapacity) +
                                        " objects of this kind are open already; close one "
                                        "before creating another");
      destroy(object);
      return 0;
    }
  }

  Ref find(jlong handle) const {
    T* object = fromHandle(handle);
    if (object == nullptr) return Ref();
    size_t first = slotIndex(object);
    for (size_t i = 0; i < kCapacity; ++i) {
      Slot& slot = slots_[(first + i) % kCapacity];
      if (slot.object.load() != object) continue;
      // Count the call first, then make sure the object is still there: a remove() that took it
      // away before the count waits for nothing, one that takes it away after waits for us.
      slot.state.fetch_add(kOneCall);
      if (slot.object.load() == object) return Ref(this, object, &slot);
      leave(slot);
    }
    return Ref();
  }

  // Forgets the object, waits until no call holds it, and hands it back for freeing; null when
  // it was not live.
  T* remove(jlong handle) {
    T* object = fromHandle(handle);
    if (object == nullptr) return nullptr;
    std::unique_lock lock(mutex_);
    size_t first = slotIndex(object);
    for (size_t i = 0; i < kCapacity; ++i) {
      Slot& slot = slots_[(first + i) % kCapacity];
      if (slot.object.load() != object) continue;
      slot.object.store(reserved());
      if (slot.state.fetch_or(kRemoving) != 0) {
        returned_.wait(lock, [&] { return slot.state.load() == kRemoving; });
      }
      slot.state.fetch_and(~kRemoving);
      slot.object.store(nullptr);
      return object;
    }
    return nullptr;
  }

 private:
  // Marks a slot whose object is being removed: no object lives at this address.
  static T* reserved() { return reinterpret_cast<T*>(static_cast<intptr_t>(-1)); }
  // The address a handle names; null for 0, for the handle that would name the mark, and for a
  // long that no address becomes (on a 32-bit controller, one whose upper half is not the sign
  // extension of its lower half, though that lower half may be a live object's address).
  static T* fromHandle(jlong handle) {
    T* object = reinterpret_cast<T*>(static_cast<intptr_t>(handle));
    if (handle == 0 || handleOf(object) != handle) return nullptr;
    return object == reserved() ? nullptr : object;
  }
  static size_t slotIndex(const T* object) {
    uint64_t bits = reinterpret_cast<uintptr_t>(object) >> 4;
    return static_cast<size_t>((bits * 0x9E3779B97F4A7C15ull) >> 56) % kCapacity;
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
};

// A Java string argument as UTF-8, released when this goes out of scope. get() is null for a
// null jstring or when the VM could not provide the characters.
class Utf8Argument {
 public:
  Utf8Argument(JNIEnv* env, jstring text);
  ~Utf8Argument();
  Utf8Argument(const Utf8Argument&) = delete;
  Utf8Argument& operator=(const Utf8Argument&) = delete;
  const char* get() const { return chars_; }

 private:
  JNIEnv* env_;
  jstring text_;
  const char* chars_ = nullptr;
};

// One field of a result object: its name and JNI signature, and how to set it once every field
// of the class has been found.
struct ResultField {
  const char* name;
  const char* signature;
  std::function<bool(JNIEnv*, jobject, jfieldID)> set;  // false when the value could not be made
};
ResultField intField(const char* name, jint value);
ResultField longField(const char* name, jlong value);
ResultField floatField(const char* name, jfloat value);
ResultField doubleField(const char* name, jdouble value);
ResultField booleanField(const char* name, bool value);
ResultField byteArrayField(const char* name, std::vector<jbyte> values);
ResultField intArrayField(const char* name, std::vector<jint> values);
ResultField floatArrayField(const char* name, std::vector<jfloat> values);
ResultField doubleArrayField(const char* name, std::vector<jdouble> values);

// Makes an object of the class through its no-argument constructor, finds every field, then sets
// them. Null when the class, the constructor, the object, any field or an array value is missing.
jobject newResultObject(JNIEnv* env, const char* classPath,
                        std::initializer_list<ResultField> fields);

// Writes element 0 of an out-array. False (and nothing written) for a null or empty array.
bool writeFirst(JNIEnv* env, jdoubleArray out, jdouble value);
bool writeFirst(JNIEnv* env, jlongArray out, jlong value);

// A new Java array holding the values; null when the VM cannot make one.
jbyteArray newArray(JNIEnv* env, const jbyte* values, jsize count);
jintArray newArray(JNIEnv* env, const jint* values, jsize count);
jfloatArray newArray(JNIEnv* env, const jfloat* values, jsize count);
jdoubleArray newArray(JNIEnv* env, const jdouble* values, jsize count);

}  // namespace boundary
