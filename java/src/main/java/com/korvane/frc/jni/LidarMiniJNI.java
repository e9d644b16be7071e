package com.korvane.frc.jni;

import com.korvane.frc.LidarMini;

/**
 * Native operations of the T-mini Plus mini LiDAR on a USB serial port. The handle is returned by
 * {@link #c_LidarMini_create}; 0 means that creation failed, and every operation given 0 (or a
 * destroyed handle) does nothing or returns null.
 *
 * <p>Destroy must not run at the same time as any other call on the same handle; start, stop, the
 * frequency commands and the queries must be issued one at a time per LiDAR. {@link LidarMini}
 * takes care of both. Every command gives up after 1 s on a port that takes no bytes, with a
 * "[LidarMini] write error" line.
 */
public final class LidarMiniJNI {
  static {
    KorvaneDriverLibrary.load();
  }

  private LidarMiniJNI() {}

  /**
   * Opens the LiDAR on the first USB serial device (the second for port 3) at 230400 baud, tells
   * it to stop scanning and drops what it sent; blocks about 200 ms.
   *
   * @param port 3 for the second USB serial device, any other value for the first ("/dev/ttyUSB0"
   *     or "/dev/ttyUSB1" when /dev holds none)
   * @return the handle, or 0 when the device cannot be opened (the reason is printed)
   */
  public static native long c_LidarMini_create(int port);

  /**
   * Stops scanning in the driver (no command is sent), closes the port and forgets the handle.
   * Waits for the calls in flight on the handle and for the worker; 0 or a stale handle is
   * ignored.
   *
   * @param handle the LiDAR's handle
   */
  public static native void c_LidarMini_destroy(long handle);

  /**
   * Starts scanning and the worker that gathers revolutions; blocks about 300 ms while it checks
   * that bytes arrive (a warning line when none do). Refused with a line when already scanning.
   *
   * @param handle the LiDAR's handle
   */
  public static native void c_LidarMini_start(long handle);

  /**
   * Tells the device to stop, stops the worker and forgets its revolutions; runs in full even when
   * not scanning. Blocks until the command has left the port and the worker has stopped.
   *
   * @param handle the LiDAR's handle
   */
  public static native void c_LidarMini_stop(long handle);

  /**
   * Raises the scan frequency by one step, up to 12 Hz; a step past it is refused with a line and
   * nothing is sent. Blocks until the command has left the port; no reply is read.
   *
   * @param handle the LiDAR's handle
   * @param coarse true for a step of 1 Hz, false for 0.1 Hz
   */
  public static native void c_LidarMini_increaseFrequency(long handle, boolean coarse);

  /**
   * Lowers the scan frequency by one step, down to 6 Hz; a step past it is refused with a line
   * and nothing is sent. Blocks until the command has left the port; no reply is read.
   *
   * @param handle the LiDAR's handle
   * @param coarse true for a step of 1 Hz, false for 0.1 Hz
   */
  public static native void c_LidarMini_decreaseFrequency(long handle, boolean coarse);

  /**
   * Asks the device for its model, versions and serial number. Blocks up to 2 s for each part of
   * the answer (header, then payload); returns zeros at once while scanning.
   *
   * @param handle the LiDAR's handle
   * @return the identity, all zero when the query failed or while scanning; null for an unknown
   *     handle
   */
  public static native LidarMini.LidarInfo c_LidarMini_getInfo(long handle);

  /**
   * Asks the device for its status and error code. Blocks up to 2 s for each part of the answer
   * (header, then payload); returns zeros at once while scanning.
   *
   * @param handle the LiDAR's handle
   * @return the health report, both zero when the query failed or while scanning; null for an
   *     unknown handle
   */
  public static native LidarMini.LidarHealth c_LidarMini_getHealth(long handle);

  /**
   * The last complete revolution: angles in degrees, distances in metres (-1 for an invalid
   * sample), intensities 0..255, and the monotonic time its first packet was decoded. Returns at
   * once, never waiting for the device.
   *
   * @param handle the LiDAR's handle
   * @return the revolution, time 0 and empty arrays when there is none or while not scanning; null
   *     for an unknown handle
   */
  public static native LidarMini.ScanData c_LidarMini_getData(long handle);

  /**
   * The revolution {@link #c_LidarMini_getData} gives, into the caller's arrays: looks nothing up
   * by name and allocates nothing. Returns at once.
   *
   * @param handle the LiDAR's handle
   * @param angle receives the points' angles, from element 0
   * @param distance receives their distances
   * @param intensity receives their intensities
   * @param timestamp element 0 receives the revolution's time, 0 when there is none
   * @param ageMs element 0 receives the revolution's age: milliseconds since the bytes of its last
   *     packet arrived, counted as {@link #c_LidarMini_getDataAgeMs} counts the newest bytes (-1
   *     when there is none)
   * @return the revolution's number of points n; the arrays received the first min(n, length of
   *     the shortest array) of them, so a result above that length asks for longer arrays. -1,
   *     with nothing written, for an unknown handle, a null or empty timestamp or ageMs, or a null
   *     array
   */
  public static native int c_LidarMini_readData(
      long handle,
      float[] angle,
      float[] distance,
      float[] intensity,
      long[] timestamp,
      long[] ageMs);

  /**
   * Whether the mini LiDAR is heard from: its data arrived within 500 ms (three revolutions at 6
   * Hz), and its port has not hung up. It sends only while scanning, or when it answers a query.
   * Never waits.
   *
   * @param handle the mini LiDAR's handle
   * @return false for a zero handle, before the first data and after that long without
   */
  public static native boolean c_LidarMini_isConnected(long handle);

  /**
   * Milliseconds since the mini LiDAR's newest data arrived. Never waits.
   *
   * @param handle the mini LiDAR's handle
   * @return the age, or -1 before any data and for a zero handle
   */
  public static native long c_LidarMini_getDataAgeMs(long handle);

  /**
   * The mini LiDAR's health: heard from or not, the age of its newest data, and its failed sends,
   * receives and opens since it was opened. Never waits.
   *
   * @param handle the mini LiDAR's handle
   * @return the record, or null for a zero handle or when the VM is out of memory
   */
  public static native com.korvane.frc.DeviceFaults c_LidarMini_getFaults(long handle);
}
