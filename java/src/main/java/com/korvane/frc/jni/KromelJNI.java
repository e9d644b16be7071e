package com.korvane.frc.jni;

import com.korvane.frc.Kromel;

/**
 * Native operations of the Kromel colour sensor, over CAN or USB serial. The handle is returned by
 * {@link #c_Kromel_create} or {@link #c_Kromel_createUsb}; 0 means that creation failed, and every
 * operation given 0 (or a destroyed handle) returns its failure value: -1, false or null.
 *
 * <p>Destroy must not run at the same time as any other call on the same handle, and commands
 * (the setters and {@code getConfig}) must be issued one at a time per sensor; {@link Kromel}
 * takes care of both.
 */
public final class KromelJNI {
  static {
    KorvaneDriverLibrary.load();
  }

  private KromelJNI() {}

  /** A sensor on CAN at CAN ID 0..63. */
  public static native long c_Kromel_create(int canId);

  /** A sensor on the USB serial device at path; a sample time above 0 is sent to it. */
  public static native long c_Kromel_createUsb(String path, int sampleTimeMs);

  /** A USB serial device path: the first one, or the second for index 3. */
  public static native String c_Kromel_findDevicePath(int index);

  public static native void c_Kromel_destroy(long handle);

  /** The CAN ID given at creation; -1 for a USB sensor. */
  public static native int c_Kromel_getCanID(long handle);

  /** 0 = CAN, 1 = USB. */
  public static native int c_Kromel_getTransport(long handle);

  /** The newest reading, or null when there is none. */
  public static native Kromel.ColorData c_Kromel_getColor(long handle);

  /** 0 RGB, 1 RAW, 2 SRGB, 3 HEX, 4 XYZ; both transports. */
  public static native boolean c_Kromel_setColorFormat(long handle, int format);

  /** Clamped to 0..65535; both transports. */
  public static native boolean c_Kromel_setSampleTimeMs(long handle, int ms);

  /** Clamped to 0..100; CAN only. */
  public static native boolean c_Kromel_setBrightness(long handle, int brightness);

  /** Level clamped to 0..100; CAN only. */
  public static native boolean c_Kromel_setStatusLed(long handle, boolean on, int level);

  /** Modes 0, 1 and 2 (which takes the value); CAN only. */
  public static native boolean c_Kromel_setMeasureMode(long handle, int mode, float value);

  /** CAN only. */
  public static native boolean c_Kromel_setZmm(long handle, float zmm);

  /** CAN only. */
  public static native boolean c_Kromel_setUsbOverride(long handle, boolean enable);

  /** Tells the sensor a new CAN ID; CAN only. */
  public static native boolean c_Kromel_setCanId(long handle, int canId);

  /** Asks for a configuration value; on success stores it (0..2^32-1) in out[0]. CAN only. */
  public static native boolean c_Kromel_getConfig(long handle, int key, long[] out);
}
