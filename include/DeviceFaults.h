#pragma once

// A device's health at one moment, as every device class reports it: whether it is heard from
// (data arrived within its timeout, and its port has not hung up), how old its newest data is,
// and its failed calls by kind, counted since it was opened.

#include <cstdint>

struct DeviceFaults {
  bool connected = false;
  int64_t dataAgeMs = -1;        // -1 before any data
  uint64_t sendFailures = 0;     // sends and writes to the device
  uint64_t receiveFailures = 0;  // receives and reads from it
  uint64_t openFailures = 0;     // attempts to open (or reopen) its port
};
