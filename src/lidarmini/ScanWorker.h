#pragma once

// The scanning worker of one mini LiDAR: the port's reader thread cuts the bytes into scan packets
// and gathers each revolution's points. A revolution is published when the start packet of the
// next one arrives; readers copy the newest one without a lock (korvane::LatestValue), never
// waiting for the reader thread.
//
// Threading: lastScan() and copyLastScan() may be called from any thread; stop() from one thread
// at a time. The thread reads the owner's scanning flag, which must outlive stop(); bytes that
// arrive once it is false are dropped.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "LidarMiniJNI.h"
#include "common/DeviceHealth.h"
#include "common/LatestValue.h"
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
  // The last revolution's points into the three arrays, at most room of them, its start time and
  // its age (milliseconds since its last packet's bytes arrived, as the device's health counts
  // data age); the number of points it has (more than room when they did not all fit). 0, with
  // the time 0 and the age -1, while there is none.
  size_t copyLastScan(float* angles, float* distances, float* intensities, size_t room,
                      int64_t* timestampNs, int64_t* ageMs) const;

 private:
  void consume(const unsigned char* bytes, int count);
  // The point count of the revolution this packet published, or -1 when it published none.
  int gather(const korvane::lidarmini::ScanPacket& packet);

  // When a revolution began, and the health's stamp of the bytes of its last packet.
  struct RevolutionTime {
    int64_t startNs = 0;
    uint32_t lastArrivedMs = 0;
  };

  const std::atomic<bool>& scanning_;
  const korvane::SimIntOutput& pointsShown_;
  korvane::DeviceHealth& health_;
  std::vector<uint8_t> buffer_;  // the reader thread's bytes not yet cut into packets
  korvane::lidarmini::ScanPacket packet_;

  // The reader thread's: the revolution being gathered.
  RevolutionTime currentTime_;
  std::vector<DataPoint> current_;
  bool firstScan_ = true;  // no start packet seen since starting (or since a runaway revolution)
  // The last whole revolution: its times and its points.
  korvane::LatestValue<RevolutionTime, DataPoint, kMaxRevolutionPoints> last_;

  korvane::SerialReader reader_;  // last: started once everything above exists
};
