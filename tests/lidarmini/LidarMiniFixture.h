#pragma once

// A mini LiDAR opened on a pseudo-terminal: a folder of device links (ttyUSB0 pointing at the
// terminal) stands in for /dev, and the test plays the device on the terminal's other side.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <thread>

#include "PseudoTerminal.h"
#include "korvane/LidarMini.h"
#include "korvane/sim/SerialDevices.h"

namespace korvane::test::lidarmini {

// A temporary folder of device links, removed with its links at the end.
class DeviceFolder {
 public:
  DeviceFolder() {
    char name[] = "/tmp/korvane-lidarmini-XXXXXX";
    if (mkdtemp(name) != nullptr) path_ = name;
  }
  ~DeviceFolder() {
    for (const std::string& link : links_) unlink(link.c_str());
    if (!path_.empty()) rmdir(path_.c_str());
  }
  DeviceFolder(const DeviceFolder&) = delete;
  DeviceFolder& operator=(const DeviceFolder&) = delete;

  const std::string& path() const { return path_; }
  // A link named name in the folder pointing at target (which need not exist).
  std::string link(const std::string& name, const std::string& target) {
    std::string at = path_ + "/" + name;
    if (symlink(target.c_str(), at.c_str()) == 0) links_.push_back(at);
    return at;
  }

 private:
  std::string path_;
  std::vector<std::string> links_;
};

using Lidar = korvane::LidarMini;

// A mini LiDAR opened by port number among the folder's devices, the folder standing in for /dev
// while it opens.
inline Lidar openIn(const std::string& folder, int port) {
  const std::string before = korvane::sim::serialDeviceDirectory();
  korvane::sim::setSerialDeviceDirectory(folder);
  Lidar lidar(static_cast<korvane::SerialPort>(port));
  korvane::sim::setSerialDeviceDirectory(before);
  return lidar;
}

class LidarMiniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(device_.ok());
    ASSERT_FALSE(folder_.path().empty());
    folder_.link("ttyUSB0", device_.path());
  }

  // Opens the driver on the terminal and takes the stop command it sends on opening.
  Lidar open() {
    Lidar lidar = openIn(folder_.path(), 0);
    if (lidar.IsOpen()) {
      EXPECT_EQ(device_.readAtLeast(2), "\xA5\x65");
    }
    return lidar;
  }

  // Runs the call while the device answers the two-byte command it sends with reply.
  template <class Call>
  auto answering(const std::string& reply, Call call) {
    std::string command;
    std::thread device([&] {
      command = device_.readAtLeast(2);
      device_.write(reply);
    });
    auto result = call();
    device.join();
    lastCommand_ = command;
    return result;
  }

  korvane::test::PseudoTerminal device_;
  DeviceFolder folder_;
  std::string lastCommand_;
};

}  // namespace korvane::test::lidarmini
