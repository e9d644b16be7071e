// The T-mini Plus mini LiDAR: its port, the command and query exchanges, and the device object
// that starts and stops the scanning worker.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "KorvaneSerial.h"
#include "common/ConsoleLine.h"
#include "common/DeviceHealth.h"
#include "common/Guarded.h"
#include "common/LittleEndian.h"
#include "common/MillisecondClock.h"
#include "common/PortIo.h"
#include "common/Sleep.h"
#include "lidarmini/LidarMiniDevice.h"
#include "serial/DevicePath.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBaud = 230400;
constexpr uint8_t kStartScan = 0x60;
constexpr uint8_t kStopScan = 0x65;
constexpr uint8_t kInfoQuery = 0x90;
constexpr uint8_t kHealthQuery = 0x92;
constexpr uint8_t kFineUp = 0x09;
constexpr uint8_t kFineDown = 0x0A;
constexpr uint8_t kCoarseUp = 0x0B;
constexpr uint8_t kCoarseDown = 0x0C;
constexpr uint8_t kInfoType = 0x04;
constexpr uint8_t kHealthType = 0x06;
constexpr int kInfoPayloadBytes = 20;
constexpr int kHealthPayloadBytes = 3;
constexpr int kHeaderBytes = 7;
constexpr int kCreateSettleMs = 200;
constexpr int kStartSettleMs = 300;
constexpr double kLimitMargin = 0.001;

using korvane::DeviceHealth;
using korvane::printLine;

void printError(const std::string& text) {
  korvane::printLine(std::cerr, "[LidarMini] " + text);
}

void printProgress(const std::string& text) {
  korvane::printLine(std::cout, "[LidarMini] " + text);
}

std::string hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", value);
  return text;
}

std::string portName(int fd) {
  char name[256];
  return korvane::describePort(fd, name, sizeof name);
}

// The device numbered port among the folder's USB serial devices; "/dev/ttyUSB0" ("/dev/ttyUSB1"
// for port 3) when there is none (COM1 and COM2 on Windows).
std::string FindDevicePath(const std::string& directory, int port) {
  return korvane::serial::findDevicePathIn(directory, port, korvane::serial::Fallback::Usb);
}

// A removed port waits out the read as a quiet one would, so a query loop never spins on it.
int ReadSome(int fd, uint8_t* buf, int len, int waitMs) {
  if (fd == -1) {
    korvane::sleepMilliseconds(waitMs);
    return 0;
  }
  return KorvaneSerial::ReadWithin(fd, buf, len, waitMs);
}

static_assert(korvane::LidarMini::kWriteDeadlineMs == KorvaneSerial::kWriteDeadlineMs);

bool SendBytes(int fd, const uint8_t* data, int len, DeviceHealth& health) {
  if (fd == -1) return false;
  KorvaneSerial::WriteOutcome result = KorvaneSerial::WriteWithin(fd, data, len);
  if (result == KorvaneSerial::WriteOutcome::Done) {
    health.sent();
    return true;
  }
  const int error = result == KorvaneSerial::WriteOutcome::Failed ? errno : ETIMEDOUT;
  if (result == KorvaneSerial::WriteOutcome::Failed) {
    printError(std::string("write error: ") + std::strerror(error));
  } else {
    printError("write error: " + portName(fd) + " did not take the bytes within " +
               std::to_string(korvane::LidarMini::kWriteDeadlineMs) + " ms");
  }
  health.failed(korvane::FailedCall::Send, -error);
  return false;
}

bool SendCmd(int fd, uint8_t code, DeviceHealth& health) {
  const uint8_t frame[2] = {0xA5, code};
  if (SendBytes(fd, frame, 2, health)) return true;
  printError("SendCmd 0x" + hex(code) + " failed");
  return false;
}

// Reads exactly len bytes before the deadline, waiting for them without polling on a timer. A
// device that hangs up ends the wait at once.
bool ReadExact(int fd, uint8_t* buf, int len, int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int count = 0;
  while (count < len) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      printError("ReadExact timeout (got " + std::to_string(count) + "/" + std::to_string(len) +
                 " bytes)");
      return false;
    }
    int n = ReadSome(fd, buf + count, len - count, static_cast<int>(left));
    if (n < 0) {
      printError("ReadExact failed on " + portName(fd) + ": " + std::strerror(errno) + " (got " +
                 std::to_string(count) + "/" + std::to_string(len) + " bytes)");
      return false;
    }
    count += n;
  }
  return true;
}

