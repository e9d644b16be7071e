package com.korvane.frc;

import com.korvane.frc.jni.KromelJNI;
import java.util.OptionalLong;
import java.util.concurrent.locks.ReentrantReadWriteLock;

/**
 * A Kromel colour sensor, on the robot's CAN bus or on a USB serial port.
 *
 * <p>Readings are polled: {@link #getColor()} returns the newest one at once, never blocking.
 * Commands block their caller: over CAN until the sensor acknowledges (at most about half a
 * second), over USB until the command line has left the port.
 *
 * <p>Thread-safe: readings may be taken while a command waits on another thread; commands run one
 * at a time; {@link #close()} waits for calls in progress, and after it every method returns its
 * failure value.
 */
public class Kromel implements AutoCloseable {
  /** Transport codes of {@link #getTransport()}. */
  public static final int CAN = 0;

  public static final int USB = 1;

  /** Colour formats of {@link #setColorFormat(int)}. */
  public static final int FORMAT_RGB = 0;

  public static final int FORMAT_RAW = 1;
  public static final int FORMAT_SRGB = 2;
  public static final int FORMAT_HEX = 3;
  public static final int FORMAT_XYZ = 4;

  /** One colour reading. */
  public static class ColorData {
    /** Counts readings, 0 to 65535, wrapping. */
    public int sequence;

    public float x;
    public float y;
    public float z;

    public ColorData() {}

    @Override
    public String toString() {
      return String.format("#%d (%.4f, %.4f, %.4f)", sequence, x, y, z);
    }
  }

  private final ReentrantReadWriteLock lifetime = new ReentrantReadWriteLock();
  private final Object commands = new Object();
  private long handle;

  private Kromel(long handle) {
    this.handle = handle;
  }

  /**
   * Opens the sensor on CAN.
   *
   * @param canId the sensor's CAN ID, 0 to 63
   * @throws IllegalStateException when it cannot be opened (the reason is printed)
   */
  public static Kromel createCan(int canId) {
    long handle = KromelJNI.c_Kromel_create(canId);
    if (handle == 0) {
      throw new IllegalStateException("Kromel at CAN ID " + canId + " could not be opened");
    }
    return new Kromel(handle);
  }

  /**
   * Opens the sensor on a USB serial device, sets it to the XYZ format and starts reading.
   *
   * @param path the device, e.g. from {@link #findDevicePath(int)}
   * @param sampleTimeMs sent to the sensor when above 0
   * @throws IllegalStateException when it cannot be opened (the reason is printed)
   */
  public static Kromel createUsb(String path, int sampleTimeMs) {
    long handle = KromelJNI.c_Kromel_createUsb(path, sampleTimeMs);
    if (handle == 0) {
      throw new IllegalStateException("Kromel on " + path + " could not be opened");
    }
    return new Kromel(handle);
  }

  /** The first USB serial device in /dev, or the second for index 3, or a default path. */
  public static String findDevicePath(int index) {
    return KromelJNI.c_Kromel_findDevicePath(index);
  }

  /** True until {@link #close()}. */
  public boolean isOpen() {
    return withHandle(h -> 1L, 0L) == 1L;
  }

  /** The CAN ID given at creation; -1 on USB or once closed. */
  public int getCanId() {
    return (int) withHandle(h -> KromelJNI.c_Kromel_getCanID(h), -1L);
  }

  /** {@link #CAN} or {@link #USB}; -1 once closed. */
  public int getTransport() {
    return (int) withHandle(h -> KromelJNI.c_Kromel_getTransport(h), -1L);
  }

  /** The newest reading, or null when there is none yet (or the sensor is closed). */
  public ColorData getColor() {
    lifetime.readLock().lock();
    try {
      return handle == 0 ? null : KromelJNI.c_Kromel_getColor(handle);
    } finally {
      lifetime.readLock().unlock();
    }
  }

  /** One of the FORMAT_ constants; false for any other value. Over USB, only XYZ gives readings. */
  public boolean setColorFormat(int format) {
    return command(h -> KromelJNI.c_Kromel_setColorFormat(h, format));
  }

  /** Clamped to 0..65535 ms. */
  public boolean setSampleTimeMs(int ms) {
    return command(h -> KromelJNI.c_Kromel_setSampleTimeMs(h, ms));
  }

  /** 0..100 (clamped). CAN only. */
  public boolean setBrightness(int brightness) {
    return command(h -> KromelJNI.c_Kromel_setBrightness(h, brightness));
  }

  /** Level 0..100 (clamped). CAN only. */
  public boolean setStatusLed(boolean on, int level) {
    return command(h -> KromelJNI.c_Kromel_setStatusLed(h, on, level));
  }

  /** Mode 0, 1 or 2 (which uses the value). CAN only. */
  public boolean setMeasureMode(int mode, float value) {
    return command(h -> KromelJNI.c_Kromel_setMeasureMode(h, mode, value));
  }

  /** CAN only. */
  public boolean setZmm(float zmm) {
    return command(h -> KromelJNI.c_Kromel_setZmm(h, zmm));
  }

  /** CAN only. */
  public boolean setUsbOverride(boolean enable) {
    return command(h -> KromelJNI.c_Kromel_setUsbOverride(h, enable));
  }

  /** Tells the sensor a new CAN ID (takes effect in the sensor; {@link #getCanId()} keeps the old). */
  public boolean setCanId(int canId) {
    return command(h -> KromelJNI.c_Kromel_setCanId(h, canId));
  }

  /** The sensor's configuration value for the key (0 to 2^32-1), empty on failure. CAN only. */
  public OptionalLong getConfig(int key) {
    long[] out = new long[1];
    return command(h -> KromelJNI.c_Kromel_getConfig(h, key, out))
        ? OptionalLong.of(out[0])
        : OptionalLong.empty();
  }

  /** Stops the reader, closes the port or CAN session; later calls return failure values. */
  @Override
  public void close() {
    lifetime.writeLock().lock();
    try {
      if (handle != 0) {
        KromelJNI.c_Kromel_destroy(handle);
        handle = 0;
      }
    } finally {
      lifetime.writeLock().unlock();
    }
  }

  private interface Call {
    boolean run(long handle);
  }

  private interface Query {
    long run(long handle);
  }

  private boolean command(Call call) {
    synchronized (commands) {
      lifetime.readLock().lock();
      try {
        return handle != 0 && call.run(handle);
      } finally {
        lifetime.readLock().unlock();
      }
    }
  }

  private long withHandle(Query query, long closed) {
    lifetime.readLock().lock();
    try {
      return handle == 0 ? closed : query.run(handle);
    } finally {
      lifetime.readLock().unlock();
    }
  }
}
