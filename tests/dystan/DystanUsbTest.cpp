// The distance sensor over USB, on real pseudo-terminals: the opening dialogue, the reader thread
// and its frames, the configuration query pausing the reader, a sensor that never pauses during
// creation, and one that hangs up.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "BackgroundCall.h"
#include "DystanJNI.h"
#include "PseudoTerminal.h"
#include "ReportLog.h"
#include "StalledDevice.h"
#include "ThreadCpu.h"
#include "Wait.h"
#include "korvane/Dystan.h"
#include "sim/dystan/DystanUsbSim.h"

using namespace korvane;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

using Sensor = std::unique_ptr<Dystan>;

Sensor openUsb(const std::string& path, int odr) {
  return std::make_unique<Dystan>(path, odr);
}

std::string bytes(std::initializer_list<int> values) {
  std::string text;
  for (int v : values) text.push_back(static_cast<char>(v));
  return text;
}

// The example frame: sequence 7, distances 100, 200, 300.
const std::string kExample =
    bytes({0xA5, 0x5A, 0x0A, 0x00, 0x01, 0x07, 0x03, 0x01, 0x64, 0x00, 0xC8, 0x00, 0x2C, 0x01});

// Opens a sensor on the terminal while the test plays the device, and returns what the driver
// sent during the dialogue.
std::string openWhileListening(test::PseudoTerminal& device, int odr, Sensor* sensor) {
  korvane::test::BackgroundCall opening([&] { return openUsb(device.path(), odr); });
  std::string sent = device.readAtLeast(11);  // "GETCONFIG\r\n"
  // Whatever the sensor says now is read and discarded: a reply, and a frame-like burst.
  device.write("VERSION 3\r\n" + kExample + "\r\n");
  *sensor = opening.get();
  return sent + device.readUntilQuiet();
}

TEST(DystanUsbTest, TheOpeningDialogueAsksForBinaryScansAndTheRateOnlyWhenAboveZero) {
  for (int odr : {0, -2}) {
    test::PseudoTerminal device;
    ASSERT_TRUE(device.ok());
    Sensor sensor;
    EXPECT_EQ(openWhileListening(device, odr, &sensor),
              "GETCONFIG\r\nVERBOSE,0\r\nDATAFORMAT,BIN\r\n")
        << "odr " << odr;
    ASSERT_TRUE(sensor->IsOpen());
    Dystan::ScanData scan = sensor->GetData(64);
    EXPECT_EQ(scan.sequence, 0);
    EXPECT_EQ(scan.count, 0) << "what came during the dialogue is no scan";
  }
  test::PseudoTerminal device;
  Sensor sensor;
  EXPECT_EQ(openWhileListening(device, 15, &sensor),
            "GETCONFIG\r\nVERBOSE,0\r\nDATAFORMAT,BIN\r\nODR,15\r\n");
  ASSERT_TRUE(sensor->IsOpen());
  EXPECT_EQ(sensor->GetTransport(), Transport::kUsb);
  EXPECT_EQ(sensor->GetCanId(), -1);
}

TEST(DystanUsbTest, MissingOrUnopenablePathsLeaveItClosed) {
  std::string missing = "/tmp/korvane-no-such-device-" + std::to_string(::getpid());
  testing::internal::CaptureStderr();
  Dystan sensor(missing, 0);
  std::string error = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_FALSE(sensor.IsOpen());
  EXPECT_EQ(sensor.GetData(64).count, 0);
  EXPECT_FALSE(sensor.GetConfig(0).valid);
  EXPECT_EQ(error.rfind("[Dystan] Cannot open " + missing + ": ", 0), 0u) << error;
  // The statics' own: a null path gives no object, and destroying null does nothing.
  EXPECT_EQ(DystanJNI::c_Dystan_createUsb(nullptr, 0), nullptr);
  DystanJNI::c_Dystan_destroy(nullptr);
}

