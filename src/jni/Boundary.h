#pragma once

// Conversions shared by every export file: handles, booleans, string arguments, result objects,
// out-arrays and array results. No driver logic lives here.

#include <jni.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

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
// Threading: every member may be called from any thread at any time.
template <class T>
class LiveObjects {
  // Calls in flight times two, plus one once remove() is waiting for them.
  struct Entry {
    std::atomic<unsigned> state{0};
  };
  static constexpr unsigned kRemoving = 1;
  static constexpr unsigned kOneCall = 2;

 public:
  // A found object, alive while this exists; empty when the handle was not live.
  class Ref {
   public:
    Ref() = default;
    Ref(Ref&& other) noexcept
        : owner_(std::exchange(other.owner_, nullptr)),
          object_(std::exchange(other.object_, nullptr)),
          entry_(std::exchange(other.entry_, nullptr)) {}
    Ref& operator=(Ref&& other) noexcept {
      if (this != &other) {
        release();
        owner_ = std::exchange(other.owner_, nullptr);
        object_ = std::exchange(other.object_, nullptr);
        entry_ = std::exchange(other.entry_, nullptr);
      }
      return *this;
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() { release(); }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }
    friend bool operator==(const Ref& ref, std::nullptr_t) { return ref.object_ == nullptr; }
    friend bool operator!=(const Ref& ref, std::nullptr_t) { return ref.object_ != nullptr; }

   private:
    friend class LiveObjects;
    Ref(const LiveObjects* owner, T* object, Entry* entry)
        : owner_(owner), object_(object), entry_(entry) {}
    void release() {
      if (entry_ == nullptr) return;
      // After this decrement the entry may be freed by remove(): only the owner is touched.
      if (entry_->state.fetch_sub(kOneCall) == kOneCall + kRemoving) owner_->lastCallReturned();
      entry_ = nullptr;
      object_ = nullptr;
    }
    const LiveObjects* owner_ = nullptr;
    T* object_ = nullptr;
    Entry* entry_ = nullptr;
  };

  // Throws std::bad_alloc when the entry cannot be allocated.
  jlong add(T* object) {
    auto entry = std::make_unique<Entry>();
    std::lock_guard lock(mutex_);
    live_[object] = std::move(entry);
    return handleOf(object);
  }

  Ref find(jlong handle) const {
    T* object = fromHandle(handle);
    if (object == nullptr) return Ref();
    std::lock_guard lock(mutex_);
    auto it = live_.find(object);
    if (it == live_.end()) return Ref();
    it->second->state.fetch_add(kOneCall);
    return Ref(this, object, it->second.get());
  }

  // Forgets the object, waits until no call holds it, and hands it back for freeing; null when
  // it was not live.
  T* remove(jlong handle) {
    T* object = fromHandle(handle);
    if (object == nullptr) return nullptr;
    std::unique_lock lock(mutex_);
    auto it = live_.find(object);
    if (it == live_.end()) return nullptr;
    std::unique_ptr<Entry> entry = std::move(it->second);
    live_.erase(it);
    if (entry->state.fetch_or(kRemoving) != 0) {
      returned_.wait(lock, [&] { return entry->state.load() == kRemoving; });
    }
    return object;
  }

 private:
  static T* fromHandle(jlong handle) {
    return handle == 0 ? nullptr : reinterpret_cast<T*>(static_cast<intptr_t>(handle));
  }
  void lastCallReturned() const {
    std::lock_guard lock(mutex_);
    returned_.notify_all();
  }

  mutable std::mutex mutex_;
  mutable std::condition_variable returned_;
  std::unordered_map<T*, std::unique_ptr<Entry>> live_;
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
jintArray newArray(JNIEnv* env, const jint* values, jsize count);
jfloatArray newArray(JNIEnv* env, const jfloat* values, jsize count);
jdoubleArray newArray(JNIEnv* env, const jdouble* values, jsize count);

}  // namespace boundary
