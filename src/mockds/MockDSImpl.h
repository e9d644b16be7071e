#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "MockDSJNI.h"
#include "common/HandleTable.h"

// One mock driver station: its worker thread and the flags it shares with callers. The worker
// starts in the constructor; the destructor takes the instance out of the table of live ones
// (waiting for the calls that hold it), then stops and joins the worker.
class MockDSJNI::Impl {
 public:
  Impl();
  ~Impl();
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  // The log function of the worker's logger: one "DS: " line on the utility library's error stream
  // for info, warning, error and critical messages; nothing for other levels.
  static void LoggerFunc(unsigned int level, const char* file, unsigned int line, const char* msg);

  // Its handle in the table of live ones (a serial number, never reused).
  const int64_t handle = korvane::serialHandle();
  std::atomic<bool> running{true};
  std::atomic<bool> enabled{false};

 private:
  void run();
  std::thread worker_;
};
