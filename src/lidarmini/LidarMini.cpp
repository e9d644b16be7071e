// The T-mini Plus mini LiDAR: its port, the command and query exchanges, and the driver object
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
#include "LidarMiniJNI.h"
#include "common/ConsoleLine.h"
#include "common/DeviceHealth.h"
#include "common/LittleEndian.h"
#include "common/MillisecondClock.h"
#include "common/PortIo.h"
#include "common/Sleep.h"
#include "lidarmini/ScanWorker.h"
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

static_assert(LidarMiniJNI::kWriteDeadlineMs == KorvaneSerial::kWriteDeadlineMs);

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
               std::to_string(LidarMiniJNI::kWriteDeadlineMs) + " ms");
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
  if (!ReadExact(fd, header, kHeaderBytes, LidarMiniJNI::kQueryTimeoutMs)) return false;
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
  return ReadExact(fd, payload, payloadBytes, LidarMiniJNI::kQueryTimeoutMs);
}

LidarMiniJNI::LidarInfo InfoExchange(int fd, DeviceHealth& health) {
  LidarMiniJNI::LidarInfo info;
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

LidarMiniJNI::LidarHealth HealthExchange(int fd, DeviceHealth& health) {
  LidarMiniJNI::LidarHealth answer;
  uint8_t payload[kHealthPayloadBytes];
  if (!Query(fd, kHealthQuery, kHealthType, payload, kHealthPayloadBytes, "getHealth", health)) {
    return answer;
  }
  answer.status = payload[0];
  answer.errorCode = korvane::readU16(payload + 1);
  return answer;
}

}  // namespace

LidarMiniJNI* LidarMiniJNI::c_LidarMini_create(int port) {
  try {
    return createIn(korvane::serial::deviceDirectory(), port);
  } catch (const std::exception& e) {
    printError(std::string("Cannot create: ") + e.what());
    return nullptr;
  }
}

LidarMiniJNI* LidarMiniJNI::createIn(const std::string& deviceDirectory, int port) {
  try {
    std::unique_ptr<LidarMiniJNI> lidar(new LidarMiniJNI());
    std::string path = FindDevicePath(deviceDirectory, port);
    lidar->health = std::make_unique<DeviceHealth>("LidarMini[" + std::to_string(port) + "]", path,
                                                   kSilenceMs, korvane::libraryMilliseconds);
    lidar->health->expectData(false);  // it streams only while scanning
    printProgress("Opening " + path + " (port " + std::to_string(port) + ")");
    {
      std::lock_guard lock(lidar->portMutex);
      lidar->fd = KorvaneSerial::Open(path, kBaud, "LidarMini");
    }
    if (lidar->fd == -1) return nullptr;
    SendCmd(lidar->fd, kStopScan, *lidar->health);
    korvane::sleepMilliseconds(kCreateSettleMs);
    KorvaneSerial::FlushRx(lidar->fd);
    printProgress("Initialised on port " + std::to_string(port) + " (" + path + ")");
    if (lidar->shown.device.open("LidarMini", port)) {
      lidar->shown.device.add(lidar->shown.pointsPerRevolution, "Points per revolution", 0);
    }
    return lidar.release();
  } catch (const std::exception& e) {
    printError(std::string("Cannot create: ") + e.what());
    return nullptr;
  }
}

LidarMiniJNI::~LidarMiniJNI() {
  tearDownWorker();
  std::lock_guard lock(portMutex);
  KorvaneSerial::Close(fd);
  fd = -1;
}

void LidarMiniJNI::c_LidarMini_destroy(LidarMiniJNI* lidar) {
  if (lidar == nullptr) return;
  lidar->tearDownWorker();
  {
    std::lock_guard lock(lidar->portMutex);
    KorvaneSerial::Close(lidar->fd);
    lidar->fd = -1;
  }
  printProgress("Destroyed");
  delete lidar;
}

void LidarMiniJNI::tearDownWorker() {
  std::shared_ptr<Impl> old = std::atomic_exchange(&worker, std::shared_ptr<Impl>());
  if (old) old->stop();
}