bool ReadResponseHeader(int fd, uint8_t& type) {
  uint8_t header[kHeaderBytes];
  if (!ReadExact(fd, header, kHeaderBytes, korvane::LidarMini::kQueryTimeoutMs)) return false;
  if (header[0] != 0xA5 || header[1] != 0x5A) {
    printError("Bad header (0x" + hex(header[0]) + " 0x" + hex(header[1]) + ")");
    return false;
  }
  type = header[6];
  return true;
}

// Sends the query and reads its header and payload; false (after a line) when any step fails or
// the answer is of another type. An answer is the device heard.
bool Query(int fd, uint8_t command, uint8_t expectedType, uint8_t* payload, int payloadBytes,
           const char* name, DeviceHealth& health) {
  if (!SendCmd(fd, command, health)) return false;
  uint8_t type = 0;
  if (!ReadResponseHeader(fd, type)) return false;
  health.heardNow();
  if (type != expectedType) {
    printError(std::string(name) + ": unexpected type 0x" + hex(type));
    return false;
  }
  return ReadExact(fd, payload, payloadBytes, korvane::LidarMini::kQueryTimeoutMs);
}

korvane::LidarMini::LidarInfo InfoExchange(int fd, DeviceHealth& health) {
  korvane::LidarMini::LidarInfo info;
  uint8_t payload[kInfoPayloadBytes];
  if (!Query(fd, kInfoQuery, kInfoType, payload, kInfoPayloadBytes, "getInfo", health)) {
    return info;
  }
  info.model = payload[0];
  info.firmwareVersion = korvane::readU16(payload + 1);
  info.hardwareVersion = payload[3];
  std::memcpy(info.serialNumber, payload + 4, sizeof info.serialNumber);
  return info;
}

korvane::LidarMini::LidarHealth HealthExchange(int fd, DeviceHealth& health) {
  korvane::LidarMini::LidarHealth answer;
  uint8_t payload[kHealthPayloadBytes];
  if (!Query(fd, kHealthQuery, kHealthType, payload, kHealthPayloadBytes, "getHealth", health)) {
    return answer;
  }
  answer.status = payload[0];
  answer.errorCode = korvane::readU16(payload + 1);
  return answer;
}

}  // namespace

