// The distance sensor over USB serial: the opening dialogue, the reader thread that cuts binary
// scan frames out of the stream, the text-line reader and the configuration query.

#include <algorithm>
#include <chrono>
#include <iostream>
#include <string>
#include <system_error>

#include "KorvaneSerial.h"
#include "common/ConsoleLine.h"
#include "common/Sleep.h"
#include "dystan/DystanParts.h"

namespace korvane::dystan {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kTag = "Dystan";
constexpr int kReadBlock = SensorUsbPort::kReadBlock;
constexpr int kAfterGetConfigMs = 150;
constexpr int kAfterSetupMs = 100;
constexpr int kFirstDrainLineMs = 50;
constexpr int kSecondDrainLineMs = 20;
// A sensor that never pauses would keep a drain going for ever; each one gives up after this.
constexpr int kDrainLimitMs = 1000;
constexpr int kDefaultConfigWaitMs = 500;
constexpr size_t kMaxReplyLine = 512;
constexpr auto kReadWait = std::chrono::milliseconds(5);  // how long a quiet Read waits

int millisecondsUntil(Clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::max<int64_t>(left, 0));
}

// A reply to "GETCONFIG" is text; scan bytes that happen to end in a line feed are not.
bool isTextChar(char c) {
  auto byte = static_cast<unsigned char>(c);
  return (byte >= 0x20 && byte < 0x7F) || byte == '\t';
}

bool isTextLine(const std::string& line) {
  return !line.empty() && std::all_of(line.begin(), line.end(), isTextChar);
}

}  // namespace

UsbPart::UsbPart(const std::string& path, int odr)
    : Transport(kUsb, -1, "Dystan[" + path + "]", silenceMsFor(odr)), port_(path, kTag, health()) {
  // Room for the bound plus one read, so the reader thread never allocates.
  rxBuffer_.reserve(korvane::dystan::framing::kMaxBuffered + kReadBlock);
  if (!port_.isOpen()) return;
  // A sensor that does not take its opening commands is not open: it would never stream.
  if (!sendOpeningCommand(path, "GETCONFIG")) {
    port_.close();
    return;
  }
  sleepMilliseconds(kAfterGetConfigMs);
  drainLines(kFirstDrainLineMs);
  if (!sendOpeningCommand(path, "VERBOSE,0") || !sendOpeningCommand(path, "DATAFORMAT,BIN") ||
      (odr > 0 && !sendOpeningCommand(path, "ODR," + std::to_string(odr)))) {
    port_.close();
    return;
  }
  sleepMilliseconds(kAfterSetupMs);
  drainLines(kSecondDrainLineMs);
  KorvaneSerial::FlushRx(port_.fd());
  if (!startReader()) port_.close();
}

bool UsbPart::sendOpeningCommand(const std::string& path, const std::string& command) {
  if (port_.writeLine(command)) return true;
  printLine(std::cerr, std::string("[") + kTag + "] " + path + " did not take \"" + command +
                           "\": the sensor is not opened");
  return false;
}

void UsbPart::drainLines(int lineTimeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(kDrainLimitMs);
  std::string discarded;
  while (true) {
    int left = millisecondsUntil(deadline);
    if (left == 0 || !readLine(&discarded, std::min(lineTimeoutMs, left))) return;
  }
}

bool UsbPart::readLine(std::string* line, int timeoutMs) {
  if (line == nullptr || !port_.isOpen()) return false;
  line->clear();
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    auto now = Clock::now();
    if (now >= deadline) break;
    unsigned char byte = 0;
    if (KorvaneSerial::Read(port_.fd(), &byte, 1) == 1) {
      if (byte == '\n') return true;
      if (byte != '\r') line->push_back(static_cast<char>(byte));
    } else if (!line->empty()) {
      return true;  // a pause of one read timeout ends a line
    } else if (Clock::now() - now < kReadWait / 2) {
      // A removed device fails its reads at once; wait as a quiet one would instead of spinning.
      sleepMilliseconds(std::min<int>(kReadWait.count(), millisecondsUntil(deadline)));
    }
  }
  return !line->empty();
}

