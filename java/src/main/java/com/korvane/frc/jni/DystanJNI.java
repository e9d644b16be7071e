package com.korvane.frc.jni;

import com.korvane.frc.Dystan;

/**
 * Native operations of the Dystan distance sensor, over CAN or USB serial. The handle is returned
 * by {@link #c_Dystan_create} or {@link #c_Dystan_createUsb}; 0 means that creation failed, and
 * every operation given 0 (or a destroyed handle) returns its failure value: -1 or null.
 *
 * <p>Destroy must not run at the same time as any other call on the same handle; {@link Dystan}
 * takes care of that.
 */
public final class DystanJNI {
  static {
    KorvaneDriverLibrary.load();
  }

  private DystanJNI() {}

  /** A sensor on CAN at CAN ID 0..63. */
  public static native long c_Dystan_create(int canId);

  /**
   * A sensor on the USB serial device at path, switched to binary scans; an output rate above 0
   * is sent to it. Blocks for the opening dialogue (at least 270 ms, at most about 2.5 s).
   */
  public static native long c_Dystan_createUsb(String path, int odr);

  /** A USB serial device path: the first one, or the second for index 3. */
  public static native String c_Dystan_findDevicePath(int index);

  public static native void c_Dystan_destroy(long handle);

  /** The CAN ID given at creation; -1 for a USB sensor. */
  public static native int c_Dystan_getCanID(long handle);

  /** 0 = CAN, 1 = USB. */
  public static native int c_Dystan_getTransport(long handle);

  /**
   * Up to count distances (at most 64) of the newest scan; an empty array when there is none or
   * count is 0 or less. Blocks about 24 ms over CAN.
   */
  public static native Dystan.ScanData c_Dystan_getData(long handle, int count);

  /** The sensor's configuration, or null when it did not reply within the timeout. */
  public static native Dystan.Config c_Dystan_getConfig(long handle, int timeoutMs);
}
