#include "Torqa.h"

#include <cstdint>

#include "common/ErrorText.h"
#include "common/Sleep.h"
#include "port/Can.h"
#include "torqa/FrameSend.h"

int32_t korvane::torqa::sendFrame(const Address& to, unsigned int messageBase,
                                  const unsigned char* data) {
  int32_t status = 0;
  korvane::port::can::send(to.bus, messageBase + to.deviceNumber, data, 8, &status);
  return status;
}

void Torqa::sendMessage(unsigned int messageBase, unsigned char* data, int deviceID) {
  korvane::torqa::sendFrame({0, deviceID}, messageBase, data);
}

void Torqa::delay(long handle, double seconds) {
  (void)handle;
  int64_t milliseconds = static_cast<int64_t>(seconds * 1000.0);
  korvane::sleepMilliseconds(milliseconds);
}

const char* Torqa::getErrorMessage(int code) {
  return korvane::errorText(code);
}