// Scan frames may still stream while the reply comes; they are cut out by their sync pair and
// length, wherever they fall, and stray bytes end the text before them, so a reply that follows
// a frame or garbage on the same line is still seen. Only a
// printable line counts as the reply; a pause of one read timeout ends a line, as in readLine.
bool UsbPart::readTextReply(int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<uint8_t> bytes;
  std::string line;
  korvane::dystan::framing::Scan ignored;
  unsigned char block[kReadBlock];
  while (Clock::now() < deadline) {
    int count = KorvaneSerial::Read(port_.fd(), block, kReadBlock);
    if (count <= 0) {
      if (isTextLine(line)) return true;
      line.clear();
      continue;
    }
    health().heardNow();
    korvane::dystan::framing::append(bytes, block, static_cast<size_t>(count));
    while (!bytes.empty()) {
      if (bytes[0] == 0xA5) {
        if (bytes.size() < korvane::dystan::framing::kHeaderSize) break;
        size_t length = 0;
        auto status = korvane::dystan::framing::tryParseFrame(bytes, &length, &ignored);
        if (status == korvane::dystan::framing::FrameStatus::NeedMore) break;
        if (status != korvane::dystan::framing::FrameStatus::DroppedByte) {
          bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
        }
        line.clear();  // a frame, or a stray byte: the reply starts after it
        continue;
      }
      char c = static_cast<char>(bytes.front());
      bytes.erase(bytes.begin());
      if (c == '\n') {
        if (isTextLine(line)) return true;
        line.clear();
      } else if (!isTextChar(c)) {
        if (c != '\r') line.clear();  // stray bytes: the reply starts after them
      } else if (line.size() < kMaxReplyLine) {
        line.push_back(c);
      }
    }
  }
  return false;
}

bool UsbPart::startReader() {
  return port_.startReader(
      [this](const unsigned char* bytes, int count) { consume(bytes, count); });
}

void UsbPart::consume(const unsigned char* bytes, int count) {
  korvane::dystan::framing::append(rxBuffer_, bytes, static_cast<size_t>(count));
  korvane::dystan::framing::Scan newest;
  size_t taken = korvane::dystan::framing::consume(
      rxBuffer_, [&](const korvane::dystan::framing::Scan& scan) { newest = scan; });
  if (taken == 0) return;
  // The read that completed the scan has just been heard: its stamp is the scan's.
  latest_.publish({newest, health().newestMs()});
  show(newest.sequence, newest.distances.data(), newest.count);
}

ScanData UsbPart::scan(int count) {
  ScanData scan;
  Arrived<korvane::dystan::framing::Scan> newest;
  if (!latest_.read(newest)) return scan;  // no scan yet
  const korvane::dystan::framing::Scan& latest = newest.reading;
  scan.count = std::min<int>(latest.count, count);
  scan.sequence = latest.sequence;
  std::copy_n(latest.distances.begin(), scan.count, scan.distance.begin());
  scan.ageMs = health().ageOf(newest.arrivedMs);
  return scan;
}

Config UsbPart::config(int timeoutMs) {
  Config config;
  std::lock_guard query(configMutex_);
  bool wasRunning = port_.readerRunning();
  // The scans pause while the query reads the port: no silence to report meanwhile.
  health().expectData(false);
  if (wasRunning) port_.stopReader();
  KorvaneSerial::FlushRx(port_.fd());
  rxBuffer_.clear();
  int waitMs = timeoutMs == 0 ? kDefaultConfigWaitMs : timeoutMs;
  if (port_.writeLine("GETCONFIG") && readTextReply(waitMs)) {
    config.distanceEnabled = 1;
    config.valid = true;
  }
  if (wasRunning) startReader();
  health().expectData(true);
  return config;
}

}  // namespace korvane::dystan
