#pragma once

// The Dystan distance sensor's driver class as the JNI exports call it: a thin facade over the
// sensor objects (korvane::Dystan in korvane/Dystan.h is the same sensor for C++ programs). Each
// DystanJNI is the facade of one open sensor object, whose address is the handle; the sensor is
// created for one transport and keeps it for life. A scan carries up to 64 distances and an
// 8-bit sequence number.
//
// CAN: scans are reassembled from the three-value chunk frames the stream session collects.
// getData works on the frames it reads during the call (three reads, 12 ms apart); getLatestData
// reads what the session holds into a table kept between calls and returns at once. The
// configuration is a request answered by one reply frame.
// USB: a reader thread cuts the sensor's binary scan frames out of the byte stream and keeps the
// newest scan; the configuration query is the text command "GETCONFIG".
//
// Threading:
// - create and createUsb may run on any thread at any time. createUsb blocks for the opening
//   dialogue: at least 270 ms, at most about 2.5 s even when the sensor never pauses (each
//   command may add up to a second on a port that stops taking bytes).
// - destroy may run while other calls run on the object: it takes the sensor out of its table,
//   waits for the calls that hold it (the exports' calls do), stops and joins the reader thread,
//   and frees it. A call made through a pointer after its destroy returned is the caller's fault.
// - getData, getCanID and getTransport may run concurrently with each other and with getConfig.
//   getData over CAN blocks its caller for about 24 ms; getLatestData over CAN and both over USB
//   return at once. The CAN reads take turns on the stream session (a short lock, never held
//   across getData's pauses).
// - getConfig blocks up to its timeout (over USB a timeout of 0 means 500 ms). Over USB it pauses
//   the reader for its duration. Queries of one sensor take turns, from any number of threads.

#include <array>
#include <cstdint>

#include "DeviceFaults.h"
#include "korvane/Dystan.h"

class DystanJNI {
 public:
  static constexpr int kMaxDistances = korvane::Dystan::kMaxDistances;

  // A scan: the first count distances carry meaning; -1 marks a position nothing was received
  // for. All zero (count 0, ageMs -1) when there is no scan. ageMs: milliseconds since its newest
  // data arrived, when it was copied, counted as c_Dystan_getDataAgeMs counts the sensor's newest
  // data.
  using ScanData = korvane::Dystan::ScanData;
  // The sensor's configuration; valid false means no reply was obtained and every other field
  // is 0.
  using Config = korvane::Dystan::Config;

  // A CAN object for the sensor at CAN ID 0..63 on CAN bus 0, or null (the reason is printed).
  static DystanJNI* c_Dystan_create(int canId);
  // The same on a CAN bus of the robot's (0 .. port::can::busCount() - 1; WPILib 2026 has bus 0
  // only): a bus it does not have is refused with a "[Dystan] CAN bus ..." line.
  static DystanJNI* c_Dystan_createOnBus(int bus, int canId);
  // A USB object on the serial device at path, switched to binary scans (and to the output rate
  // odr when above 0), its reader running; or null (the reason is printed).
  static DystanJNI* c_Dystan_createUsb(const char* path, int odr);
  // Stops the reader, closes the port or the CAN session and frees the object; null is ignored.
  static void c_Dystan_destroy(DystanJNI* sensor);

  // The CAN ID given at creation, -1 for a USB object.
  int c_Dystan_getCanID() const;
  // 0 = CAN, 1 = USB.
  int c_Dystan_getTransport() const;
  // Up to count distances (above 64 means 64) of the newest scan; count <= 0 gives an all-zero
  // record without any traffic.
  ScanData c_Dystan_getData(int count);
  // As c_Dystan_getData, without waiting: over CAN the newest finished scan (complete, or
  // followed by the next one) of those received so far, the newest complete one whenever there
  // is one; "newest" by arrival. Over USB the same as c_Dystan_getData.
  ScanData c_Dystan_getLatestData(int count);
  // Asks the sensor for its configuration, waiting up to timeoutMs (negative means 0).
  Config c_Dystan_getConfig(int timeoutMs);

  // Health: whether the sensor is heard from (data within three scan periods at the output rate
  // given over USB, at least 100 ms; 500 ms over CAN or without a rate; over USB also: its port
  // has not hung up), the age of its newest data in milliseconds (-1 before any) and its failed
  // calls. Over CAN each first receives the newest chunk frame (the scans' stream session keeps
  // every frame); never waits. A change of health is reported to the driver station once: over
  // USB by the reader as it happens, over CAN when the sensor is next read or asked.
  bool c_Dystan_isConnected();
  int64_t c_Dystan_getDataAgeMs();
  DeviceFaults c_Dystan_getFaults();

  DystanJNI(const DystanJNI&) = delete;
  DystanJNI& operator=(const DystanJNI&) = delete;

 protected:
  DystanJNI() = default;  // the facade of a sensor object only
  ~DystanJNI() = default;
};
