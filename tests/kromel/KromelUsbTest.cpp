// The colour sensor over USB, on real pseudo-terminals: the opening dialogue, the commands, the
// reader thread against the simulated sensor, and a device that hangs up.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "KromelJNI.h"
#include "PseudoTerminal.h"
#include "ReportLog.h"
#include "SimBus.h"
#include "Wait.h"
#include "korvane/Kromel.h"
#include "korvane/sim/Can.h"
#include "sim/kromel/KromelUsbSim.h"

using namespace korvane;
using namespace std::chrono_literals;

namespace {

// The statics' sensor object, for their own cases.
struct StaticSensorDeleter {
  void operator()(KromelJNI* sensor) const { KromelJNI::c_Kromel_destroy(sensor); }
};
using StaticSensor = std::unique_ptr<KromelJNI, StaticSensorDeleter>;

class KromelUsbTest : public test::SimBusTest {
 protected:
  void SetUp() override {
    SimBusTest::SetUp();
    ASSERT_TRUE(device_.ok());
  }
  std::unique_ptr<Kromel> open(int sampleTimeMs) {
    return std::make_unique<Kromel>(device_.path(), sampleTimeMs);
  }
  // Waits until the sensor reports the reading with this sequence number.
  bool waitForSequence(Kromel& sensor, uint16_t sequence) {
    return test::waitUntil([&] {
      Kromel::ColorData r = sensor.GetColor();
      return r.valid && r.sequence == sequence;
    });
  }

  test::PseudoTerminal device_;
};

TEST_F(KromelUsbTest, OpeningSetsTheXyzFormatAndASampleTimeOnlyWhenOneAboveZeroIsGiven) {
  for (int sampleTime : {0, -5}) {
    auto sensor = open(sampleTime);
    ASSERT_TRUE(sensor->IsOpen());
    EXPECT_EQ(device_.readUntilQuiet(), "COLORFORMAT,XYZ\r\n") << "sample time " << sampleTime;
  }
  auto sensor = open(100);
  ASSERT_TRUE(sensor->IsOpen());
  EXPECT_EQ(device_.readUntilQuiet(), "COLORFORMAT,XYZ\r\nSAMPLETIME,100\r\n");
  EXPECT_EQ(sensor->GetTransport(), Transport::kUsb);
  EXPECT_EQ(sensor->GetCanId(), -1);
  EXPECT_FALSE(sensor->GetColor().valid) << "no reading before the first line";
}

TEST_F(KromelUsbTest, UsbCommandsAreTextLinesWithTheSampleTimeClamped) {
  auto sensor = open(0);
  device_.readUntilQuiet();
  EXPECT_TRUE(sensor->SetSampleTimeMs(70000));
  EXPECT_EQ(device_.readAtLeast(18), "SAMPLETIME,65535\r\n");
  EXPECT_TRUE(sensor->SetSampleTimeMs(-3));
  EXPECT_EQ(device_.readAtLeast(14), "SAMPLETIME,0\r\n");
  EXPECT_TRUE(sensor->SetColorFormat(Kromel::ColorFormat::kSRGB));
  EXPECT_EQ(device_.readAtLeast(18), "COLORFORMAT,SRGB\r\n");
  EXPECT_FALSE(sensor->SetColorFormat(static_cast<Kromel::ColorFormat>(7)));
  EXPECT_FALSE(sensor->SetColorFormat(static_cast<Kromel::ColorFormat>(-1)));
  EXPECT_EQ(device_.readUntilQuiet(), "");
}

TEST_F(KromelUsbTest, CanOnlyCommandsAreRefusedWithoutTrafficOnEitherTransport) {
  auto sensor = open(0);
  device_.readUntilQuiet();
  sim::clearSentFrames();
  EXPECT_FALSE(sensor->SetBrightness(50));
  EXPECT_FALSE(sensor->SetStatusLed(true, 50));
  EXPECT_FALSE(sensor->SetMeasureMode(Kromel::MeasureMode::kMode1, 0.0f));
  EXPECT_FALSE(sensor->SetZmm(1.0f));
  EXPECT_FALSE(sensor->SetUsbOverride(true));
  EXPECT_FALSE(sensor->SetCanId(3));
  EXPECT_FALSE(sensor->GetConfig(1).has_value());
  EXPECT_EQ(device_.readUntilQuiet(), "");
  EXPECT_TRUE(sim::sentFrames().empty());
  sensor.reset();

  // The static's own out-parameter: left as it was.
  StaticSensor viaStatics(KromelJNI::c_Kromel_createUsb(device_.path().c_str(), 0));
  ASSERT_NE(viaStatics, nullptr);
  device_.readUntilQuiet();
  unsigned int value = 123;
  EXPECT_FALSE(viaStatics->c_Kromel_getConfig(1, &value));
  EXPECT_EQ(value, 123u);
  EXPECT_EQ(device_.readUntilQuiet(), "");
  EXPECT_TRUE(sim::sentFrames().empty());
}

TEST_F(KromelUsbTest, TheReaderAssemblesLinesFromWhateverPiecesArrive) {
  auto sensor = open(0);
  ASSERT_TRUE(device_.write("  XYZ: 0.5, 0.25, 1  \r\n"));
  ASSERT_TRUE(waitForSequence(*sensor, 1));
  Kromel::ColorData r = sensor->GetColor();
  EXPECT_FLOAT_EQ(r.x, 0.5f);
  EXPECT_FLOAT_EQ(r.y, 0.25f);
  EXPECT_FLOAT_EQ(r.z, 1.0f);
  ASSERT_TRUE(device_.write("RGB: 1,2,3\r\nXYZ: 0.1,"));
  std::this_thread::sleep_for(30ms);
  ASSERT_TRUE(device_.write(" 0.2, 0.3\r\nxyz: 9,9,9\r\nDIST: 1mm  XYZ: 4,5,6\r\n"));
  ASSERT_TRUE(waitForSequence(*sensor, 3));
  EXPECT_FLOAT_EQ(sensor->GetColor().z, 6.0f);
}

TEST_F(KromelUsbTest, MissingOrUnopenablePathsLeaveItClosed) {
  std::string missing = "/tmp/korvane-no-such-device-" + std::to_string(::getpid());
  testing::internal::CaptureStderr();
  Kromel sensor(missing, 0);
  std::string error = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_FALSE(sensor.IsOpen());
  EXPECT_FALSE(sensor.GetTransport().has_value());
  EXPECT_EQ(error.rfind("[Kromel] Cannot open " + missing + ": ", 0), 0u) << error;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Kromel("", 0).IsOpen());
  testing::internal::GetCapturedStderr();
  // The statics' own: a null path gives no object, and destroying null does nothing.
  EXPECT_EQ(KromelJNI::c_Kromel_createUsb(nullptr, 0), nullptr);
  KromelJNI::c_Kromel_destroy(nullptr);
}

