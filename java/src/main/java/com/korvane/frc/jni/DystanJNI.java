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

  /**
   * A sensor on CAN at CAN ID 0..63: opens a CAN stream session for its frames. Returns at once.
   *
   * @param canId the sensor's CAN ID, 0 to 63
   * @return the handle, or 0 when the CAN ID is out of range or the session cannot be opened (the
   *     reason is printed)
   */
  public static native long c_Dystan_create(int canId);

  /**
   * {@link #c_Dystan_create} on a chosen CAN bus. WPILib 2026's robot controller has bus 0 only;
   * Systemcore (WPILib 2027) has buses 0 to 4. A bus the robot does not have is refused with a
   * "[Dystan] CAN bus ..." line. Returns at once.
   *
   * @param bus the CAN bus, from 0
   * @param canId the sensor's CAN ID, 0 to 63
   * @return the handle, or 0 when the bus or the CAN ID is out of range or the session cannot be
   *     opened (the reason is printed)
   */
  public static native long c_Dystan_createOnBus(int bus, int canId);

  /**
   * A sensor on the USB serial device at path (115200 baud), switched to binary scans; an output
   * rate above 0 is sent to it. Blocks for the opening dialogue (at least 270 ms, at most about
   * 2.5 s), then starts the reader thread.
   *
   * @param path the serial device, e.g. "/dev/ttyACM0"
   * @param odr output rate in scans a second, sent when above 0
   * @return the handle, or 0 when path is null, the port cannot be opened or the reader thread
   *     cannot start (the reason is printed)
   */
  public static native long c_Dystan_createUsb(String path, int odr);

  /**
   * A USB serial device path from /dev: the first ttyACM* or ttyUSB* entry in byte-wise order, or
   * the second for index 3. Returns at once.
   *
   * @param index 3 for the second device, any other value for the first
   * @return the path; "/dev/ttyACM0" ("/dev/ttyACM1" for index 3) when there is none; null only
   *     when the string cannot be made
   */
  public static native String c_Dystan_findDevicePath(int index);

  /**
   * Stops the reader and closes the port or the CAN session, then forgets the handle. Waits for
   * the calls in flight on the handle and for the reader thread; 0 or a stale handle is ignored.
   *
   * @param handle the sensor's handle
   */
  public static native void c_Dystan_destroy(long handle);

  /**
   * The CAN ID given at creation. Returns at once.
   *
   * @param handle the sensor's handle
   * @return 0 to 63; -1 for a USB sensor or an unknown handle
   */
  public static native int c_Dystan_getCanID(long handle);

  /**
   * How the sensor is connected. Returns at once.
   *
   * @param handle the sensor's handle
   * @return 0 = CAN, 1 = USB; -1 for an unknown handle
   */
  public static native int c_Dystan_getTransport(long handle);

  /**
   * Up to count distances (at most 64) of the newest scan, in millimetres; -1 marks a position
   * nothing was received for. Over CAN blocks about 24 ms while it collects the scan's chunk
   * frames; over USB copies the reader's newest scan and returns at once.
   *
   * @param handle the sensor's handle
   * @param count how many distances are wanted; 0 or less gives an empty scan without traffic
   * @return the scan, with sequence 0 and an empty array when there is none; null for an unknown
   *     handle
   */
  public static native Dystan.ScanData c_Dystan_getData(long handle, int count);

  /**
   * Up to count distances (at most 64) of the newest scan, without waiting. Over CAN it reads the
   * chunk frames the stream session holds into a table kept between calls and returns the newest
   * complete scan by arrival (so scan 0 after scan 255 is the newer one); a scan missing a chunk
   * only when no complete one is among the last few, and a scan still arriving only once complete.
   * While the sensor streams without losses the scan is therefore at most one scan period old
   * plus its frames' transit (50 ms at 20 scans a second); when it falls silent, the last scan
   * stays, its sequence number unchanged. Over USB the same as {@link #c_Dystan_getData}.
   *
   * @param handle the sensor's handle
   * @param count how many distances are wanted; 0 or less gives an empty scan without traffic
   * @return the scan, with sequence 0 and an empty array when there is none yet; null for an
   *     unknown handle
   */
  public static native Dystan.ScanData c_Dystan_getLatestData(long handle, int count);

  /**
   * The scan {@link #c_Dystan_getLatestData} gives, into the caller's array: looks nothing up by
   * name and allocates nothing. Returns at once.
   *
   * @param handle the sensor's handle
   * @param count how many distances are wanted (at most 64); 0 or less gives an empty scan
   *     without traffic
   * @param distance at least min(count, 64) elements; elements 0 to n - 1 receive the n distances
   *     of the scan, the others are left as they were
   * @param ageMs at least 1 element; element 0 receives the scan's age: milliseconds since its
   *     newest data arrived, counted as {@link #c_Dystan_getDataAgeMs} counts the sensor's newest
   *     data (-1 when there is no scan)
   * @return the scan's sequence number times 65536 plus n (0 when there is no scan yet); -1, with
   *     nothing written, for an unknown handle or an array that is null or too short
   */
  public static native int c_Dystan_readLatestData(
      long handle, int count, int[] distance, long[] ageMs);

  /**
   * Asks the sensor for its configuration and blocks until it replies or the timeout passes.
   * Over USB the reader is paused meanwhile, only distanceEnabled is known, and a timeout of 0
   * means 500 ms; over CAN a timeout of 0 means a single look for the reply.
   *
   * @param handle the sensor's handle
   * @param timeoutMs how long to wait for the reply, in milliseconds; negative means 0
   * @return the configuration, or null when the sensor did not reply in time or the handle is
   *     unknown
   */
  public static native Dystan.Config c_Dystan_getConfig(long handle, int timeoutMs);

  /**
   * Whether the sensor is heard from: its data arrived within three scan periods at the output rate
   * given over USB (at least 100 ms; 500 ms over CAN or without a rate), and over USB its port has
   * not hung up. Over CAN it first receives the newest chunk frame (the scans' stream session keeps
   * every frame). Never waits.
   *
   * @param handle the sensor's handle
   * @return false for a zero handle, before the first data and after that long without
   */
  public static native boolean c_Dystan_isConnected(long handle);

  /**
   * Milliseconds since the sensor's newest data arrived. Never waits.
   *
   * @param handle the sensor's handle
   * @return the age, or -1 before any data and for a zero handle
   */
  public static native long c_Dystan_getDataAgeMs(long handle);

  /**
   * The sensor's health: heard from or not, the age of its newest data, and its failed sends,
   * receives and opens since it was opened. Never waits.
   *
   * @param handle the sensor's handle
   * @return the record, or null for a zero handle or when the VM is out of memory
   */
  public static native com.korvane.frc.DeviceFaults c_Dystan_getFaults(long handle);
}
