#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <mutex>
#include <span>
#include <string>

#include "ControlPacket.h"
#include "MockDSImpl.h"
#include "MockDSInstances.h"
#include "MockDSJNI.h"
#include "common/DriverStationReport.h"
#include "common/Guarded.h"
#include "common/HandleTable.h"
#include "common/Sleep.h"
#include "port/Clock.h"
#include "port/ErrorStream.h"
#include "port/MockDriverStation.h"
#include "port/UdpSender.h"

namespace korvane::mockds {
namespace {

// The live instance, found by every call. Defined before pImpl, so that it outlives the instance
// pImpl frees at unload.
Table g_live;
// Creates, which replace the instance in the table and in pImpl, one at a time.
std::mutex g_creating;

}  // namespace

Table& live() {
  return g_live;
}

}  // namespace korvane::mockds

std::unique_ptr<MockDSJNI::Impl> MockDSJNI::pImpl;

namespace {

using korvane::mockds::g_live;
using korvane::port::fpgaMicros;

// One log line: 128 bytes inline, the heap only for longer lines.
class LineBuffer {
 public:
  void append(const char* text) {
    if (text != nullptr) append(text, std::strlen(text));
  }
  void append(const char* text, size_t size) {
    if (!onHeap_ && size_ + size <= inline_.size()) {
      std::memcpy(inline_.data() + size_, text, size);
      size_ += size;
      return;
    }
    if (!onHeap_) {
      heap_.assign(inline_.data(), size_);
      onHeap_ = true;
    }
    heap_.append(text, size);
    size_ = heap_.size();
  }
  const char* data() const { return onHeap_ ? heap_.data() : inline_.data(); }
  size_t size() const { return size_; }

 private:
  std::array<char, 128> inline_;
  std::string heap_;
  size_t size_ = 0;
  bool onHeap_ = false;
};

const char* prefixFor(unsigned int level) {
  if (level >= korvane::port::kLogCritical) return "CRITICAL: ";
  if (level >= korvane::port::kLogError) return "ERROR: ";
  if (level >= korvane::port::kLogWarning) return "WARNING: ";
  return nullptr;
}

}  // namespace

MockDSJNI::Impl::Impl() {
  worker_ = std::thread(&Impl::run, this);
}

MockDSJNI::Impl::~Impl() {
  g_live.remove(handle);
  running.store(false);
  if (worker_.joinable()) worker_.join();
}

void MockDSJNI::Impl::run() {
  korvane::port::UdpSender client(LoggerFunc);
  client.start();
  int64_t next = fpgaMicros();
  korvane::mockds::ControlCycle cycle;
  korvane::mockds::PacketBuffer packet;
  while (running.load()) {
    next = korvane::mockds::nextGridPoint(next, fpgaMicros());
    int64_t wait = next - fpgaMicros();
    korvane::sleepMicroseconds(wait);
    cycle.build(enabled.load(), packet);
    client.send(std::span<const uint8_t>(packet.data(), packet.size()), korvane::mockds::kHost,
                korvane::mockds::kPort);
  }
  client.shutdown();
}

void MockDSJNI::Impl::LoggerFunc(unsigned int level, const char* file, unsigned int line,
                                 const char* msg) {
  LineBuffer text;
  if (level == korvane::port::kLogInfo) {
    text.append("DS: ");
    text.append(msg);
    text.append("\n");
  } else if (const char* prefix = prefixFor(level)) {
    char number[16];
    int digits = std::snprintf(number, sizeof number, "%u", line);
    text.append("DS: ");
    text.append(prefix);
    text.append(msg);
    text.append(" (");
    text.append(file);
    text.append(":");
    text.append(number, static_cast<size_t>(digits));
    text.append(")\n");
  } else {
    return;
  }
  korvane::port::writeError(text.data(), text.size());
}

namespace korvane::mockds {

int64_t open() {
  using Impl = MockDSJNI::Impl;
  if (const char* refusal = port::mockDriverStationRefusal()) {
    std::unique_ptr<Impl> running;
    {
      std::lock_guard lock(g_creating);
      running.swap(MockDSJNI::pImpl);
    }
    running.reset();  // none runs here; one that did leaves the table and stops sending
    Impl::LoggerFunc(port::kLogError, "MockDS.cpp", __LINE__, refusal);
    reportToDriverStation(Severity::Error, report_code::kRefused, "MockDS",
                          std::string("MockDS: ") + refusal);
    return 0;
  }
  std::unique_ptr<Impl> fresh =
      guarded([] { return std::make_unique<Impl>(); },
              [](const std::exception&) {
                // The previous one, if any, keeps sending.
                Impl::LoggerFunc(port::kLogError, "MockDS.cpp", __LINE__,
                                 "could not start the mock driver station");
                return std::unique_ptr<Impl>();
              });
  if (!fresh) return 0;
  const int64_t handle = fresh->handle;
  std::lock_guard lock(g_creating);
  Impl* replaced = nullptr;
  // The instance before is out of the table once add returns (its calls have returned).
  g_live.add(handle, fresh.get(), &replaced);
  MockDSJNI::pImpl.swap(fresh);
  fresh.reset();  // stops, joins and frees the instance it replaced
  return handle;
}

void close(int64_t handle) {
  std::unique_ptr<MockDSJNI::Impl> closing;
  {
    std::lock_guard lock(g_creating);
    if (MockDSJNI::pImpl && MockDSJNI::pImpl->handle == handle) {
      closing.swap(MockDSJNI::pImpl);
    }
  }
  closing.reset();  // leaves the table, stops and joins its worker
}

void setEnabled(int64_t handle, bool enabled) noexcept {
  if (auto instance = g_live.find(handle)) instance->enabled.store(enabled);
}

}  // namespace korvane::mockds

void MockDSJNI::c_MockDS_create() {
  korvane::mockds::open();
}

void MockDSJNI::c_MockDS_enable() {
  if (auto live = g_live.only()) live->enabled.store(true);
}

void MockDSJNI::c_MockDS_disable() {
  if (auto live = g_live.only()) live->enabled.store(false);
}

void MockDSJNI::c_MockDS_destroy() {
  c_MockDS_disable();
}

bool MockDSJNI::c_MockDS_isSending() {
  return static_cast<bool>(g_live.only());
}
