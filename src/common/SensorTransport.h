#pragma once

// One transport of a sensor that is reached over CAN or over USB serial. The sensor object holds
// exactly one part, chosen at creation and kept for life, behind its device's interface, which
// derives from this one: the device's CAN part and its USB part implement the same operations,
// each over its own link (a SensorCanSession or a SensorUsbPort).
//
// A part opens its link in its constructor and closes it in its destructor; a USB part stops its
// reader thread before anything the thread uses goes.
//
// Threading: transport() and canId() never change and may be read from any thread.

#include <string_view>

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

  // Whether the part's link opened; a part that did not is discarded at creation.
  virtual bool isOpen() const = 0;
  // Shows the open sensor in a desktop simulation as "<className>[<id>]" with its values.
  virtual void showAs(std::string_view className, std::string_view id) = 0;

 protected:
  SensorTransport(int transport, int canId) : transport_(transport), canId_(canId) {}

 private:
  const int transport_;
  const int canId_;
};

}  // namespace korvane