TEST(DystanUsbTest, TheReaderTakesFramesWhereverTheReadsFall) {
  test::PseudoTerminal device;
  Sensor sensor;
  openWhileListening(device, 0, &sensor);
  ASSERT_TRUE(sensor->IsOpen());

  ASSERT_TRUE(device.write(bytes({0x00, 0xA5, 0x11}) + kExample.substr(0, 9)));
  std::this_thread::sleep_for(30ms);  // lets the reader see the first piece on its own
  EXPECT_EQ(sensor->GetData(64).count, 0) << "half a frame";
  ASSERT_TRUE(device.write(kExample.substr(9)));
  ASSERT_TRUE(test::waitUntil([&] { return sensor->GetData(64).count == 3; }));
  Dystan::ScanData scan = sensor->GetData(64);
  EXPECT_EQ(scan.sequence, 7);
  EXPECT_EQ(scan.distance[0], 100);
  EXPECT_EQ(scan.distance[1], 200);
  EXPECT_EQ(scan.distance[2], 300);
  EXPECT_EQ(sensor->GetData(2).count, 2);

  // Skipped frames leave the latest scan alone; a header with L = 2 costs one byte.
  std::string other = kExample;
  other[4] = 2;
  std::string unflagged = kExample;
  unflagged[7] = 0;
  ASSERT_TRUE(device.write(other + unflagged + bytes({0xA5, 0x5A, 0x02, 0x00}) +
                           sim::DystanUsbSim::frame(8, {-4, 5})));
  ASSERT_TRUE(test::waitUntil([&] { return sensor->GetData(64).sequence == 8; }));
  scan = sensor->GetData(64);
  EXPECT_EQ(scan.count, 2);
  EXPECT_EQ(scan.distance[0], -4);
  EXPECT_EQ(sensor->GetData(64).sequence, 8) << "the latest scan stays";
}

TEST(DystanUsbTest, TheSimulatedSensorStreamsScansWithRisingSequences) {
  sim::DystanUsbSim::Options options;
  options.outputRate = 50;
  auto device = sim::DystanUsbSim::start(options);
  ASSERT_NE(device, nullptr);
  std::vector<int16_t> distances = {1, -2, 300, 32767, -32768};
  device->setDistances(distances);
  device->setGarbage(bytes({0xA5, 0x00, 0x5A, 0xA5}));
  Dystan sensor(device->path(), 40);
  ASSERT_TRUE(sensor.IsOpen());
  EXPECT_TRUE(device->binary());
  EXPECT_FALSE(device->verbose());
  EXPECT_EQ(device->outputRate(), 40);
  ASSERT_TRUE(test::waitUntil([&] { return sensor.GetData(64).count == 5; }));
  uint8_t first = sensor.GetData(64).sequence;
  ASSERT_TRUE(test::waitUntil(
      [&] { return static_cast<uint8_t>(sensor.GetData(64).sequence - first) >= 3; }));
  Dystan::ScanData scan = sensor.GetData(64);
  EXPECT_EQ(std::vector<int16_t>(scan.distance.begin(), scan.distance.begin() + scan.count),
            distances);
}

TEST(DystanUsbTest, GetConfigPausesTheReaderAndAnyTextLineIsAReply) {
  sim::DystanUsbSim::Options options;
  options.outputRate = 100;
  auto device = sim::DystanUsbSim::start(options);
  ASSERT_NE(device, nullptr);
  Dystan sensor(device->path(), 0);
  ASSERT_TRUE(sensor.IsOpen());
  ASSERT_TRUE(test::waitUntil([&] { return sensor.GetData(64).count > 0; }));

  auto before = test::threadIds();
  size_t commandsBefore = device->commands().size();
  Dystan::Config config = sensor.GetConfig(0);
  ASSERT_TRUE(config.valid);
  EXPECT_EQ(config.version, 0);
  EXPECT_EQ(config.distanceEnabled, 1);
  EXPECT_EQ(config.canFdEnabled, 0);
  EXPECT_EQ(config.canBrsEnabled, 0);
  EXPECT_EQ(config.canID, 0);
  ASSERT_EQ(device->commands().size(), commandsBefore + 1);
  EXPECT_EQ(device->commands().back(), "GETCONFIG");
  EXPECT_EQ(test::threadsStartedSince(before).size(), 1u) << "the reader was restarted";

  uint8_t after = sensor.GetData(64).sequence;
  ASSERT_TRUE(test::waitUntil([&] { return sensor.GetData(64).sequence != after; }))
      << "scans arrive again";
}

// Queries from two threads at once take turns: each pauses and restarts the one reader.
TEST(DystanUsbTest, ConcurrentQueriesTakeTurnsAndLeaveOneReaderRunning) {
  sim::DystanUsbSim::Options options;
  options.outputRate = 200;
  options.binary = true;
  auto device = sim::DystanUsbSim::start(options);
  ASSERT_NE(device, nullptr);
  auto before = test::threadIds();
  Dystan sensor(device->path(), 0);
  ASSERT_TRUE(sensor.IsOpen());
  auto ask = [&] {
    int valid = 0;
    for (int i = 0; i < 5; ++i) valid += sensor.GetConfig(2000).valid ? 1 : 0;
    return valid;
  };
  korvane::test::BackgroundCall first(ask);
  korvane::test::BackgroundCall second(ask);
  EXPECT_EQ(first.get() + second.get(), 10);
  EXPECT_TRUE(test::waitUntil([&] { return test::threadsStartedSince(before).size() == 1; }))
      << "one reader, running";
  uint8_t sequence = sensor.GetData(64).sequence;
  EXPECT_TRUE(test::waitUntil([&] { return sensor.GetData(64).sequence != sequence; }));
}

