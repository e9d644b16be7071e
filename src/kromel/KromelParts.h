#pragma once

// The colour sensor's two transports behind one interface. The sensor object (KromelSensor.h)
// holds one part and checks and clamps the arguments; the parts speak the protocol.
//
// CAN: colour readings are the latest colour frame; commands are frames answered by an
// acknowledgement that the part waits for in its stream session.
// USB: a reader thread turns the sensor's "XYZ:" text lines into readings, which it publishes for
// getColor to copy without a lock (korvane::LatestValue); the colour format and the sample time
// are text commands, and the other commands do not exist.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/LatestValue.h"
#include "common/SensorCanSession.h"
#include "common/SensorTransport.h"
#include "common/SensorUsbPort.h"
#include "common/SimulatedDevice.h"
#include "korvane/Kromel.h"
#include "kromel/KromelLines.h"

namespace korvane::kromel {

using ColorData = korvane::Kromel::ColorData;

// How long the sensor may be silent and still count as heard from: three of its sample times, at
// least kShortestSilenceMs; kUnknownSilenceMs while its sample time is its own (none given).
constexpr uint32_t kShortestSilenceMs = 100;
constexpr uint32_t kUnknownSilenceMs = 300;
uint32_t silenceMsFor(int sampleTimeMs);

class Transport : public SensorTransport {
 public:
  // The newest reading, with its age.
  virtual ColorData color() = 0;
  // format is 0..4, ms 0..65535.
  virtual bool setColorFormat(int format) = 0;
  virtual bool setSampleTime(int ms) = 0;
  // Sends a configuration command and waits for the sensor to accept it, storing the answer in
  // out when given. Over USB there are none: false without traffic.
  virtual bool command(unsigned number, const unsigned char* payload, unsigned char length,
                       unsigned int* out) = 0;

  // Shown as "Kromel[<CAN ID>]" or "Kromel[<path>]" with the newest reading.
  void showAs(std::string_view className, std::string_view id) override;

 protected:
  using SensorTransport::SensorTransport;
  void show(const ColorData& reading);

 private:
  struct Shown {
    SimDoubleOutput x, y, z;
    SimIntOutput sequence;
    SimulatedDevice device;  // after the values: closed before they go
  } shown_;
};

class CanPart final : public Transport {
 public:
  CanPart(int bus, uint8_t canId);

  bool isOpen() const override { return session_.isOpen(); }
  // A colour frame received here is kept for the next color(), which would otherwise miss it.
  void listen() override;
  ColorData color() override;
  bool setColorFormat(int format) override;
  bool setSampleTime(int ms) override;
  bool command(unsigned number, const unsigned char* payload, unsigned char length,
               unsigned int* out) override;

 private:
  // The acknowledgement of this command among the frames the session collects, read into
  // messages, up to timeoutMs.
  bool waitConfigAck(std::vector<SensorCanSession::Frame>& messages, unsigned command,
                     unsigned int* value, unsigned char* status, int timeoutMs);
  // The newest colour frame the bus has not handed out yet, decoded when it is long enough, with
  // the HAL's stamp of its arrival.
  std::optional<Arrived<ColorData>> receiveColor();

  SensorCanSession session_;
  std::mutex unreadMutex_;
  std::optional<Arrived<ColorData>> unread_;  // received by listen(), not yet by color()
};

class UsbPart final : public Transport {
 public:
  // Opens the port, sets the XYZ format (and the sample time when above 0), drops what the sensor
  // answered and starts the reader.
  UsbPart(const std::string& path, int sampleTimeMs);
  ~UsbPart() override { port_.close(); }  // the reader goes before what it uses

  bool isOpen() const override { return port_.isOpen(); }
  ColorData color() override;
  bool setColorFormat(int format) override;
  bool setSampleTime(int ms) override;
  bool command(unsigned, const unsigned char*, unsigned char, unsigned int*) override {
    return false;
  }

 private:
  LineReader lines_;                        // the reader thread's
  LatestValue<Arrived<ColorData>> latest_;  // published by the reader thread
  SensorUsbPort port_;
};

}  // namespace korvane::kromel
