#pragma once

// A mini LiDAR driver opened on a pseudo-terminal: a folder of device links (ttyUSB0 pointing at
// the terminal) stands in for /dev, and the test plays the device on the terminal's other side.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <thread>

#include "LidarMiniJNI.h"
#include "PseudoTerminal.h"

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

struct LidarDeleter {
  void operator()(LidarMiniJNI* lidar) const { LidarMiniJNI::c_LidarMini_destroy(lidar); }
};
using Lidar = std::unique_ptr<LidarMiniJNI, LidarDeleter>;

class LidarMiniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(device_.ok());
    ASSERT_FALSE(folder_.path().empty());
    folder_.link("ttyUSB0", device_.path());
  }

  // Opens the driver on the terminal and takes the stop command it sends on opening.
  Lidar open() {
    Lidar lidar(LidarMiniJNI::createIn(folder_.path(), 0));
    if (lidar) {
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
