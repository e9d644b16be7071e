#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace korvane::test {

// Runs one call on a thread of its own, so that a test can play the device meanwhile and wait
// for the call with a deadline. (Not std::async: std::future waits on a futex that the C++
// runtime of the controller-ABI test build lacks.) The destructor waits for the call to end.
template <class T>
class BackgroundCall {
 public:
  template <class F>
  explicit BackgroundCall(F call)
      : thread_([this, call = std::move(call)]() mutable {
          T value = call();
          std::lock_guard lock(mutex_);
          value_.emplace(std::move(value));
          done_.notify_all();
        }) {}
  BackgroundCall(const BackgroundCall&) = delete;
  BackgroundCall& operator=(const BackgroundCall&) = delete;
  ~BackgroundCall() {
    if (thread_.joinable()) thread_.join();
  }

  // True once the call has returned, waiting at most `timeout` for it.
  bool waitFor(std::chrono::nanoseconds timeout) {
    std::unique_lock lock(mutex_);
    return done_.wait_for(lock, timeout, [this] { return value_.has_value(); });
  }

  // The call's result, waiting for it as long as it takes.
  T get() {
    if (thread_.joinable()) thread_.join();
    return std::move(*value_);
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  std::optional<T> value_;
  std::thread thread_;  // last: starts once the members it uses exist
};

template <class F>
BackgroundCall(F) -> BackgroundCall<std::invoke_result_t<F&>>;

}  // namespace korvane::test
