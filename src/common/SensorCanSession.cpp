#include "common/SensorCanSession.h"

#include <algorithm>
#include <iostream>
#include <string>

#include "common/ConsoleLine.h"
#include "common/DeviceHealth.h"

namespace korvane {

bool SensorCanSession::idInRange(int canId, const char* tag) {
  if (static_cast<unsigned>(canId) <= 63) return true;
  printLine(std::cout, std::string("[") + tag + "] CAN ID " + std::to_string(canId) +
                           " is out of range (0 - 63)");
  return false;
}

SensorCanSession::SensorCanSession(int bus, uint8_t canId, const Filter& filter, const char* tag,
                                   DeviceHealth& health)
    : bus_(bus), canId_(canId), health_(health) {
  int32_t status = 0;
  session_ =
      port::can::openSession(bus, filter.messageId, filter.mask, filter.maxMessages, &status);
  open_ = status == 0;
  if (!open_) {
    printLine(std::cout, std::string("[") + tag + "] Failed to open CAN stream session (status " +
                             std::to_string(status) + ")");
  }
}

SensorCanSession::~SensorCanSession() {
  if (open_) port::can::closeSession(session_);
}

uint32_t SensorCanSession::read(Frame* frames, uint32_t capacity) const {
  if (!open_) return 0;
  uint32_t count = 0;
  int32_t status = 0;
  port::can::readSession(session_, frames, capacity, &count, &status);
  if (status != 0 && status != port::can::kSessionOverrun) {
    if (status != port::can::kMessageNotFound) health_.failed(FailedCall::Receive, status);
    return 0;
  }
  return std::min(count, capacity);
}

bool SensorCanSession::send(uint32_t messageId, const uint8_t* data, uint8_t length) const {
  int32_t status = 0;
  port::can::send(bus_, messageId, data, length, &status);
  if (status != 0) {
    health_.failed(FailedCall::Send, status);
    return false;
  }
  health_.sent();
  return true;
}

int SensorCanSession::receiveLatest(uint32_t messageId, uint8_t* data, uint32_t* timestamp) const {
  uint8_t length = 0;
  uint32_t received = 0;
  int32_t status = 0;
  port::can::receive(bus_, messageId, data, &length, &received, &status);
  if (status != 0) {
    if (status != port::can::kMessageNotFound) health_.failed(FailedCall::Receive, status);
    return -1;
  }
  if (timestamp != nullptr) *timestamp = received;
  return length;
}

}  // namespace korvane
