package com.korvane.frc.jni;

import com.korvane.frc.LidarMini;

/**
 * Native operations of the T-mini Plus mini LiDAR on a USB serial port. The handle is returned by
 * {@link #c_LidarMini_create}; 0 means that creation failed, and every operation given 0 (or a
 * destroyed handle) does nothing or returns null.
 *
 * <p>Destroy must not run at the same time as any other call on the same handle; start, stop, the
 * frequency commands and the queries must be issued one at a time per LiDAR. {@link LidarMini}
 * takes care of both.
 */
public final class LidarMiniJNI {
  static {
    KorvaneDriverLibrary.load();
  }

  private LidarMiniJNI() {}

  /**
   * Opens the LiDAR on the first USB serial device (the second for port 3); blocks about 200 ms.
   */
  public static native long c_LidarMini_create(int port);

  /** Stops scanning in the driver (no command is sent), closes the port. */
  public static native void c_LidarMini_destroy(long handle);

  /** Starts scanning; blocks about 300 ms while it checks that bytes arrive. */
  public static native void c_LidarMini_start(long handle);

  /** Tells the device to stop and stops the worker. */
  public static native void c_LidarMini_stop(long handle);

  /** One step of 1 Hz (coarse) or 0.1 Hz, up to 12 Hz. */
  public static native void c_LidarMini_increaseFrequency(long handle, boolean coarse);

  /** One step of 1 Hz (coarse) or 0.1 Hz, down to 6 Hz. */
  public static native void c_LidarMini_decreaseFrequency(long handle, boolean coarse);

  /** Model, versions and serial number; zeros when the query failed or while scanning. */
  public static native LidarMini.LidarInfo c_LidarMini_getInfo(long handle);

  /** Status and error code; zeros when the query failed or while scanning. */
  public static native LidarMini.LidarHealth c_LidarMini_getHealth(long handle);

  /** The last complete revolution; time 0 and empty arrays when there is none. */
  public static native LidarMini.ScanData c_LidarMini_getData(long handle);
}
