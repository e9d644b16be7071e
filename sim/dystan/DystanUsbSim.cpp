#include "DystanUsbSim.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace korvane::sim {
namespace {

constexpr int kMaxRate = 1000;
constexpr int kStreamWriteTimeoutMs = 100;
constexpr int kSendTimeoutMs = 1000;
constexpr auto kMaxCatchUp = std::chrono::milliseconds(100);

void closeIfOpen(int& fd) {
  if (fd != -1) close(fd);
  fd = -1;
}

void putUInt16(std::string& out, uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}

bool startsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

}  // namespace

std::string DystanUsbSim::frame(uint8_t sequence, const std::vector<int16_t>& distances) {
  size_t n = std::min<size_t>(distances.size(), 255);
  std::string bytes = "\xA5\x5A";
  putUInt16(bytes, static_cast<uint16_t>(4 + 2 * n));
  bytes.push_back(1);  // distance scan
  bytes.push_back(static_cast<char>(sequence));
  bytes.push_back(static_cast<char>(n));
  bytes.push_back(1);  // the scan is valid
  for (size_t k = 0; k < n; ++k) putUInt16(bytes, static_cast<uint16_t>(distances[k]));
  return bytes;
}

std::unique_ptr<DystanUsbSim> DystanUsbSim::start(const Options& options) {
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master < 0) return nullptr;
  char name[128];
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
    close(master);
    return nullptr;
  }
  int slave = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (slave < 0) {
    close(master);
    return nullptr;
  }
  termios settings{};
  tcgetattr(slave, &settings);
  cfmakeraw(&settings);  // no echo of what the sensor sends, no line editing
  tcsetattr(slave, TCSANOW, &settings);
  std::unique_ptr<DystanUsbSim> sim(new DystanUsbSim(master, slave, name, options));
  int wake[2];
  if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) return nullptr;
  sim->wakeRead_ = wake[0];
  sim->wakeWrite_ = wake[1];
  sim->thread_ = std::thread(&DystanUsbSim::run, sim.get());
  return sim;
}

DystanUsbSim::DystanUsbSim(int master, int slave, std::string path, const Options& options)
    : master_(master),
      slave_(slave),
      path_(std::move(path)),
      streaming_(options.streaming),
      binary_(options.binary),
      outputRate_(std::clamp(options.outputRate, 0, kMaxRate)) {
  for (int k = 0; k < 64; ++k) distances_.push_back(static_cast<int16_t>(500 + 5 * k));
}

DystanUsbSim::~DystanUsbSim() {
  hangUp();
  closeIfOpen(wakeRead_);
  closeIfOpen(wakeWrite_);
}

void DystanUsbSim::hangUp() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  if (wakeWrite_ != -1) {
    char byte = 1;
    (void)!::write(wakeWrite_, &byte, 1);
  }
  if (thread_.joinable()) thread_.join();
  std::lock_guard writer(writeMutex_);
  closeIfOpen(master_);
  closeIfOpen(slave_);
}

