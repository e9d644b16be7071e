// The colour sensor over USB serial: the opening dialogue, the reader thread's readings, and the
// two commands that exist over USB.

#include <string>

#include "KorvaneSerial.h"
#include "common/Sleep.h"
#include "kromel/KromelParts.h"

namespace korvane::kromel {

namespace {

constexpr int kSettleMs = 50;

const char* colorFormatName(int format) {
  static const char* const kNames[] = {"RGB", "RAW", "SRGB", "HEX", "XYZ"};
  return format >= 0 && format <= 4 ? kNames[format] : nullptr;
}

}  // namespace

UsbPart::UsbPart(const std::string& path, int sampleTimeMs)
    : Transport(kUsb, -1, "Kromel[" + path + "]", silenceMsFor(sampleTimeMs)),
      port_(path, "Kromel", health()) {
  if (!port_.isOpen()) return;
  port_.writeLine("COLORFORMAT,XYZ");
  if (sampleTimeMs > 0) port_.writeLine("SAMPLETIME," + std::to_string(sampleTimeMs));
  sleepMilliseconds(kSettleMs);
  KorvaneSerial::FlushRx(port_.fd());
  bool reading = port_.startReader([this](const unsigned char* bytes, int count) {
    lines_.feed(bytes, count, [this](const ColorData& reading) {
      // The read that completed the line has just been heard: its stamp is the reading's.
      latest_.publish({reading, health().newestMs()});
      show(reading);
    });
  });
  if (!reading) port_.close();
}

ColorData UsbPart::color() {
  Arrived<ColorData> newest;
  if (!latest_.read(newest)) return ColorData{};  // invalid until the first reading line
  newest.reading.ageMs = health().ageOf(newest.arrivedMs);
  return newest.reading;
}

bool UsbPart::setColorFormat(int format) {
  const char* name = colorFormatName(format);
  return name != nullptr && port_.writeLine(std::string("COLORFORMAT,") + name);
}

bool UsbPart::setSampleTime(int ms) {
  return port_.writeLine("SAMPLETIME," + std::to_string(ms));
}

}  // namespace korvane::kromel
