#pragma once

// Creating a sensor object that speaks CAN or USB: the object is made, its transport opened, and
// on any failure freed again, so the caller gets an open sensor or null. A throw while making it
// (allocation, starting the reader thread) becomes one line, "[<tag>] Failed to create the
// <transport> sensor: <reason>", on standard output.

#include <exception>
#include <iostream>
#include <memory>
#include <string>

#include "common/ConsoleLine.h"

namespace korvane::sensor_creation {

// make() returns a std::unique_ptr to the new sensor, its transport opened or not; isOpen(sensor)
// says which.
template <typename Make, typename IsOpen>
auto openOrNull(const char* tag, const char* transport, Make make, IsOpen isOpen) ->
    typename decltype(make())::pointer {
  try {
    auto sensor = make();
    return isOpen(*sensor) ? sensor.release() : nullptr;
  } catch (const std::exception& e) {
    printLine(std::cout, std::string("[") + tag + "] Failed to create the " + transport +
                             " sensor: " + e.what());
    return nullptr;
  }
}

}  // namespace korvane::sensor_creation
