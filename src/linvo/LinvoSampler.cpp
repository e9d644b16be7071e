#include "linvo/LinvoSampler.h"

#include <pthread.h>

#include <iostream>
#include <string>
#include <system_error>
#include <utility>

#include "common/ConsoleLine.h"
#include "common/Guarded.h"

namespace korvane::linvo {

Sampler::Sampler(std::function<void()> step, Clock::duration period, Clock::duration idleAfter,
                 std::function<void(bool)> onSampling)
    : step_(std::move(step)),
      onSampling_(std::move(onSampling)),
      period_(period),
      idleAfter_(idleAfter) {}

Sampler::~Sampler() {
  disable();
}

void Sampler::enable() {
  std::lock_guard<std::mutex> life(lifecycle_);
  enabled_ = true;
  startFailed_ = false;
}

void Sampler::disable() {
  std::lock_guard<std::mutex> life(lifecycle_);
  enabled_ = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  stopping_ = false;
  sampling_.store(false);
}

void Sampler::touch() {
  readSinceLook_.store(true);
  if (sampling_.load()) return;
  std::lock_guard<std::mutex> life(lifecycle_);
  if (!enabled_) return;
  if (thread_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      sampling_.store(true);
    }
    wake_.notify_one();
    return;
  }
  if (startFailed_) return;
  sampling_.store(true);
  korvane::guarded([&] { thread_ = std::thread(&Sampler::run, this); },
                   [&](const std::exception& e) {
                     sampling_.store(false);
                     startFailed_ = true;
                     korvane::printLine(
                         std::cout,
                         std::string("Line sensor sampling thread could not start: ") + e.what());
                   });
}

bool Sampler::readRecently(Clock::time_point now) {
  if (readSinceLook_.exchange(false)) lastRead_ = now;
  return now - lastRead_ < idleAfter_;
}

void Sampler::run() {
  pthread_setname_np(pthread_self(), "linvo-sampler");
  std::unique_lock<std::mutex> lock(mutex_);
  bool paused = true;
  while (!stopping_) {
    if (!readRecently(Clock::now())) {
      // A read between the check and this store either sees sampling_ false and wakes us, or
      // is seen by the second check.
      sampling_.store(false);
      if (!readRecently(Clock::now())) {
        if (!paused && onSampling_) onSampling_(false);
        paused = true;
        wake_.wait(lock, [this] { return stopping_ || sampling_.load(); });
        continue;
      }
      sampling_.store(true);
    }
    if (paused && onSampling_) onSampling_(true);
    paused = false;
    lock.unlock();
    step_();
    lock.lock();
    // A whole period from the end of this step, however late it ran: the next step may rely on
    // that much time having passed.
    auto next = Clock::now() + period_;
    wake_.wait_until(lock, next, [this] { return stopping_; });
  }
}

}  // namespace korvane::linvo
