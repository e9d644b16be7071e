#include "Torqa.h"

#include <cerrno>
#include <cstdint>
#include <ctime>

#include "common/ErrorText.h"
#include "common/Sleep.h"
#include "hal/CAN.h"
#include "torqa/FrameSend.h"

int32_t korvane::torqa::sendFrame(unsigned int messageBase, const unsigned char* data,
                                  int deviceID) {
  int32_t status = 0;
  HAL_CAN_SendMessage(messageBase + deviceID, data, 8, 0, &status);
  return status;
}

void Torqa::sendMessage(unsigned int messageBase, unsigned char* data, int deviceID) {
  korvane::torqa::sendFrame(messageBase, data, deviceID);
}

void Torqa::delay(long handle, double seconds) {
  (void)handle;
  int64_t milliseconds = static_cast<int64_t>(seconds * 1000.0);
  korvane::sleepMilliseconds(milliseconds);
}

const char* Torqa::getErrorMessage(int code) {
  return korvane::errorText(code);
}
