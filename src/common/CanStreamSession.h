#pragma once

// The pieces every CAN sensor with a stream session shares: the CAN-ID check and the session's
// opening with their console lines, and reads that keep the frames of an overrun.
//
// Threading: no state; any thread.

#include <cstdint>

#include "hal/CAN.h"

namespace korvane::can_session {

// True for 0..63; otherwise prints "[<tag>] CAN ID <id> is out of range (0 - 63)" on standard
// output.
bool canIdInRange(int canId, const char* tag);

// Opens a session for every frame whose ID matches under the mask, keeping up to maxMessages.
// False after "[<tag>] Failed to open CAN stream session (status <n>)" on standard output.
bool open(uint32_t* session, uint32_t messageId, uint32_t mask, uint32_t maxMessages,
          const char* tag);

// Reads up to capacity frames in arrival order; the count read, 0 when the read failed. A read
// that overran still hands back the frames the session kept (only the oldest were dropped), so
// they count like any other read.
uint32_t read(uint32_t session, HAL_CANStreamMessage* messages, uint32_t capacity);

}  // namespace korvane::can_session
