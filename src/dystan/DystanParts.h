#pragma once

// The distance sensor's two transports behind one interface. The sensor object (DystanSensor.h)
// holds one part and checks the arguments; the parts speak the protocol.
//
// CAN: scans are reassembled from the three-value chunk frames the stream session collects,
// either during a call or into a table kept between calls; the configuration is a request
// answered by one reply frame.
// USB: a reader thread cuts binary scan frames out of the byte stream and publishes the newest
// scan, which readers copy without a lock (korvane::LatestValue); the configuration query is the
// text command "GETCONFIG", for which the reader pauses.

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/LatestValue.h"
#include "common/SensorCanSession.h"
#include "common/SensorTransport.h"
#include "common/SensorUsbPort.h"
#include "common/SimulatedDevice.h"
#include "dystan/DystanFraming.h"
#include "dystan/DystanScanTable.h"
#include "korvane/Dystan.h"

namespace korvane::dystan {

using ScanData = korvane::Dystan::ScanData;
using Config = korvane::Dystan::Config;
constexpr int kMaxDistances = korvane::Dystan::kMaxDistances;

// How long the sensor may be silent and still count as heard from: three of its scan periods at
// the output rate given at opening, at least kShortestSilenceMs; kUnknownRateSilenceMs when its
// rate is its own (over CAN, or no rate given).
constexpr uint32_t kShortestSilenceMs = 100;
constexpr uint32_t kUnknownRateSilenceMs = 500;
uint32_t silenceMsFor(int scansPerSecond);

class Transport : public SensorTransport {
 public:
  // count is 1..64. Over CAN, scan works on the frames read during the call and latestScan on
  // those received so far; over USB both are the newest scan.
  virtual ScanData scan(int count) = 0;
  virtual ScanData latestScan(int count) = 0;
  // timeoutMs is 0 or more.
  virtual Config config(int timeoutMs) = 0;

  // Shown as "Dystan[<CAN ID>]" or "Dystan[<path>]" with the nearest distance of the newest scan
  // and that scan's sequence number.
  void showAs(std::string_view className, std::string_view id) override;

 protected:
  using SensorTransport::SensorTransport;
  bool shownInSimulation() const { return static_cast<bool>(shown_.sequence); }
  void show(uint8_t sequence, const int16_t* distances, int count);

 private:
  struct Shown {
    SimIntOutput nearest;  // mm, the smallest above 0; -1 when there is none
    SimIntOutput sequence;
    SimulatedDevice device;  // after the values: closed before they go
  } shown_;
};

class CanPart final : public Transport {
 public:
  CanPart(int bus, uint8_t canId);

  bool isOpen() const override { return session_.isOpen(); }
  void listen() override;
  ScanData scan(int count) override;
  ScanData latestScan(int count) override;
  Config config(int timeoutMs) override;

 private:
  // Under canMutex_: reads every frame the session holds into scans_, and into callTable if
  // given.
  void readChunks(korvane::dystan::scans::ScanTable* callTable);

  SensorCanSession session_;
  std::mutex canMutex_;                      // the session's reads and scans_
  korvane::dystan::scans::ScanTable scans_;  // scans kept between calls
};

class UsbPart final : public Transport {
 public:
  // Opens the port and holds the opening dialogue (binary scans, the output rate odr when above
  // 0), then starts the reader. A sensor that does not take a command is not opened.
  UsbPart(const std::string& path, int odr);
  ~UsbPart() override { port_.close(); }  // the reader goes before what it uses

  bool isOpen() const override { return port_.isOpen(); }
  ScanData scan(int count) override;
  ScanData latestScan(int count) override { return scan(count); }
  Config config(int timeoutMs) override;

 private:
  bool sendOpeningCommand(const std::string& path, const std::string& command);
  void drainLines(int lineTimeoutMs);
  bool readLine(std::string* line, int timeoutMs);
  bool readTextReply(int timeoutMs);
  bool startReader();
  void consume(const unsigned char* bytes, int count);

  std::vector<uint8_t> rxBuffer_;  // the reader thread's, or the configuration query's
  std::mutex configMutex_;         // one configuration query at a time
  // Published by the reader thread, with the stamp of the read that completed the scan.
  LatestValue<Arrived<korvane::dystan::framing::Scan>> latest_;
  SensorUsbPort port_;
};

}  // namespace korvane::dystan
