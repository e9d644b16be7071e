#pragma once

// The Kromel colour sensor's driver class as the JNI exports call it: a thin facade over the
// sensor objects (korvane::Kromel in korvane/Kromel.h is the same sensor for C++ programs). Each
// KromelJNI is the facade of one open sensor object, whose address is the handle.
//
// CAN: commands go out as frames and wait up to 500 ms for the sensor's acknowledgement, read
// from a CAN stream session, which is emptied before each command goes out (so only an answer
// that arrives after the send can count); colour readings are the latest colour frame on the bus.
// USB: a reader thread turns the sensor's "XYZ:" text lines into readings; the two USB commands
// (colour format, sample time) are text lines.
//
// Threading:
// - create and createUsb may run on any thread at any time.
// - destroy may run while other calls run on the object: it takes the sensor out of its table,
//   waits for the calls that hold it (the exports' calls do), stops and joins the reader thread,
//   and frees it. A call made through a pointer after its destroy returned is the caller's fault.
// - getColor, getCanID and getTransport may run concurrently with each other and with commands
//   (over USB the reader thread publishes each reading and getColor copies the newest without a
//   lock, never waiting for the reader; over CAN it is a separate HAL call from the commands).
// - Commands (the setters and getConfig) of one sensor take turns, from any number of threads:
//   over CAN two commands in flight would read acknowledgements from the same session and could
//   take each other's. A CAN command blocks its caller for up to 500 ms (and while another of the
//   sensor's commands runs); a USB command until its line has left the port, at most about a
//   second (then it fails with a line naming the port). createUsb sends up to two lines, so it
//   may take about two seconds with a port that takes no bytes.

#include <cstdint>

#include "DeviceFaults.h"
#include "korvane/Kromel.h"

class KromelJNI {
 public:
  // One colour reading; valid false means there is none and every other field is 0 (ageMs -1).
  // ageMs: milliseconds since its data arrived, when it was copied, counted as
  // c_Kromel_getDataAgeMs counts the sensor's newest data.
  using ColorData = korvane::Kromel::ColorData;

  // A CAN object for the sensor at CAN ID 0..63 on CAN bus 0, or null (the reason is printed).
  static KromelJNI* c_Kromel_create(int canId);
  // The same on a CAN bus of the robot's (0 .. port::can::busCount() - 1; WPILib 2026 has bus 0
  // only): a bus it does not have is refused with a "[Kromel] CAN bus ..." line.
  static KromelJNI* c_Kromel_createOnBus(int bus, int canId);
  // A USB object on the serial device at path, its reader running, or null (the reason is
  // printed). A sample time above 0 is sent to the sensor.
  static KromelJNI* c_Kromel_createUsb(const char* path, int sampleTimeMs);
  // Stops the reader, closes the port or the CAN session and frees the object; null (and an
  // object destroyed already) is ignored.
  static void c_Kromel_destroy(KromelJNI* sensor);

  // The CAN ID given at creation, -1 for a USB object.
  int c_Kromel_getCanID() const;
  // 0 = CAN, 1 = USB.
  int c_Kromel_getTransport() const;
  // The newest reading: over USB the last line parsed, over CAN the latest colour frame.
  ColorData c_Kromel_getColor();

  // Both transports. A format outside 0..4 ("RGB", "RAW", "SRGB", "HEX", "XYZ") is refused
  // without traffic; the sample time is clamped to 0..65535.
  bool c_Kromel_setColorFormat(int format);
  bool c_Kromel_setSampleTimeMs(int ms);
  // CAN only: a USB object returns false and sends nothing. True when the sensor accepted.
  bool c_Kromel_setBrightness(int brightness);
  bool c_Kromel_setStatusLed(bool on, int level);
  bool c_Kromel_setMeasureMode(int mode, float value);
  bool c_Kromel_setZmm(float zmm);
  bool c_Kromel_setUsbOverride(bool enable);
  bool c_Kromel_setCanId(int canId);
  // Asks the sensor for a configuration value; on acceptance stores it in out.
  bool c_Kromel_getConfig(int key, unsigned int* out);

  // Health: whether the sensor is heard from (data within three of its sample times, at least
  // 100 ms; 300 ms while its sample time is the sensor's own; over USB also: its port has not
  // hung up), the age of its newest data in milliseconds (-1 before any) and its failed calls.
  // Over CAN each first receives the newest colour frame, which the next getColor still returns;
  // never waits. A change of health is reported to the driver station once: over USB by the reader
  // as it happens, over CAN when the sensor is next read or asked.
  bool c_Kromel_isConnected();
  int64_t c_Kromel_getDataAgeMs();
  DeviceFaults c_Kromel_getFaults();

  KromelJNI(const KromelJNI&) = delete;
  KromelJNI& operator=(const KromelJNI&) = delete;

 protected:
  KromelJNI() = default;  // the facade of a sensor object only
  ~KromelJNI() = default;
};
