package com.korvane.frc.jni;

import com.korvane.frc.Kromel;

/**
 * Native operations of the Kromel colour sensor, over CAN or USB serial. The handle is returned by
 * {@link #c_Kromel_create} or {@link #c_Kromel_createUsb}; 0 means that creation failed, and every
 * operation given 0 (or a destroyed handle) returns its failure value: -1, false or null.
 *
 * <p>Destroy must not run at the same time as any other call on the same handle, and commands
 * (the setters and {@code getConfig}) must be issued one at a time per sensor; {@link Kromel}
 * takes care of both. A command blocks over CAN until the sensor acknowledges, at most 500 ms, and
 * over USB until its line has left the port, at most about 1 s.
 */
public final class KromelJNI {
  static {
    KorvaneDriverLibrary.load();
  }

  private KromelJNI() {}

  /**
   * A sensor on CAN at CAN ID 0..63: opens a CAN stream session for its acknowledgements. The CAN
   * ID is only kept: the sensor's frames do not carry it. Returns at once.
   *
   * @param canId the sensor's CAN ID, 0 to 63
   * @return the handle, or 0 when the CAN ID is out of range or the session cannot be opened (the
   *     reason is printed)
   */
  public static native long c_Kromel_create(int canId);

  /**
   * {@link #c_Kromel_create} on a chosen CAN bus. WPILib 2026's robot controller has bus 0 only;
   * Systemcore (WPILib 2027) has buses 0 to 4. A bus the robot does not have is refused with a
   * "[Kromel] CAN bus ..." line. Returns at once.
   *
   * @param bus the CAN bus, from 0
   * @param canId the sensor's CAN ID, 0 to 63
   * @return the handle, or 0 when the bus or the CAN ID is out of range or the session cannot be
   *     opened (the reason is printed)
   */
  public static native long c_Kromel_createOnBus(int bus, int canId);

  /**
   * A sensor on the USB serial device at path (115200 baud): sends "COLORFORMAT,XYZ" and the
   * sample time, then starts the reader thread. Blocks until those lines have left the port, at
   * most about 2 s.
   *
   * @param path the serial device, e.g. "/dev/ttyACM0"
   * @param sampleTimeMs milliseconds between readings, sent when above 0
   * @return the handle, or 0 when path is null, the port cannot be opened or the reader thread
   *     cannot start (the reason is printed)
   */
  public static native long c_Kromel_createUsb(String path, int sampleTimeMs);

  /**
   * A USB serial device path from /dev: the first ttyACM* or ttyUSB* entry in byte-wise order, or
   * the second for index 3. Returns at once.
   *
   * @param index 3 for the second device, any other value for the first
   * @return the path; "/dev/ttyACM0" ("/dev/ttyACM1" for index 3) when there is none
   */
  public static native String c_Kromel_findDevicePath(int index);

  /**
   * Stops the reader and closes the port or the CAN session, then forgets the handle. Waits for
   * the calls in flight on the handle and for the reader thread; 0 or a stale handle is ignored.
   *
   * @param handle the sensor's handle
   */
  public static native void c_Kromel_destroy(long handle);

  /**
   * The CAN ID given at creation. Returns at once.
   *
   * @param handle the sensor's handle
   * @return 0 to 63; -1 for a USB sensor or an unknown handle
   */
  public static native int c_Kromel_getCanID(long handle);

  /**
   * How the sensor is connected. Returns at once.
   *
   * @param handle the sensor's handle
   * @return 0 = CAN, 1 = USB; -1 for an unknown handle
   */
  public static native int c_Kromel_getTransport(long handle);

  /**
   * The newest reading: over CAN the latest colour frame on the bus (channels divided by 10000),
   * over USB the last "XYZ:" line the reader parsed. Returns at once.
   *
   * @param handle the sensor's handle
   * @return the reading, or null when there is none yet or the handle is unknown
   */
  public static native Kromel.ColorData c_Kromel_getColor(long handle);

  /**
   * The newest reading as {@link #c_Kromel_getColor} gives it, into the caller's array: looks
   * nothing up by name and allocates nothing. Returns at once.
   *
   * @param handle the sensor's handle
   * @param xyz at least 3 elements; elements 0, 1 and 2 receive x, y and z
   * @param ageMs at least 1 element; element 0 receives the reading's age: milliseconds since its
   *     data arrived, counted as {@link #c_Kromel_getDataAgeMs} counts the sensor's newest data
   * @return the reading's sequence number, 0 to 65535; -1, with nothing written, when there is
   *     no reading yet, the handle is unknown or an array is null or too short
   */
  public static native int c_Kromel_readColor(long handle, float[] xyz, long[] ageMs);

