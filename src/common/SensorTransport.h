#pragma once

// One transport of a sensor that is reached over CAN or over USB serial. The sensor object holds
// exactly one part, chosen at creation and kept for life, behind its device's interface, which
// derives from this one: the device's CAN part and its USB part implement the same operations,
// each over its own link (a SensorCanSession or a SensorUsbPort).
//
// A part opens its link in its constructor and closes it in its destructor; a USB part stops its
// reader thread before anything the thread uses goes.
//
// Every part keeps its device's health (common/DeviceHealth.h): over CAN in the HAL's receive
// clock, fed by the frames the part receives; over USB in the library's clock, kept by the
// reader thread (bytes heard, a hang-up, silence).
//
// Threading: transport() and canId() never change and may be read from any thread; so may
// health() and listen().

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "common/DeviceHealth.h"
#include "common/MillisecondClock.h"

namespace korvane {

class SensorTransport {
 public:
  // The transport codes callers see.
  static constexpr int kCan = 0;
  static constexpr int kUsb = 1;

  virtual ~SensorTransport() = default;
  SensorTransport(const SensorTransport&) = delete;
  SensorTransport& operator=(const SensorTransport&) = delete;

  int transport() const { return transport_; }
  // The CAN ID given at creation; -1 over USB.
  int canId() const { return canId_; }

  DeviceHealth& health() { return health_; }
  // Looks for news of the device before its health is told: over CAN a receive of its newest
  // frame (which the part's readings still get); over USB nothing, the reader is always looking.
  virtual void listen() {}

  // Whether the part's link opened; a part that did not is discarded at creation.
  virtual bool isOpen() const = 0;
  // Shows the open sensor in a desktop simulation as "<className>[<id>]" with its values.
  virtual void showAs(std::string_view className, std::string_view id) = 0;

 protected:
  // name is the device as "<Class>[<CAN ID or path>]"; silenceMs its timeout.
  SensorTransport(int transport, int canId, std::string name, uint32_t silenceMs)
      : transport_(transport),
        canId_(canId),
        health_(std::move(name), transport == kCan ? "CAN" : "USB", silenceMs,
                transport == kCan ? canMilliseconds : libraryMilliseconds) {
    // Over USB data comes once the opening dialogue is over and the reader runs.
    if (transport == kUsb) health_.expectData(false);
  }

 private:
  const int transport_;
  const int canId_;
  DeviceHealth health_;
};

}  // namespace korvane
