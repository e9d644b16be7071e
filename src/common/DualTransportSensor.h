#pragma once

// The shape shared by the sensors that speak CAN or USB (the colour and distance sensors): one
// object per open sensor, holding the device's part for its transport (chosen at opening and kept
// for life), filed in its kind's handle table under its address, and taking its commands one at a
// time.
//
// Opening: the part for the transport is made (opening its session or port), kept only if it
// opened, shown in a desktop simulation as "<tag>[<CAN ID>]" (on CAN bus 0), "<tag>[<bus>/<CAN
// ID>]" (on another bus) or "<tag>[<path>]", and handed to a new sensor object, which is filed in
// the table; on any failure everything made is freed again and the handle is 0. A throw while
// making it (allocation, starting the reader thread) becomes one line, "[<tag>] Failed to create
// the <CAN|USB> sensor: <reason>", on standard output.
//
// Sensor is the device's object class: it derives from DualTransportSensor<Sensor, Part> (Part is
// its device's transport interface, which both parts implement; the parts derive from it and take
// their link's arguments first: a CAN part its bus and CAN ID), is constructed from a
// std::unique_ptr<Part>, and defines its table, `static Table& table()`, in its source file.
//
// Threading: opening, closing and finding may run on any thread at any time; close waits for the
// calls that hold the sensor. Commands take turns through commandTurn(); readings and health take
// no turn.

#include <cstdint>
#include <exception>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "DeviceFaults.h"
#include "common/CanDeviceId.h"
#include "common/ConsoleLine.h"
#include "common/Guarded.h"
#include "common/HandleTable.h"
#include "common/SensorCanSession.h"
#include "port/Can.h"

namespace korvane {

template <class Sensor, class Part>
class DualTransportSensor {
 public:
  using Table = HandleTable<Sensor>;
  using Ref = typename Table::Ref;

  // The open sensor under the handle, held while the Ref lives; empty for any other handle.
  static Ref find(int64_t handle) { return Sensor::table().find(handle); }

  // Forgets the sensor, waits for the calls that hold it, and frees it (its reader stopped, its
  // port or session closed). Nothing for a handle that is not open.
  static void close(int64_t handle) { delete Sensor::table().remove(handle); }

  template <class CanPart, class... Args>
  static int64_t openCan(const char* tag, int bus, int canId, Args&&... args) {
    if (!SensorCanSession::idInRange(canId, tag)) return 0;
    if (!port::can::busInRange(bus, tag)) return 0;
    return open<CanPart>(tag, "CAN", canDeviceId(bus, canId), bus, static_cast<uint8_t>(canId),
                         std::forward<Args>(args)...);
  }

  template <class UsbPart, class... Args>
  static int64_t openUsb(const char* tag, const char* path, Args&&... args) {
    if (path == nullptr) return 0;
    return open<UsbPart>(tag, "USB", path, std::string(path), std::forward<Args>(args)...);
  }

  // The CAN ID given at opening; -1 over USB.
  int canId() const { return part_->canId(); }
  // SensorTransport::kCan or kUsb.
  int transport() const { return part_->transport(); }

  // Health: over CAN each first receives the newest frame the part listens for; never waits.
  bool isConnected() {
    part_->listen();
    return part_->health().connected();
  }
  int64_t dataAgeMs() {
    part_->listen();
    return part_->health().dataAgeMs();
  }
  DeviceFaults faults() {
    part_->listen();
    return part_->health().record();
  }

 protected:
  explicit DualTransportSensor(std::unique_ptr<Part> part) : part_(std::move(part)) {}
  ~DualTransportSensor() = default;
  DualTransportSensor(const DualTransportSensor&) = delete;
  DualTransportSensor& operator=(const DualTransportSensor&) = delete;

  Part& part() const { return *part_; }
  // Held by every command for its whole exchange: one command at a time per sensor.
  std::unique_lock<std::mutex> commandTurn() { return std::unique_lock(commands_); }

 private:
  template <class Made, class... Args>
  static int64_t open(const char* tag, const char* transport, std::string_view id, Args&&... args) {
    return guarded(
        [&]() -> int64_t {
          std::unique_ptr<Part> part = std::make_unique<Made>(std::forward<Args>(args)...);
          if (!part->isOpen()) return 0;
          part->showAs(tag, id);
          Sensor* sensor = new Sensor(std::move(part));
          return Sensor::table().adopt(
              sensor, [](Sensor* unfiled) { delete unfiled; }, Sensor::handleOf(sensor));
        },
        [&](const std::exception& e) -> int64_t {
          printLine(std::cout, std::string("[") + tag + "] Failed to create the " + transport +
                                   " sensor: " + e.what());
          return 0;
        });
  }

  std::unique_ptr<Part> part_;
  std::mutex commands_;
};

}  // namespace korvane
