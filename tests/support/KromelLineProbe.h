#pragma once

// Feeds bytes to a colour sensor's line assembly directly, as its reader thread would after a
// read, so tests and benchmarks can check the line grammar without a port or a thread.

#include <memory>
#include <string>

#include "KromelJNI.h"

struct KromelLineProbe {
  // A sensor object with no transport open and no thread.
  static std::unique_ptr<KromelJNI> sensor() {
    return std::unique_ptr<KromelJNI>(new KromelJNI(static_cast<uint8_t>(0)));
  }
  static void feed(KromelJNI& sensor, const std::string& bytes) {
    sensor.consume(reinterpret_cast<const unsigned char*>(bytes.data()),
                   static_cast<int>(bytes.size()));
  }
  // The reading the USB transport would report.
  static KromelJNI::ColorData reading(KromelJNI& sensor) { return sensor.getColorUSB(); }
};
