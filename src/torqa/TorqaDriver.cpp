// Opening and closing motor controllers.

#include <iostream>

#include "TorqaFrames.h"
#include "common/ConsoleLine.h"
#include "common/ErrorText.h"
#include "common/Guarded.h"
#include "port/Can.h"
#include "torqa/Controllers.h"
#include "torqa/Operations.h"

namespace korvane::torqa {

namespace {

void report(int code) {
  printLine(std::cout, errorText(code));
}

// The HAL's CAN handle for the controller, filed among the open controllers; 0 after the HAL's
// refusal (reported) or with no room to keep it (the handle released again).
int32_t openHandle(int bus, int deviceId) {
  int32_t handle = 0;
  return guarded(
      [&]() -> int32_t {
        int32_t status = 0;
        handle = port::can::openDevice(bus, frames::kManufacturer, deviceId, frames::kDeviceType,
                                       &status);
        if (status != 0) {
          report(1000);
          return 0;
        }
        if (!Controllers::instance().open(handle, deviceId, bus)) {
          port::can::closeDevice(handle);  // no room to keep it: nobody could close it
          report(1000);
          return 0;
        }
        return handle;
      },
      [&](const std::exception&) -> int32_t {
        if (handle != 0) port::can::closeDevice(handle);
        report(1000);
        return 0;
      });
}

}  // namespace

int32_t open(int bus, int deviceId, int frequency) {
  if (deviceId < 1 || deviceId > 63) {
    report(1002);
    return 0;
  }
  if (static_cast<unsigned int>(frequency) > 20000) {
    report(1001);
    return 0;
  }
  if (!port::can::busInRange(bus, "Torqa")) return 0;
  const int32_t handle = openHandle(bus, deviceId);
  if (handle == 0) return 0;
  Controllers& controllers = Controllers::instance();
  return guarded(
      [&] {
        {
          const Target controller(handle);
          for (signed char motor = 0; motor < 4; ++motor) {
            configureMotor(controller, motor, frequency);
          }
        }
        controllers.startHeartbeat(handle);
        return handle;
      },
      [&](const std::exception&) -> int32_t {
        // Nobody could close a controller whose open returned 0: it goes again, with its handle.
        controllers.discard(handle);
        port::can::closeDevice(handle);
        report(1000);
        return 0;
      });
}

void close(int32_t canHandle) {
  // Only a handle that an open opened is released: a stale one may name another device's handle
  // by now.
  if (Controllers::instance().close(canHandle)) port::can::closeDevice(canHandle);
}

}  // namespace korvane::torqa