  /**
   * Sets the colour format; both transports. Over USB only XYZ gives readings.
   *
   * @param handle the sensor's handle
   * @param format 0 RGB, 1 RAW, 2 SRGB, 3 HEX, 4 XYZ; any other is refused without traffic
   * @return true when the sensor accepted it (CAN) or the line went out (USB)
   */
  public static native boolean c_Kromel_setColorFormat(long handle, int format);

  /**
   * Sets the time between readings; both transports.
   *
   * @param handle the sensor's handle
   * @param ms milliseconds, clamped to 0..65535
   * @return true when the sensor accepted it (CAN) or the line went out (USB)
   */
  public static native boolean c_Kromel_setSampleTimeMs(long handle, int ms);

  /**
   * Sets the illumination brightness; CAN only.
   *
   * @param handle the sensor's handle
   * @param brightness percent, clamped to 0..100
   * @return true when the sensor accepted it; false at once for a USB sensor
   */
  public static native boolean c_Kromel_setBrightness(long handle, int brightness);

  /**
   * Switches the status LED; CAN only.
   *
   * @param handle the sensor's handle
   * @param on whether the LED is lit
   * @param level percent, clamped to 0..100
   * @return true when the sensor accepted it; false at once for a USB sensor
   */
  public static native boolean c_Kromel_setStatusLed(long handle, boolean on, int level);

  /**
   * Sets the measure mode; CAN only.
   *
   * @param handle the sensor's handle
   * @param mode 0, 1 or 2; any other is refused without traffic
   * @param value sent with mode 2 only
   * @return true when the sensor accepted it; false at once for a USB sensor
   */
  public static native boolean c_Kromel_setMeasureMode(long handle, int mode, float value);

  /**
   * Sends the sensor's Zmm value; CAN only.
   *
   * @param handle the sensor's handle
   * @param zmm the value, as the sensor's firmware defines it
   * @return true when the sensor accepted it; false at once for a USB sensor
   */
  public static native boolean c_Kromel_setZmm(long handle, float zmm);

  /**
   * Switches the sensor's USB override; CAN only.
   *
   * @param handle the sensor's handle
   * @param enable whether the override is on
   * @return true when the sensor accepted it; false at once for a USB sensor
   */
  public static native boolean c_Kromel_setUsbOverride(long handle, boolean enable);

  /**
   * Tells the sensor a new CAN ID, sent unchecked as 32 bits; the handle keeps the old one. CAN
   * only.
   *
   * @param handle the sensor's handle
   * @param canId the new CAN ID
   * @return true when the sensor accepted it; false at once for a USB sensor
   */
  public static native boolean c_Kromel_setCanId(long handle, int canId);

  /**
   * Asks the sensor for a configuration value; CAN only.
   *
   * @param handle the sensor's handle
   * @param key the configuration key; its low 8 bits are sent
   * @param out an array of at least one element; on success out[0] holds the value, 0..2^32-1
   * @return true when the sensor accepted the request; false (out untouched) otherwise, for a
   *     USB sensor, or when out is null or empty
   */
  public static native boolean c_Kromel_getConfig(long handle, int key, long[] out);

  /**
   * Whether the sensor is heard from: its data arrived within three of its sample times (at least
   * 100 ms; 300 ms while its sample time is the sensor's own), and over USB its port has not hung
   * up. Over CAN it first receives the newest colour frame, which the next getColor still returns.
   * Never waits.
   *
   * @param handle the sensor's handle
   * @return false for a zero handle, before the first data and after that long without
   */
  public static native boolean c_Kromel_isConnected(long handle);

  /**
   * Milliseconds since the sensor's newest data arrived. Never waits.
   *
   * @param handle the sensor's handle
   * @return the age, or -1 before any data and for a zero handle
   */
  public static native long c_Kromel_getDataAgeMs(long handle);

  /**
   * The sensor's health: heard from or not, the age of its newest data, and its failed sends,
   * receives and opens since it was opened. Never waits.
   *
   * @param handle the sensor's handle
   * @return the record, or null for a zero handle or when the VM is out of memory
   */
  public static native com.korvane.frc.DeviceFaults c_Kromel_getFaults(long handle);
}
