#include "Torqa.h"

#include <cerrno>
#include <cstdint>
#include <ctime>

#include "common/ErrorText.h"
#include "common/Sleep.h"
#include "hal/CAN.h"

void Torqa::sendMessage(unsigned int messageBase, unsigned char* data, int deviceID) {
  int32_t status = 0;
  HAL_CAN_SendMessage(messageBase + deviceID, data, 8, 0, &status);
}

void Torqa::delay(long handle, double seconds) {
  (void)handle;
  int64_t milliseconds = static_cast<int64_t>(seconds * 1000.0);
  korvane::sleepMilliseconds(milliseconds);
}

const char* Torqa::getErrorMessage(int code) {
  return korvane::errorText(code);
}
