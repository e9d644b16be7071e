#pragma once

// The motor controller's frame send, sleep and error-text routines. The sleep and the error texts
// are the library's own (common/Sleep.h, common/ErrorText.h); these keep their names for callers.
//
// Threading: all three may be called from any thread at once; they keep no state.

class Torqa {
 public:
  // Sends one 8-byte frame to messageBase + deviceID, once. The HAL status is not looked at.
  static void sendMessage(unsigned int messageBase, unsigned char* data, int deviceID);
  // Sleeps for the given seconds (whole milliseconds), resuming after signals. The handle is
  // not used.
  static void delay(long handle, double seconds);
  // The constant text of an error code; "Unknown error found" for codes not in the table.
  static const char* getErrorMessage(int code);
};