// The descriptors this process holds open, as the kernel lists them.
std::vector<std::string> openDescriptorTargets() {
  std::vector<std::string> targets;
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return targets;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.' || atoi(entry->d_name) == dirfd(dir)) continue;
    char target[256] = {};
    std::string link = std::string("/proc/self/fd/") + entry->d_name;
    ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    if (length > 0) targets.emplace_back(target, static_cast<size_t>(length));
  }
  closedir(dir);
  return targets;
}

// With one descriptor left, the port takes it and the reader's stop signal finds none: the
// sensor is not opened, says why, and gives its port back.
TEST_F(KromelUsbTest, AReaderThatCannotStartLeavesItClosedAndClosesThePort) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the undefined-behaviour checker's type check opens a pipe of its own, so in a "
                  "process without a free descriptor it reports every virtual object as invalid";
#endif
  const std::vector<std::string> before = openDescriptorTargets();
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
  testing::internal::CaptureStderr();  // its file is opened before the descriptors run out
  rlimit lowered = limit;
  lowered.rlim_cur = std::min<rlim_t>(limit.rlim_cur, before.size() + 64);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
  std::vector<int> fillers;
  for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) != -1;) fillers.push_back(fd);
  ASSERT_FALSE(fillers.empty());
  close(fillers.back());
  fillers.pop_back();

  auto sensor = open(0);

  for (int fd : fillers) close(fd);
  setrlimit(RLIMIT_NOFILE, &limit);
  std::string errors = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_FALSE(sensor->IsOpen());
  sensor.reset();
  EXPECT_EQ(errors.rfind("[Kromel] Cannot start the reader thread: ", 0), 0u) << errors;
  EXPECT_EQ(openDescriptorTargets(), before) << "the port was closed again";
}

TEST(KromelUsbEmulatorTest, ReadingsArriveWithRisingSequenceAndStopOnceTheFormatIsNotXyz) {
  auto emulator = sim::KromelUsbSim::start(5);
  ASSERT_NE(emulator, nullptr);
  emulator->setColor(0.125f, 0.5f, 0.75f);
  Kromel sensor(emulator->path(), 10);
  ASSERT_TRUE(sensor.IsOpen());
  EXPECT_EQ(sensor.GetTransport(), Transport::kUsb);
  ASSERT_TRUE(emulator->waitForCommands(2, 5s));
  EXPECT_EQ(emulator->commands()[0], "COLORFORMAT,XYZ");
  EXPECT_EQ(emulator->commands()[1], "SAMPLETIME,10");
  EXPECT_EQ(emulator->sampleTimeMs(), 10);
  ASSERT_TRUE(test::waitUntil([&] { return sensor.GetColor().sequence >= 5; }));
  Kromel::ColorData r = sensor.GetColor();
  EXPECT_FLOAT_EQ(r.x, 0.125f);
  EXPECT_FLOAT_EQ(r.y, 0.5f);
  EXPECT_FLOAT_EQ(r.z, 0.75f);
  ASSERT_TRUE(test::waitUntil([&] { return sensor.GetColor().sequence > r.sequence; }));

  EXPECT_TRUE(sensor.SetColorFormat(Kromel::ColorFormat::kRGB));
  ASSERT_TRUE(test::waitUntil([&] { return emulator->colorFormat() == "RGB"; }));
  // A marker line sent after the format changed: once it is read, every XYZ line before it was.
  auto readThrough = [&](float marker) {
    EXPECT_TRUE(emulator->send("XYZ: " + std::to_string(marker) + ", 0, 0\r\n"));
    return test::waitUntil([&] { return sensor.GetColor().x == marker; });
  };
  ASSERT_TRUE(readThrough(9.0f));
  uint16_t frozen = sensor.GetColor().sequence;
  uint64_t streamed = emulator->linesSent();
  ASSERT_TRUE(test::waitUntil([&] { return emulator->linesSent() >= streamed + 5; }));
  ASSERT_TRUE(readThrough(8.0f));
  EXPECT_EQ(sensor.GetColor().sequence, static_cast<uint16_t>(frozen + 1))
      << "the RGB lines in between gave no readings";
}

}  // namespace
