#pragma once

// Creating a sensor object that speaks CAN or USB. The device's part for the transport is made
// (opening its session or port), kept only if it opened, shown in a desktop simulation as
// "<tag>[<CAN ID>]" (on CAN bus 0), "<tag>[<bus>/<CAN ID>]" (on another bus) or "<tag>[<path>]",
// and handed to a new sensor object; on any failure
// everything made is freed again, so the caller gets an open sensor or null. A throw while making
// it (allocation, starting the reader thread) becomes one line, "[<tag>] Failed to create the
// <CAN|USB> sensor: <reason>", on standard output.
//
// Sensor is the device's driver class: it befriends DualTransportSensor<Sensor> and is
// constructed from a std::unique_ptr to its device's interface (Sensor::Transport), which both
// parts implement; the parts derive from it and take their link's arguments first (a CAN part its
// bus and CAN ID).

#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "common/CanDeviceId.h"
#include "common/ConsoleLine.h"
#include "common/SensorCanSession.h"
#include "port/Can.h"

namespace korvane {

template <class Sensor>
class DualTransportSensor {
 public:
  template <class CanPart, class... Args>
  static Sensor* openCan(const char* tag, int bus, int canId, Args&&... args) {
    if (!SensorCanSession::idInRange(canId, tag)) return nullptr;
    if (!port::can::busInRange(bus, tag)) return nullptr;
    return open<CanPart>(tag, "CAN", canDeviceId(bus, canId), bus, static_cast<uint8_t>(canId),
                         std::forward<Args>(args)...);
  }

  template <class UsbPart, class... Args>
  static Sensor* openUsb(const char* tag, const char* path, Args&&... args) {
    if (path == nullptr) return nullptr;
    return open<UsbPart>(tag, "USB", path, std::string(path), std::forward<Args>(args)...);
  }

 private:
  template <class Part, class... Args>
  static Sensor* open(const char* tag, const char* transport, std::string_view id, Args&&... args) {
    try {
      std::unique_ptr<typename Sensor::Transport> part =
          std::make_unique<Part>(std::forward<Args>(args)...);
      if (!part->isOpen()) return nullptr;
      part->showAs(tag, id);
      return new Sensor(std::move(part));
    } catch (const std::exception& e) {
      printLine(std::cout, std::string("[") + tag + "] Failed to create the " + transport +
                               " sensor: " + e.what());
      return nullptr;
    }
  }
};

}  // namespace korvane
