#include "KromelUsbSim.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace korvane::sim {
namespace {

constexpr int kMaxSampleTimeMs = 65535;
constexpr int kStreamWriteTimeoutMs = 100;
constexpr int kSendTimeoutMs = 1000;
constexpr auto kMaxCatchUp = std::chrono::milliseconds(100);

// Fixed four decimals, written without the process's locale (whose decimal mark may be a
// comma).
std::string decimal(float value) {
  long scaled = std::lround(static_cast<double>(value) * 10000.0);
  std::string sign = scaled < 0 ? "-" : "";
  scaled = std::labs(scaled);
  char digits[32];
  std::snprintf(digits, sizeof digits, "%ld.%04ld", scaled / 10000, scaled % 10000);
  return sign + digits;
}

int byteOf(float channel) {
  return static_cast<int>(std::clamp(std::lround(channel * 255.0), 0L, 255L));
}

void closeIfOpen(int& fd) {
  if (fd != -1) close(fd);
  fd = -1;
}

}  // namespace

std::unique_ptr<KromelUsbSim> KromelUsbSim::start(int sampleTimeMs) {
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
  std::unique_ptr<KromelUsbSim> sim(new KromelUsbSim(master, slave, name, sampleTimeMs));
  int wake[2];
  if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) return nullptr;
  sim->wakeRead_ = wake[0];
  sim->wakeWrite_ = wake[1];
  sim->thread_ = std::thread(&KromelUsbSim::run, sim.get());
  return sim;
}

KromelUsbSim::KromelUsbSim(int master, int slave, std::string path, int sampleTimeMs)
    : master_(master),
      slave_(slave),
      path_(std::move(path)),
      sampleTimeMs_(std::clamp(sampleTimeMs, 0, kMaxSampleTimeMs)) {}

KromelUsbSim::~KromelUsbSim() {
  hangUp();
  closeIfOpen(wakeRead_);
  closeIfOpen(wakeWrite_);
}

void KromelUsbSim::hangUp() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  if (wakeWrite_ != -1) {
    char byte = 1;
    (void)!write(wakeWrite_, &byte, 1);
  }
  if (thread_.joinable()) thread_.join();
  std::lock_guard writer(writeMutex_);
  closeIfOpen(master_);
  closeIfOpen(slave_);
  std::lock_guard lock(mutex_);
  hungUp_ = true;
}

void KromelUsbSim::run() {
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

    auto now = Clock::now();
    std::string line;
    {
      std::lock_guard lock(mutex_);
      if (!streaming_ || rescheduled_) {
        next = now;
        rescheduled_ = false;
      }
      if (!streaming_ || now < next) continue;
      line = nextLineLocked();
      next = std::max(next + intervalLocked(line.size()), now - kMaxCatchUp);
    }
    if (writeAll(line, kStreamWriteTimeoutMs)) {
      std::lock_guard lock(mutex_);
      ++linesSent_;
    }
  }
}

void KromelUsbSim::receive() {
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

void KromelUsbSim::obey(const std::string& line) {
  std::lock_guard lock(mutex_);
  commands_.push_back(line);
  const std::string formatCommand = "COLORFORMAT,";
  const std::string sampleCommand = "SAMPLETIME,";
  if (line.rfind(formatCommand, 0) == 0) {
    std::string name = line.substr(formatCommand.size());
    if (name == "RGB" || name == "RAW" || name == "SRGB" || name == "HEX" || name == "XYZ") {
      format_ = name;
    }
  } else if (line.rfind(sampleCommand, 0) == 0) {
    const char* digits = line.c_str() + sampleCommand.size();
    char* end = nullptr;
    long ms = std::strtol(digits, &end, 10);
    if (end != digits) {
      sampleTimeMs_ = static_cast<int>(std::clamp(ms, 0L, 65535L));
      rescheduled_ = true;
    }
  }
  received_.notify_all();
}

std::string KromelUsbSim::nextLineLocked() {
  const float x = color_[0], y = color_[1], z = color_[2];
  if (format_ == "XYZ")
    return "XYZ: " + decimal(x) + ", " + decimal(y) + ", " + decimal(z) + "\r\n";
  if (format_ == "HEX") {
    char text[32];
    std::snprintf(text, sizeof text, "HEX: #%02X%02X%02X\r\n", byteOf(x), byteOf(y), byteOf(z));
    return text;
  }
  std::string values = std::to_string(byteOf(x)) + ", " + std::to_string(byteOf(y)) + ", " +
                       std::to_string(byteOf(z));
  if (format_ == "RAW") values += ", " + std::to_string(byteOf((x + y + z) / 3));
  return format_ + ": " + values + "\r\n";
}

KromelUsbSim::Clock::duration KromelUsbSim::intervalLocked(size_t lineBytes) const {
  // Ten bits a byte: start bit, eight data bits, stop bit.
  auto onTheWire =
      std::chrono::nanoseconds(static_cast<int64_t>(lineBytes) * 10 * 1'000'000'000 / kBaud);
  return std::max<Clock::duration>(std::chrono::milliseconds(sampleTimeMs_), onTheWire);
}

bool KromelUsbSim::writeAll(const std::string& bytes, int timeoutMs) {
  std::lock_guard writer(writeMutex_);
  if (master_ == -1) return false;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t count = write(master_, bytes.data() + done, bytes.size() - done);
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

void KromelUsbSim::setColor(float x, float y, float z) {
  std::lock_guard lock(mutex_);
  color_[0] = x;
  color_[1] = y;
  color_[2] = z;
}

void KromelUsbSim::setStreaming(bool on) {
  {
    std::lock_guard lock(mutex_);
    streaming_ = on;
  }
  char byte = 1;
  if (wakeWrite_ != -1) (void)!write(wakeWrite_, &byte, 1);
}

bool KromelUsbSim::send(const std::string& bytes) {
  return writeAll(bytes, kSendTimeoutMs);
}

std::string KromelUsbSim::colorFormat() const {
  std::lock_guard lock(mutex_);
  return format_;
}

int KromelUsbSim::sampleTimeMs() const {
  std::lock_guard lock(mutex_);
  return sampleTimeMs_;
}

std::vector<std::string> KromelUsbSim::commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

std::string KromelUsbSim::received() const {
  std::lock_guard lock(mutex_);
  return receivedBytes_;
}

bool KromelUsbSim::waitForCommands(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return received_.wait_for(lock, timeout, [&] { return commands_.size() >= count; });
}

uint64_t KromelUsbSim::linesSent() const {
  std::lock_guard lock(mutex_);
  return linesSent_;
}

}  // namespace korvane::sim