void LidarMiniJNI::c_LidarMini_start() {
  if (scanning.load()) {
    printError("Already scanning");
    return;
  }
  if (!SendCmd(fd, kStartScan, *health)) return;
  korvane::sleepMilliseconds(kStartSettleMs);
  int available = KorvaneSerial::Available(fd);
  if (available <= 0) {
    printError(
        "WARNING: 0 bytes 300 ms after scan start. Check device path and T-mini Plus power.");
  } else {
    printProgress("Confirmed: " + std::to_string(available) + " bytes received after scan start.");
  }
  scanning.store(true);
  health->expectData(true);
  std::shared_ptr<Impl> started;
  try {
    started = std::make_shared<Impl>(fd, scanning, shown.pointsPerRevolution, *health);
  } catch (const std::exception& e) {
    scanning.store(false);
    health->expectData(false);
    printError(std::string("Cannot start the scanning thread: ") + e.what());
    SendCmd(fd, kStopScan, *health);
    return;
  }
  std::shared_ptr<Impl> old = std::atomic_exchange(&worker, std::move(started));
  if (old) old->stop();
  printProgress("Scanning started");
}

void LidarMiniJNI::c_LidarMini_stop() {
  SendCmd(fd, kStopScan, *health);
  scanning.store(false);
  health->expectData(false);
  tearDownWorker();
  shown.pointsPerRevolution.set(0);  // getData has no revolution now
  printProgress("Scanning stopped");
}

void LidarMiniJNI::c_LidarMini_increaseFrequency(bool coarse) {
  changeFrequency(true, coarse);
}

void LidarMiniJNI::c_LidarMini_decreaseFrequency(bool coarse) {
  changeFrequency(false, coarse);
}

void LidarMiniJNI::changeFrequency(bool increase, bool coarse) {
  float step = coarse ? 1.0f : 0.1f;
  float next = increase ? frequencyHz + step : frequencyHz - step;
  if (increase && static_cast<double>(next) > kMaxFrequencyHz + kLimitMargin) {
    std::ostringstream text;
    text << "increaseFrequency blocked: max is " << static_cast<double>(kMaxFrequencyHz) << " Hz";
    printError(text.str());
    return;
  }
  if (!increase && static_cast<double>(next) < kMinFrequencyHz - kLimitMargin) {
    std::ostringstream text;
    text << "decreaseFrequency blocked: min is " << static_cast<double>(kMinFrequencyHz) << " Hz";
    printError(text.str());
    return;
  }
  uint8_t code = increase ? (coarse ? kCoarseUp : kFineUp) : (coarse ? kCoarseDown : kFineDown);
  if (SendCmd(fd, code, *health)) frequencyHz = next;
}

LidarMiniJNI::LidarInfo LidarMiniJNI::c_LidarMini_getInfo() {
  if (scanning.load()) {
    printError("getInfo needs scanning stopped: its answer would be lost in the scan stream");
    return LidarInfo();
  }
  KorvaneSerial::FlushRx(fd);
  return InfoExchange(fd, *health);
}

LidarMiniJNI::LidarHealth LidarMiniJNI::c_LidarMini_getHealth() {
  if (scanning.load()) {
    printError("getHealth needs scanning stopped: its answer would be lost in the scan stream");
    return LidarHealth();
  }
  KorvaneSerial::FlushRx(fd);
  return HealthExchange(fd, *health);
}

LidarMiniJNI::ScanData LidarMiniJNI::c_LidarMini_getData() {
  std::shared_ptr<Impl> current = std::atomic_load(&worker);
  return current ? current->lastScan() : ScanData();
}

size_t LidarMiniJNI::c_LidarMini_readData(float* angles, float* distances, float* intensities,
                                          size_t room, int64_t* timestampNs, int64_t* ageMs) {
  std::shared_ptr<Impl> current = std::atomic_load(&worker);
  if (!current) {
    *timestampNs = 0;
    *ageMs = -1;
    return 0;
  }
  return current->copyLastScan(angles, distances, intensities, room, timestampNs, ageMs);
}

bool LidarMiniJNI::c_LidarMini_isConnected() {
  return health->connected();
}

int64_t LidarMiniJNI::c_LidarMini_getDataAgeMs() {
  return health->dataAgeMs();
}

DeviceFaults LidarMiniJNI::c_LidarMini_getFaults() {
  return health->record();
}
