package com.korvane.frc;

import com.korvane.frc.jni.DystanJNI;
import java.util.Arrays;
import java.util.concurrent.locks.ReentrantReadWriteLock;

/**
 * A Dystan distance sensor, on the robot's CAN bus or on a USB serial port. Each scan carries up to
 * 64 distances and an 8-bit sequence number that tells a new scan from the one before.
 *
 * <p>Blocking: over USB a reader thread keeps the newest scan, and {@link #getData(int)} returns
 * it at once. Over CAN, {@link #getData(int)} collects chunk frames for about 24 ms before it
 * returns. {@link #getConfig(int)} blocks up to its timeout (over USB, a timeout of 0 means 500
 * ms, and scans are not received meanwhile). {@link #createUsb(String, int)} blocks for the
 * sensor's opening dialogue: at least 270 ms, at most about 2.5 s.
 *
 * <p>Thread-safe: scans may be read while a configuration query waits on another thread;
 * configuration queries run one at a time; {@link #close()} waits for calls in progress, and after
 * it every method returns its failure value.
 */
public class Dystan implements AutoCloseable {
  /** Transport codes of {@link #getTransport()}. */
  public static final int CAN = 0;

  public static final int USB = 1;

  /** The most distances a scan carries. */
  public static final int MAX_DISTANCES = 64;

  /** One scan. */
  public static class ScanData {
    /** The scan's sequence number, 0 to 255, wrapping; 0 when there is no scan. */
    public int sequence;

    /** The distances, in scan order; -1 marks a position for which nothing was received. */
    public int[] distance;

    public ScanData() {}

    @Override
    public String toString() {
      return "#" + sequence + " " + Arrays.toString(distance);
    }
  }

  /** The sensor's configuration as it reports it. Over USB only distanceEnabled is known. */
  public static class Config {
    public int version;
    public boolean distanceEnabled;
    public boolean canFdEnabled;
    public boolean canBrsEnabled;

    /** The CAN ID the sensor reports (0 over USB). */
    public int canID;

    public Config() {}

    @Override
    public String toString() {
      return String.format(
          "version %d, distance %b, CAN FD %b, BRS %b, CAN ID %d",
          version, distanceEnabled, canFdEnabled, canBrsEnabled, canID);
    }
  }

  private final ReentrantReadWriteLock lifetime = new ReentrantReadWriteLock();
  private final Object queries = new Object();
  private long handle;

  private Dystan(long handle) {
    this.handle = handle;
  }

  /**
   * Opens the sensor on CAN.
   *
   * @param canId the sensor's CAN ID, 0 to 63
   * @throws IllegalStateException when it cannot be opened (the reason is printed)
   */
  public static Dystan createCan(int canId) {
    long handle = DystanJNI.c_Dystan_create(canId);
    if (handle == 0) {
      throw new IllegalStateException("Dystan at CAN ID " + canId + " could not be opened");
    }
    return new Dystan(handle);
  }

  /**
   * Opens the sensor on a USB serial device, switches it to binary scans and starts reading.
   * Blocks for the opening dialogue: at least 270 ms, at most about 2.5 s.
   *
   * @param path the device, e.g. from {@link #findDevicePath(int)}
   * @param odr output rate (scans a second), sent to the sensor when above 0
   * @throws IllegalStateException when it cannot be opened (the reason is printed)
   */
  public static Dystan createUsb(String path, int odr) {
    long handle = DystanJNI.c_Dystan_createUsb(path, odr);
    if (handle == 0) {
      throw new IllegalStateException("Dystan on " + path + " could not be opened");
    }
    return new Dystan(handle);
  }

  /** The first USB serial device in /dev, or the second for index 3, or a default path. */
  public static String findDevicePath(int index) {
    return DystanJNI.c_Dystan_findDevicePath(index);
  }

  /** True until {@link #close()}. */
  public boolean isOpen() {
    lifetime.readLock().lock();
    try {
      return handle != 0;
    } finally {
      lifetime.readLock().unlock();
    }
  }

  /** The CAN ID given at creation; -1 on USB or once closed. */
  public int getCanId() {
    lifetime.readLock().lock();
    try {
      return handle == 0 ? -1 : DystanJNI.c_Dystan_getCanID(handle);
    } finally {
      lifetime.readLock().unlock();
    }
  }

  /** {@link #CAN} or {@link #USB}; -1 once closed. */
  public int getTransport() {
    lifetime.readLock().lock();
    try {
      return handle == 0 ? -1 : DystanJNI.c_Dystan_getTransport(handle);
    } finally {
      lifetime.readLock().unlock();
    }
  }

  /**
   * Up to count distances of the newest scan (count above 64 means 64). With no scan, or count 0
   * or less, the sequence is 0 and the array empty. Over USB it returns at once; over CAN it blocks
   * about 24 ms while it collects the scan's frames.
   *
   * @return the scan, or null once closed
   */
  public ScanData getData(int count) {
    lifetime.readLock().lock();
    try {
      return handle == 0 ? null : DystanJNI.c_Dystan_getData(handle, count);
    } finally {
      lifetime.readLock().unlock();
    }
  }

  /**
   * Asks the sensor for its configuration and blocks until it replies or the timeout passes (over
   * USB a timeout of 0 means 500 ms).
   *
   * @return the configuration, or null without a reply (or once closed)
   */
  public Config getConfig(int timeoutMs) {
    synchronized (queries) {
      lifetime.readLock().lock();
      try {
        return handle == 0 ? null : DystanJNI.c_Dystan_getConfig(handle, timeoutMs);
      } finally {
        lifetime.readLock().unlock();
      }
    }
  }

  /** Stops the reader, closes the port or CAN session; later calls return failure values. */
  @Override
  public void close() {
    lifetime.writeLock().lock();
    try {
      if (handle != 0) {
        DystanJNI.c_Dystan_destroy(handle);
        handle = 0;
      }
    } finally {
      lifetime.writeLock().unlock();
    }
  }
}
