// The colour sensor over USB serial: the opening dialogue, the reader thread that assembles
// text lines, the line grammar, and the two commands that exist over USB.

#include <locale.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "KorvaneSerial.h"
#include "KromelJNI.h"
#include "common/ConsoleLine.h"
#include "common/Sleep.h"

namespace {

constexpr int kBaud = 115200;
constexpr const char* kTag = "Kromel";
constexpr int kReadBlock = 256;
constexpr size_t kMaxLine = 512;
constexpr int kSettleMs = 50;

const char* const kFormatNames[] = {"RGB", "RAW", "SRGB", "HEX", "XYZ"};

const char* colorFormatName(int format) {
  return format >= 0 && format <= 4 ? kFormatNames[format] : nullptr;
}

std::string trim(const std::string& text) {
  const char* blanks = " \t\r\n";
  size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

std::string afterColon(const std::string& text) {
  size_t colon = text.find(':');
  return colon == std::string::npos ? "" : trim(text.substr(colon + 1));
}

std::vector<std::string> splitCsv(const std::string& text) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) {
      fields.push_back(trim(text.substr(start)));
      return fields;
    }
    fields.push_back(trim(text.substr(start, comma - start)));
    start = comma + 1;
  }
}

bool startsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

// The sensor writes numbers with a decimal point whatever locale the robot program runs in, so
// they are read in the C locale (strtof itself follows the process's locale).
float parseNumber(const std::string& text) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return strtof_l(text.c_str(), nullptr, cLocale);
}

}  // namespace

KromelJNI::KromelJNI(const std::string& path, int sampleTimeMs) : transport(1) {
  fd = KorvaneSerial::Open(path, kBaud, kTag);
  if (fd == -1) return;
  KorvaneSerial::WriteLine(fd, "COLORFORMAT,XYZ");
  if (sampleTimeMs > 0) KorvaneSerial::WriteLine(fd, "SAMPLETIME," + std::to_string(sampleTimeMs));
  korvane::sleepMilliseconds(kSettleMs);
  KorvaneSerial::FlushRx(fd);
  startReader();
  if (!reader.running()) {
    KorvaneSerial::Close(fd);
    fd = -1;
  }
}

KromelJNI::ColorData KromelJNI::getColorUSB() {
  std::lock_guard lock(dataMutex);
  return latest;
}

bool KromelJNI::setColorFormatUSB(int format) {
  const char* name = colorFormatName(format);
  if (name == nullptr) return false;
  return KorvaneSerial::WriteLine(fd, std::string("COLORFORMAT,") + name);
}

bool KromelJNI::setSampleTimeMsUSB(int ms) {
  return KorvaneSerial::WriteLine(fd, "SAMPLETIME," + std::to_string(ms));
}

void KromelJNI::startReader() {
  if (fd == -1 || reader.running()) return;
  try {
    reader.start(fd, kReadBlock,
                 [this](const unsigned char* bytes, int count) { consume(bytes, count); });
  } catch (const std::system_error& e) {
    korvane::printLine(std::cerr,
                       std::string("[") + kTag + "] Cannot start the reader thread: " + e.what());
  }
}

void KromelJNI::stopReader() {
  reader.stop();
}

void KromelJNI::consume(const unsigned char* bytes, int count) {
  for (int i = 0; i < count; ++i) {
    char c = static_cast<char>(bytes[i]);
    if (c == '\n') {
      parseLine(trim(lineBuffer));
      lineBuffer.clear();
    } else if (c != '\r') {
      lineBuffer.push_back(c);
      if (lineBuffer.size() > kMaxLine) lineBuffer.clear();
    }
  }
}

void KromelJNI::parseLine(const std::string& line) {
  if (line.empty()) return;
  std::string copy = line;
  if (startsWith(copy, "DIST:")) {
    size_t gap = copy.find("  ");
    if (gap == std::string::npos) return;
    copy = trim(copy.substr(gap + 2));
  }
  if (!startsWith(copy, "XYZ:")) return;
  std::vector<std::string> fields = splitCsv(afterColon(copy));
  if (fields.size() < 3) return;
  float x = parseNumber(fields[0]);
  float y = parseNumber(fields[1]);
  float z = parseNumber(fields[2]);
  ColorData reading;
  {
    std::lock_guard lock(dataMutex);
    latest.x = x;
    latest.y = y;
    latest.z = z;
    latest.sequence = ++sampleCounter;
    latest.valid = true;
    reading = latest;
  }
  show(reading);
}
