// Who the controller is: the info record (device number, firmware, hardware), fetched once per
// controller with retries and cached, and the serial number, asked for on every call. The
// identity calls of one open controller take turns, so two never ask it at once.

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>

#include "TorqaFrames.h"
#include "common/ConsoleLine.h"
#include "common/ErrorText.h"
#include "common/Guarded.h"
#include "common/LittleEndian.h"
#include "common/Sleep.h"
#include "port/Can.h"
#include "torqa/FrameSend.h"
#include "torqa/Operations.h"

namespace korvane::torqa {

namespace {

constexpr int kInfoAttempts = 8;

void sendRequest(unsigned int messageBase, const Address& to) {
  const unsigned char data[8] = {};
  sendFrame(to, messageBase, data);
}

// One identity call at a time on an open controller; nothing to wait for on other handles.
std::unique_lock<std::mutex> takeTurn(const Target& of) {
  if (!of) return {};
  return std::unique_lock(of.controller()->identityTurn());
}

// The target's info record: the cached one, or one asked for (as deviceID) up to eight times,
// cached when the controller is open.
std::optional<InfoRecord> infoRecord(const Target& of, int deviceID) {
  if (of) {
    if (auto record = of.controller()->cachedInfo()) return record;
  }
  for (int attempt = 0; attempt < kInfoAttempts; ++attempt) {
    sendRequest(frames::kInfoRequest, Address{of.address().bus, deviceID});
    sleepMilliseconds(50 + 25 * attempt);
    InfoRecord record{};
    int32_t length = 0;
    uint64_t timestamp = 0;
    int32_t status = 0;
    const bool read = guarded(
        [&] {
          port::can::readLatest(of.canHandle(), frames::kInfoRecordApi, record.data(), &length,
                                &timestamp, &status);
          return true;
        },
        [](const std::exception&) { return false; });
    // Device number 0 in the record means the controller has not filled it in.
    if (!read || status != 0 || record[0] == 0) continue;
    if (of) of.controller()->storeInfo(record);
    return record;
  }
  printLine(std::cerr, std::string("[Torqa] ") + errorText(1010) +
                           " (handle=" + std::to_string(of.canHandle()) +
                           ", deviceID=" + std::to_string(deviceID) + ")");
  return std::nullopt;
}

std::optional<InfoRecord> fetchInfo(const Target& of) {
  const auto turn = takeTurn(of);
  return infoRecord(of, of.deviceNumber());
}

// One serial-number word from its frame, if a new one has come; 0 otherwise.
uint32_t readSerialWord(const Target& of, int word) {
  unsigned char data[8] = {};
  int32_t length = 0;
  uint64_t timestamp = 0;
  int32_t status = 0;
  guarded(
      [&] {
        port::can::readNew(of.canHandle(), frames::kSerialWordApi + word, data, &length, &timestamp,
                           &status);
      },
      [&](const std::exception&) { printLine(std::cout, errorText(1021 + word)); });
  return readU32(data);
}

}  // namespace

bool ensureInfoCached(const Target& of, int deviceId) {
  const auto turn = takeTurn(of);
  return infoRecord(of, deviceId).has_value();
}

int reportedId(const Target& of) {
  const auto record = fetchInfo(of);
  return record ? (*record)[0] : 0;
}

std::string firmwareVersion(const Target& of) {
  const auto record = fetchInfo(of);
  if (!record) return "Firmware Version: (read failed)";
  return "Firmware Version: [" + std::to_string((*record)[1]) + "." + std::to_string((*record)[2]) +
         "." + std::to_string((*record)[3]) + "]";
}

std::string hardwareVersion(const Target& of) {
  const auto record = fetchInfo(of);
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

std::string serialNumber(const Target& of) {
  const auto turn = takeTurn(of);
  sendRequest(frames::kSerialRequest, of.address());
  sleepMilliseconds(10);
  uint32_t words[3];
  for (int word = 0; word < 3; ++word) words[word] = readSerialWord(of, word);
  char text[27];
  std::snprintf(text, sizeof text, "%08X-%08X-%08X", words[0], words[1], words[2]);
  return text;
}

}  // namespace korvane::torqa