namespace korvane::lidarmini {

using korvane::serial::deviceDirectory;

// The mini LiDARs' table: every open device.
Device::Table& Device::table() {
  static Table* devices = new Table;  // never destroyed: a late call still finds a table
  return *devices;
}

int64_t Device::open(int port) {
  return guarded(
      [&]() -> int64_t {
        std::unique_ptr<Device> lidar(new Device());
        const std::string path = FindDevicePath(deviceDirectory(), port);
        lidar->health_ =
            std::make_unique<DeviceHealth>("LidarMini[" + std::to_string(port) + "]", path,
                                           LidarMini::kSilenceMs, libraryMilliseconds);
        lidar->health_->expectData(false);  // it streams only while scanning
        printProgress("Opening " + path + " (port " + std::to_string(port) + ")");
        lidar->fd_ = KorvaneSerial::Open(path, kBaud, "LidarMini");
        if (lidar->fd_ == -1) return 0;
        SendCmd(lidar->fd_, kStopScan, *lidar->health_);
        sleepMilliseconds(kCreateSettleMs);
        KorvaneSerial::FlushRx(lidar->fd_);
        printProgress("Initialised on port " + std::to_string(port) + " (" + path + ")");
        if (lidar->shown_.device.open("LidarMini", port)) {
          lidar->shown_.device.add(lidar->shown_.pointsPerRevolution, "Points per revolution", 0);
        }
        Device* opened = lidar.release();
        return table().adopt(
            opened, [](Device* unfiled) { delete unfiled; }, handleOf(opened));
      },
      [](const std::exception& e) -> int64_t {
        printError(std::string("Cannot create: ") + e.what());
        return 0;
      });
}

void Device::close(int64_t handle) {
  std::unique_ptr<Device> lidar(table().remove(handle));
  if (!lidar) return;
  lidar->tearDownWorker();
  printProgress("Destroyed");
}

Device::~Device() {
  tearDownWorker();
  KorvaneSerial::Close(fd_);
}

void Device::tearDownWorker() {
  std::shared_ptr<ScanWorker> old = std::atomic_exchange(&worker_, std::shared_ptr<ScanWorker>());
  if (old) old->stop();
}

void Device::start() {
  std::lock_guard turn(commands_);
  if (scanning_.load()) {
    printError("Already scanning");
    return;
  }
  if (!SendCmd(fd_, kStartScan, *health_)) return;
  sleepMilliseconds(kStartSettleMs);
  int available = KorvaneSerial::Available(fd_);
  if (available <= 0) {
    printError(
        "WARNING: 0 bytes 300 ms after scan start. Check device path and T-mini Plus power.");
  } else {
    printProgress("Confirmed: " + std::to_string(available) + " bytes received after scan start.");
  }
  scanning_.store(true);
  health_->expectData(true);
  std::shared_ptr<ScanWorker> started = guarded(
      [&] {
        return std::make_shared<ScanWorker>(fd_, scanning_, shown_.pointsPerRevolution, *health_);
      },
      [&](const std::exception& e) {
        scanning_.store(false);
        health_->expectData(false);
        printError(std::string("Cannot start the scanning thread: ") + e.what());
        SendCmd(fd_, kStopScan, *health_);
        return std::shared_ptr<ScanWorker>();
      });
  if (!started) return;
  std::shared_ptr<ScanWorker> old = std::atomic_exchange(&worker_, std::move(started));
  if (old) old->stop();
  printProgress("Scanning started");
}

void Device::stop() {
  std::lock_guard turn(commands_);
  SendCmd(fd_, kStopScan, *health_);
  scanning_.store(false);
  health_->expectData(false);
  tearDownWorker();
  shown_.pointsPerRevolution.set(0);  // data() has no revolution now
  printProgress("Scanning stopped");
}

void Device::changeFrequency(bool increase, bool coarse) {
  std::lock_guard turn(commands_);
  const float now = frequencyHz_.load();
  float step = coarse ? 1.0f : 0.1f;
  float next = increase ? now + step : now - step;
  if (increase && static_cast<double>(next) > LidarMini::kMaxFrequencyHz + kLimitMargin) {
    std::ostringstream text;
    text << "increaseFrequency blocked: max is " << static_cast<double>(LidarMini::kMaxFrequencyHz)
         << " Hz";
    printError(text.str());
    return;
  }
  if (!increase && static_cast<double>(next) < LidarMini::kMinFrequencyHz - kLimitMargin) {
    std::ostringstream text;
    text << "decreaseFrequency blocked: min is " << static_cast<double>(LidarMini::kMinFrequencyHz)
         << " Hz";
    printError(text.str());
    return;
  }
  uint8_t code = increase ? (coarse ? kCoarseUp : kFineUp) : (coarse ? kCoarseDown : kFineDown);
  if (SendCmd(fd_, code, *health_)) frequencyHz_.store(next);
}

Device::LidarInfo Device::info() {
  std::lock_guard turn(commands_);
  if (scanning_.load()) {
    printError("getInfo needs scanning stopped: its answer would be lost in the scan stream");
    return LidarInfo();
  }
  KorvaneSerial::FlushRx(fd_);
  return InfoExchange(fd_, *health_);
}

Device::LidarHealth Device::health() {
  std::lock_guard turn(commands_);
  if (scanning_.load()) {
    printError("getHealth needs scanning stopped: its answer would be lost in the scan stream");
    return LidarHealth();
  }
  KorvaneSerial::FlushRx(fd_);
  return HealthExchange(fd_, *health_);
}

Device::ScanData Device::data() const {
  std::shared_ptr<ScanWorker> current = std::atomic_load(&worker_);
  return current ? current->lastScan() : ScanData();
}

size_t Device::readData(float* angles, float* distances, float* intensities, size_t room,
                        int64_t* timestampNs, int64_t* ageMs) const {
  std::shared_ptr<ScanWorker> current = std::atomic_load(&worker_);
  if (!current) {
    *timestampNs = 0;
    *ageMs = -1;
    return 0;
  }
  return current->copyLastScan(angles, distances, intensities, room, timestampNs, ageMs);
}

}  // namespace korvane::lidarmini