// Scan frames still streaming when the reply comes are cut out by their own length, so a reply
// that follows a frame's bytes on the same line, or a stray byte, is still the reply.
TEST(DystanUsbTest, AReplyBehindScanFramesIsStillTheReply) {
  test::PseudoTerminal device;
  ASSERT_TRUE(device.ok());
  Sensor sensor;
  openWhileListening(device, 0, &sensor);
  ASSERT_TRUE(sensor->IsOpen());
  for (const std::string& before :
       {kExample, kExample + kExample, bytes({0xA5}) + kExample, kExample + bytes({0xA5, 0x00})}) {
    korvane::test::BackgroundCall query([&] { return sensor->GetConfig(2000); });
    EXPECT_EQ(device.readAtLeast(11), "GETCONFIG\r\n");
    device.write(before + "VERSION 3\r\n");
    Dystan::Config config = query.get();
    EXPECT_TRUE(config.valid) << before.size() << " bytes before the reply";
  }
}

// Only a printable line answers the query: scan bytes that keep arriving, or silence, give no
// record, after waiting the whole timeout (500 ms for a timeout of 0).
TEST(DystanUsbTest, ScanBytesOrSilenceAreNoReply) {
  sim::DystanUsbSim::Options options;
  options.outputRate = 0;
  auto device = sim::DystanUsbSim::start(options);
  ASSERT_NE(device, nullptr);
  Sensor sensor = openUsb(device->path(), 0);
  ASSERT_TRUE(sensor->IsOpen());
  device->setConfigReply("");
  std::vector<int16_t> linefeeds(64, 0x0A0A);  // lines end inside the frames
  device->setDistances(linefeeds);
  EXPECT_FALSE(sensor->GetConfig(200).valid) << "binary scans streaming";

  device->setStreaming(false);
  auto start = Clock::now();
  EXPECT_FALSE(sensor->GetConfig(0).valid) << "silence";
  EXPECT_GE(Clock::now() - start, 490ms);
  device->setConfigReply("CFG");
  device->setStreaming(true);
  EXPECT_TRUE(sensor->GetConfig(1000).valid) << "the reply among the scans";
}

// A sensor left streaming by an earlier session never pauses for the drains of the dialogue:
// creation still ends, in about a second per drain.
TEST(DystanUsbTest, ASensorThatNeverPausesDoesNotHoldUpCreation) {
  for (bool binary : {true, false}) {
    sim::DystanUsbSim::Options options;
    options.outputRate = binary ? 0 : 500;
    options.binary = binary;
    auto device = sim::DystanUsbSim::start(options);
    ASSERT_NE(device, nullptr);
    auto start = Clock::now();
    korvane::test::BackgroundCall opening([&] { return openUsb(device->path(), 0); });
    bool ended = opening.waitFor(20s);
    if (!ended) device->hangUp();  // lets a hung creation end so the test can report it
    Sensor sensor = opening.get();
    ASSERT_TRUE(ended) << (binary ? "binary" : "text") << " stream kept creation going";
    EXPECT_LT(Clock::now() - start, 10s);
    ASSERT_TRUE(sensor->IsOpen());
    ASSERT_TRUE(test::waitUntil([&] { return sensor->GetData(64).count == 64; }));
  }
}

}  // namespace

namespace {

TEST(DystanUsbTest, ASensorThatTakesNoOpeningCommandDoesNotOpen) {
  test::PseudoTerminal terminal;
  ASSERT_TRUE(terminal.ok());
  test::StalledDevice device(terminal.path());
  ASSERT_TRUE(device.ok());
  testing::internal::CaptureStderr();
  test::BackgroundCall opening([&] { return openUsb(terminal.path(), 15); });
  if (!opening.waitFor(20s)) {
    ADD_FAILURE() << "creation still blocked after 20 s";
    device.resume();
  }
  Sensor sensor = opening.get();
  std::string errors = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_FALSE(sensor->IsOpen());
  EXPECT_NE(errors.find("[Dystan] " + terminal.path() +
                        " did not take \"GETCONFIG\": the sensor is not opened\n"),
            std::string::npos)
      << errors;
}

}  // namespace
