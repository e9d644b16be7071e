#pragma once

// Simulators by the id handed to Java. Shared pointers, so a call in progress keeps its
// simulator alive while another thread detaches it. Thread-safe.

#include <jni.h>

#include <map>
#include <memory>
#include <mutex>

template <class T>
class SimRegistry {
 public:
  jlong add(std::shared_ptr<T> sim) {
    std::lock_guard lock(mutex_);
    sims_[next_] = std::move(sim);
    return next_++;
  }
  std::shared_ptr<T> find(jlong id) {
    std::lock_guard lock(mutex_);
    auto it = sims_.find(id);
    return it == sims_.end() ? nullptr : it->second;
  }
  std::shared_ptr<T> remove(jlong id) {
    std::lock_guard lock(mutex_);
    auto it = sims_.find(id);
    if (it == sims_.end()) return nullptr;
    auto sim = std::move(it->second);
    sims_.erase(it);
    return sim;
  }

 private:
  std::mutex mutex_;
  std::map<jlong, std::shared_ptr<T>> sims_;
  jlong next_ = 1;
};
