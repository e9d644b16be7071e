#include "common/CanStreamSession.h"

#include <algorithm>
#include <iostream>
#include <string>

#include "common/ConsoleLine.h"

namespace korvane::can_session {

bool canIdInRange(int canId, const char* tag) {
  if (static_cast<unsigned>(canId) <= 63) return true;
  printLine(std::cout, std::string("[") + tag + "] CAN ID " + std::to_string(canId) +
                           " is out of range (0 - 63)");
  return false;
}

bool open(uint32_t* session, uint32_t messageId, uint32_t mask, uint32_t maxMessages,
          const char* tag) {
  int32_t status = 0;
  HAL_CAN_OpenStreamSession(session, messageId, mask, maxMessages, &status);
  if (status == 0) return true;
  printLine(std::cout, std::string("[") + tag + "] Failed to open CAN stream session (status " +
                           std::to_string(status) + ")");
  return false;
}

uint32_t read(uint32_t session, HAL_CANStreamMessage* messages, uint32_t capacity) {
  uint32_t count = 0;
  int32_t status = 0;
  HAL_CAN_ReadStreamSession(session, messages, capacity, &count, &status);
  if (status != 0 && status != HAL_ERR_CANSessionMux_SessionOverrun) return 0;
  return std::min(count, capacity);
}

}  // namespace korvane::can_session
