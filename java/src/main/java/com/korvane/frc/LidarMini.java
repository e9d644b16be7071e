package com.korvane.frc;

import com.korvane.frc.jni.LidarMiniJNI;
import java.util.concurrent.locks.ReentrantReadWriteLock;

/**
 * A T-mini Plus mini LiDAR on a USB serial port (230400 baud).
 *
 * <p>While scanning, a background thread gathers each revolution; {@link #getData()} returns the
 * last complete one at once, never waiting for the device. Other calls block their caller:
 * {@link #create(int)} about 200 ms, {@link #start()} about 300 ms, the frequency commands and
 * {@link #stop()} until their two bytes have left the port (at most about a second on a port that
 * stops draining), and {@link #getInfo()} / {@link #getHealth()} up to about 2 s for each part
 * of the answer when the device does not answer. While scanning, {@code getInfo} and {@code
 * getHealth} return zeros at once: the answer would be lost in the scan stream, so stop first.
 *
 * <p>Thread-safe: {@code getData} may run while another thread starts or stops scanning; the other
 * calls run one at a time; {@link #close()} waits for calls in progress, after which every method
 * returns null or does nothing.
 */
public class LidarMini implements AutoCloseable {
  /** The device's identity. All zero when the query failed. */
  public static class LidarInfo {
    /** 0 to 255. */
    public int model;

    /** 0 to 65535. */
    public int firmwareVersion;

    /** 0 to 255. */
    public int hardwareVersion;

    /** 16 raw bytes. */
    public byte[] serialnum;

    public LidarInfo() {}

    @Override
    public String toString() {
      StringBuilder serial = new StringBuilder();
      if (serialnum != null) {
        for (byte b : serialnum) {
          serial.append(String.format("%02x", b & 0xFF));
        }
      }
      return String.format(
          "model %d, firmware %d.%d, hardware %d, serial %s",
          model, firmwareVersion >> 8, firmwareVersion & 0xFF, hardwareVersion, serial);
    }
  }

  /** The device's own health report. Both zero when the query failed. */
  public static class LidarHealth {
    /** 0 to 255. */
    public int status;

    /** 0 to 65535. */
    public int errorCode;

    public LidarHealth() {}

    @Override
    public String toString() {
      return String.format("status %d, error code 0x%04x", status, errorCode);
    }
  }

  /**
   * One complete revolution: element i of the three arrays describes the same point, in the
   * order the device measured them.
   */
  public static class ScanData {
    /** Degrees, 0 to 360. */
    public float[] angle;

    /** Metres; -1 for an invalid sample. */
    public float[] distance;

    /** 0 to 255. */
    public float[] intensity;

    /** When the revolution began, in nanoseconds of the monotonic clock; 0 when there is none. */
    public long timestamp;

    public ScanData() {}

    /** Points in the revolution. */
    public int size() {
      return angle == null ? 0 : angle.length;
    }
  }

  private final ReentrantReadWriteLock lifetime = new ReentrantReadWriteLock();
  private final Object commands = new Object();
  private long handle;

  private LidarMini(long handle) {
    this.handle = handle;
  }

  /**
   * Opens the LiDAR and tells it to stop scanning.
   *
   * @param port 3 for the second USB serial device, any other value for the first
   * @throws IllegalStateException when it cannot be opened (the reason is printed)
   */
  public static LidarMini create(int port) {
    long handle = LidarMiniJNI.c_LidarMini_create(port);
    if (handle == 0) {
      throw new IllegalStateException("LidarMini on port " + port + " could not be opened");
    }
    return new LidarMini(handle);
  }

  /** Starts scanning; refused with a printed line when already scanning. */
  public void start() {
    command(LidarMiniJNI::c_LidarMini_start);
  }

  /** Stops scanning; {@link #getData()} then has no revolution until the next start. */
  public void stop() {
    command(LidarMiniJNI::c_LidarMini_stop);
  }

  /** Raises the scan frequency by 1 Hz (coarse) or 0.1 Hz; refused past 12 Hz. */
  public void increaseFrequency(boolean coarse) {
    command(h -> LidarMiniJNI.c_LidarMini_increaseFrequency(h, coarse));
  }

  /** Lowers the scan frequency by 1 Hz (coarse) or 0.1 Hz; refused below 6 Hz. */
  public void decreaseFrequency(boolean coarse) {
    command(h -> LidarMiniJNI.c_LidarMini_decreaseFrequency(h, coarse));
  }

  /** The device's identity (zeros on failure or while scanning); null once closed. */
  public LidarInfo getInfo() {
    synchronized (commands) {
      lifetime.readLock().lock();
      try {
        return handle == 0 ? null : LidarMiniJNI.c_LidarMini_getInfo(handle);
      } finally {
        lifetime.readLock().unlock();
      }
    }
  }

  /** The device's health (zeros on failure or while scanning); null once closed. */
  public LidarHealth getHealth() {
    synchronized (commands) {
      lifetime.readLock().lock();
      try {
        return handle == 0 ? null : LidarMiniJNI.c_LidarMini_getHealth(handle);
      } finally {
        lifetime.readLock().unlock();
      }
    }
  }

  /** The last complete revolution (empty with time 0 when there is none); null once closed. */
  public ScanData getData() {
    lifetime.readLock().lock();
    try {
      return handle == 0 ? null : LidarMiniJNI.c_LidarMini_getData(handle);
    } finally {
      lifetime.readLock().unlock();
    }
  }

  /** Stops the worker (the device is not told to stop) and closes the port. */
  @Override
  public void close() {
    lifetime.writeLock().lock();
    try {
      if (handle != 0) {
        LidarMiniJNI.c_LidarMini_destroy(handle);
        handle = 0;
      }
    } finally {
      lifetime.writeLock().unlock();
    }
  }

  private interface Call {
    void run(long handle);
  }

  private void command(Call call) {
    synchronized (commands) {
      lifetime.readLock().lock();
      try {
        if (handle != 0) {
          call.run(handle);
        }
      } finally {
        lifetime.readLock().unlock();
      }
    }
  }
}
