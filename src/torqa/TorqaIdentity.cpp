// Who the controller is: the info record (device number, firmware, hardware), fetched once per
// handle with retries and cached, and the serial number, asked for on every call.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <exception>
#include <iostream>
#include <optional>
#include <string>

#include "Torqa.h"
#include "TorqaFrames.h"
#include "TorqaJNI.h"
#include "common/ConsoleLine.h"
#include "common/LittleEndian.h"
#include "common/Sleep.h"
#include "port/Can.h"
#include "torqa/Controllers.h"
#include "torqa/FrameSend.h"

using korvane::torqa::Controllers;
using korvane::torqa::InfoRecord;

namespace {

constexpr int kInfoAttempts = 8;

// The handle's controller's bus; 0 for a handle that is not open.
int busOf(long handle) {
  const auto controller = Controllers::instance().find(handle);
  return controller ? controller->bus() : 0;
}

void sendRequest(unsigned int messageBase, const korvane::torqa::Address& to) {
  const unsigned char data[8] = {};
  korvane::torqa::sendFrame(to, messageBase, data);
}

std::optional<InfoRecord> cachedInfo(long handle) {
  const auto controller = Controllers::instance().find(handle);
  return controller ? controller->cachedInfo() : std::nullopt;
}

// The handle's info record: the cached one, or one asked for up to eight times, cached when the
// handle is open. The controller is looked up only around the cache, not held across the waits,
// so that closing it never waits for an identity call.
std::optional<InfoRecord> infoRecord(long handle, int deviceID) {
  if (auto record = cachedInfo(handle)) return record;
  const korvane::torqa::Address to{busOf(handle), deviceID};
  for (int attempt = 0; attempt < kInfoAttempts; ++attempt) {
    sendRequest(korvane::torqa::frames::kInfoRequest, to);
    korvane::sleepMilliseconds(50 + 25 * attempt);
    InfoRecord record{};
    int32_t length = 0;
    uint64_t timestamp = 0;
    int32_t status = 0;
    try {
      korvane::port::can::readLatest(static_cast<int32_t>(handle),
                                     korvane::torqa::frames::kInfoRecordApi, record.data(), &length,
                                     &timestamp, &status);
    } catch (const std::exception&) {
      continue;
    }
    // Device number 0 in the record means the controller has not filled it in.
    if (status != 0 || record[0] == 0) continue;
    if (const auto controller = Controllers::instance().find(handle)) {
      controller->storeInfo(record);
    }
    return record;
  }
  korvane::printLine(std::cerr, std::string("[Torqa] ") + Torqa::getErrorMessage(1010) +
                                    " (handle=" + std::to_string(handle) +
                                    ", deviceID=" + std::to_string(deviceID) + ")");
  return std::nullopt;
}

std::optional<InfoRecord> fetchInfo(long handle) {
  return infoRecord(handle, DeviceIDForHandle(handle));
}

// One serial-number word from its frame, if a new one has come; 0 otherwise.
uint32_t readSerialWord(long handle, int word) {
  unsigned char data[8] = {};
  int32_t length = 0;
  uint64_t timestamp = 0;
  int32_t status = 0;
  try {
    korvane::port::can::readNew(static_cast<int32_t>(handle),
                                korvane::torqa::frames::kSerialWordApi + word, data, &length,
                                &timestamp, &status);
  } catch (const std::exception&) {
    korvane::printLine(std::cout, Torqa::getErrorMessage(1021 + word));
  }
  return korvane::readU32(data);
}

}  // namespace

bool EnsureTorqaInfoCached(long handle, int deviceID) {
  return infoRecord(handle, deviceID).has_value();
}

int TorqaJNI::c_Torqa_getID(long handle) {
  const auto record = fetchInfo(handle);
  return record ? (*record)[0] : 0;
}

std::string TorqaJNI::c_Torqa_getFirmwareVersion(long handle) {
  const auto record = fetchInfo(handle);
  if (!record) return "Firmware Version: (read failed)";
  return "Firmware Version: [" + std::to_string((*record)[1]) + "." + std::to_string((*record)[2]) +
         "." + std::to_string((*record)[3]) + "]";
}

std::string TorqaJNI::c_Torqa_getHardwareVersion(long handle) {
  const auto record = fetchInfo(handle);
  if (!record) return "Hardware: (read failed)";
  std::string version = std::to_string((*record)[5]);
  switch ((*record)[4]) {
    case 1:
      return "Hardware: Torqa Quad, Version: " + version;
    case 2:
      return "Hardware: Torqa Small, Version: " + version;
    default:
      return "No Hardware Found!";
  }
}

std::string TorqaJNI::c_Torqa_getSerialNumber(long handle) {
  sendRequest(korvane::torqa::frames::kSerialRequest, {busOf(handle), DeviceIDForHandle(handle)});
  Torqa::delay(handle, 0.01);
  uint32_t words[3];
  for (int word = 0; word < 3; ++word) words[word] = readSerialWord(handle, word);
  char text[27];
  std::snprintf(text, sizeof text, "%08X-%08X-%08X", words[0], words[1], words[2]);
  return text;
}
