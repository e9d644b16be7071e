// The mini LiDAR's query exchange: getInfo and getHealth on a real pseudo-terminal, answered by a
// device thread with the input's bytes, so the driver's own response-header check and payload
// reads run on whatever the device sends. The reply is padded with zeros to the longest answer,
// so no query waits out its timeout; what a query leaves unread its next flush drops.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "PseudoTerminal.h"
#include "korvane/LidarMini.h"
#include "korvane/sim/SerialDevices.h"

namespace {

constexpr size_t kLongestAnswer = 7 + 20;  // response header and info payload

class Bench {
 public:
  Bench() {
    char name[] = "/tmp/korvane-fuzz-lidarmini-XXXXXX";
    if (!device_.ok() || mkdtemp(name) == nullptr) return;
    folder_ = name;
    link_ = folder_ + "/ttyUSB0";
    if (symlink(device_.path().c_str(), link_.c_str()) != 0) return;
    const std::string systemDevices = korvane::sim::serialDeviceDirectory();
    korvane::sim::setSerialDeviceDirectory(folder_);
    lidar_.emplace(korvane::SerialPort::kOnboard);
    korvane::sim::setSerialDeviceDirectory(systemDevices);
    unlink(link_.c_str());  // the driver holds the terminal open now
    rmdir(folder_.c_str());
    if (!lidar_->IsOpen()) return;
    device_.readAtLeast(2);  // the stop command sent on opening
    responder_ = std::thread([this] {
      while (true) {
        std::string command = device_.readAtLeast(2, std::chrono::hours(24));
        if (command.size() < 2) return;  // terminal closed
        std::lock_guard lock(replyMutex_);
        device_.write(reply_);
      }
    });
  }
  // Open once the constructor has run in full.
  korvane::LidarMini* lidar() { return lidar_ && lidar_->IsOpen() ? &*lidar_ : nullptr; }
  void setReply(const uint8_t* data, size_t size) {
    std::lock_guard lock(replyMutex_);
    reply_.assign(reinterpret_cast<const char*>(data), size);
    reply_.resize(std::max(size, kLongestAnswer), '\0');
  }

 private:
  korvane::test::PseudoTerminal device_;
  std::string folder_;
  std::string link_;
  std::optional<korvane::LidarMini> lidar_;
  std::mutex replyMutex_;
  std::string reply_;
  std::thread responder_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Never destroyed: its device thread answers until the process ends.
  static Bench* bench = new Bench();
  if (bench->lidar() == nullptr || size < 1) return 0;
  bench->setReply(data + 1, std::min<size_t>(size - 1, 64));
  if (data[0] & 1) {
    bench->lidar()->GetHealth();
  } else {
    bench->lidar()->GetInfo();
  }
  return 0;
}
