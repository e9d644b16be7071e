#pragma once

#include <functional>
#include <utility>

namespace wpi {

enum LogLevel {
  WPI_LOG_CRITICAL = 50,
  WPI_LOG_ERROR = 40,
  WPI_LOG_WARNING = 30,
  WPI_LOG_INFO = 20,
  WPI_LOG_DEBUG = 10,
};

// Hands log messages at or above its minimum level to a log function.
//
// Threading: DoLog may run on several threads at once; SetLogger and set_min_level must not run
// concurrently with DoLog.
class Logger {
 public:
  using LogFunc =
      std::function<void(unsigned int level, const char* file, unsigned int line, const char* msg)>;

  Logger() = default;
  explicit Logger(LogFunc func) : func_(std::move(func)) {}
  Logger(LogFunc func, unsigned int min_level) : func_(std::move(func)), minLevel_(min_level) {}

  void SetLogger(LogFunc func) { func_ = std::move(func); }
  void set_min_level(unsigned int level) { minLevel_ = level; }
  unsigned int min_level() const { return minLevel_; }
  bool HasLogger() const { return func_ != nullptr; }

  // Calls the log function when there is one and the level is at least the minimum. (WPILib's
  // formatting Log and LogV sit on top of this; the stand-in has no formatting library.)
  void DoLog(unsigned int level, const char* file, unsigned int line, const char* msg) {
    if (func_ && level >= minLevel_) func_(level, file, line, msg);
  }

 private:
  LogFunc func_;
  unsigned int minLevel_ = WPI_LOG_INFO;
};

}  // namespace wpi
