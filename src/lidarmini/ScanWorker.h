#pragma once

// The scanning worker of one mini LiDAR: the port's reader thread cuts the bytes into scan packets
// and gathers each revolution's points. A revolution is published when the start packet of the
// next one arrives.
//
// Threading: lastScan() may be called from any thread; stop() from one thread at a time. The
// thread reads the owner's scanning flag, which must outlive stop(); bytes that arrive once it is
// false are dropped.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "LidarMiniJNI.h"
#include "common/SimulatedDevice.h"
#include "lidarmini/ScanPacket.h"
#include "serial/SerialReader.h"

class LidarMiniJNI::Impl {
 public:
  // Starts the thread. Throws std::system_error when no thread or stop signal can be made, and
  // std::bad_alloc. Each published revolution's point count goes to pointsShown; the thread keeps
  // the device's health (which must outlive it).
  Impl(int fd, const std::atomic<bool>& scanning, const korvane::SimIntOutput& pointsShown,
       korvane::DeviceHealth& health);
  ~Impl();
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  // Asks the thread to stop and joins it; it notices at once, even while waiting for bytes.
  void stop();
  ScanData lastScan() const;

 private:
  void consume(const unsigned char* bytes, int count);
  // The point count of the revolution this packet published, or -1 when it published none.
  int gather(const korvane::lidarmini::ScanPacket& packet);

  const std::atomic<bool>& scanning_;
  const korvane::SimIntOutput& pointsShown_;
  std::vector<uint8_t> buffer_;  // the reader thread's bytes not yet cut into packets
  korvane::lidarmini::ScanPacket packet_;

  mutable std::mutex dataMutex_;  // guards everything below
  int64_t currentStartNs_ = 0;
  std::vector<DataPoint> current_;
  int64_t lastStartNs_ = 0;
  std::vector<DataPoint> last_;
  bool firstScan_ = true;  // no start packet seen since starting (or since a runaway revolution)

  korvane::SerialReader reader_;  // last: started once everything above exists
};