void DystanUsbSim::run() {
  auto next = Clock::now();
  while (true) {
    int timeoutMs = -1;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      if (streaming_) {
        auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
        timeoutMs = static_cast<int>(std::max<int64_t>(wait.count(), 0));
      }
    }
    pollfd fds[2] = {{master_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    poll(fds, 2, timeoutMs);
    if (fds[1].revents != 0) {
      char drain[64];
      while (read(wakeRead_, drain, sizeof drain) > 0) {
      }
    }
    if (fds[0].revents & POLLIN) receive();

    std::vector<std::string> replies;
    std::string scan;
    auto now = Clock::now();
    {
      std::lock_guard lock(mutex_);
      replies.swap(pendingReplies_);
      if (!streaming_ || rescheduled_) {
        next = now;
        rescheduled_ = false;
      }
      if (streaming_ && now >= next) {
        scan = nextScanLocked();
        next = std::max(next + intervalLocked(scan.size()), now - kMaxCatchUp);
      }
    }
    for (const std::string& reply : replies) writeAll(reply, kStreamWriteTimeoutMs);
    if (!scan.empty() && writeAll(scan, kStreamWriteTimeoutMs)) {
      std::lock_guard lock(mutex_);
      ++scansSent_;
    }
  }
}

void DystanUsbSim::receive() {
  char buffer[256];
  while (true) {
    ssize_t count = read(master_, buffer, sizeof buffer);
    if (count <= 0) return;
    std::vector<std::string> lines;
    {
      std::lock_guard lock(mutex_);
      receivedBytes_.append(buffer, static_cast<size_t>(count));
      for (ssize_t i = 0; i < count; ++i) {
        if (buffer[i] == '\n') {
          lines.push_back(partial_);
          partial_.clear();
        } else if (buffer[i] != '\r') {
          partial_.push_back(buffer[i]);
        }
      }
    }
    for (const std::string& line : lines) obey(line);
  }
}

void DystanUsbSim::obey(const std::string& line) {
  std::lock_guard lock(mutex_);
  commands_.push_back(line);
  if (line == "GETCONFIG") {
    if (!configReply_.empty()) pendingReplies_.push_back(configReply_ + "\r\n");
  } else if (startsWith(line, "VERBOSE,")) {
    verbose_ = line != "VERBOSE,0";
  } else if (line == "DATAFORMAT,BIN") {
    binary_ = true;
  } else if (line == "DATAFORMAT,TXT") {
    binary_ = false;
  } else if (startsWith(line, "ODR,")) {
    const char* digits = line.c_str() + 4;
    char* end = nullptr;
    long rate = std::strtol(digits, &end, 10);
    if (end != digits && rate > 0) {
      outputRate_ = static_cast<int>(std::min<long>(rate, kMaxRate));
      rescheduled_ = true;
    }
  }
  received_.notify_all();
}

std::string DystanUsbSim::nextScanLocked() {
  ++sequence_;
  std::string bytes = garbage_;
  if (binary_) return bytes + frame(sequence_, distances_);
  bytes += "SCAN " + std::to_string(sequence_) + ":";
  for (int16_t d : distances_) bytes += " " + std::to_string(d);
  return bytes + "\r\n";
}

DystanUsbSim::Clock::duration DystanUsbSim::intervalLocked(size_t bytes) const {
  // Ten bits a byte: start bit, eight data bits, stop bit.
  auto onTheWire =
      std::chrono::nanoseconds(static_cast<int64_t>(bytes) * 10 * 1'000'000'000 / kBaud);
  Clock::duration period = outputRate_ > 0 ? std::chrono::nanoseconds(1'000'000'000LL / outputRate_)
                                           : Clock::duration::zero();
  return std::max<Clock::duration>(period, onTheWire);
}

bool DystanUsbSim::writeAll(const std::string& bytes, int timeoutMs) {
  std::lock_guard writer(writeMutex_);
  if (master_ == -1) return false;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t count = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (count > 0) {
      done += static_cast<size_t>(count);
      continue;
    }
    if (count < 0 && errno != EAGAIN && errno != EINTR) return false;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd entry{master_, POLLOUT, 0};
    poll(&entry, 1, static_cast<int>(left));
  }
  return true;
}

void DystanUsbSim::setDistances(const std::vector<int16_t>& distances) {
  std::lock_guard lock(mutex_);
  distances_.assign(distances.begin(), distances.begin() + std::min<size_t>(distances.size(), 255));
}

void DystanUsbSim::setStreaming(bool on) {
  {
    std::lock_guard lock(mutex_);
    streaming_ = on;
  }
  char byte = 1;
  if (wakeWrite_ != -1) (void)!::write(wakeWrite_, &byte, 1);
}

void DystanUsbSim::setGarbage(const std::string& bytes) {
  std::lock_guard lock(mutex_);
  garbage_ = bytes;
}

void DystanUsbSim::setConfigReply(const std::string& line) {
  std::lock_guard lock(mutex_);
  configReply_ = line;
}

bool DystanUsbSim::send(const std::string& bytes) {
  return writeAll(bytes, kSendTimeoutMs);
}

bool DystanUsbSim::binary() const {
  std::lock_guard lock(mutex_);
  return binary_;
}

bool DystanUsbSim::verbose() const {
  std::lock_guard lock(mutex_);
  return verbose_;
}

int DystanUsbSim::outputRate() const {
  std::lock_guard lock(mutex_);
  return outputRate_;
}

std::vector<std::string> DystanUsbSim::commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

std::string DystanUsbSim::received() const {
  std::lock_guard lock(mutex_);
  return receivedBytes_;
}

bool DystanUsbSim::waitForCommands(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return received_.wait_for(lock, timeout, [&] { return commands_.size() >= count; });
}

uint64_t DystanUsbSim::scansSent() const {
  std::lock_guard lock(mutex_);
  return scansSent_;
}

uint8_t DystanUsbSim::sequence() const {
  std::lock_guard lock(mutex_);
  return sequence_;
}

}  // namespace korvane::sim
