package com.korvane.frc;

import com.korvane.frc.jni.DystanJNI;
import java.util.Arrays;
import java.util.concurrent.CompletableFuture;

/**
 * A Dystan distance sensor, on the robot's CAN bus or on a USB serial port. Each scan carries up to
 * 64 distances and an 8-bit sequence number that tells a new scan from the one before.
 *
 * <p>Blocking: {@link #getData(int)} returns the newest scan at once. Over USB a reader thread
 * keeps it; over CAN the chunk frames the CAN session buffered since the last call are added to
 * the scans kept between calls. {@link #getConfig(int)} blocks up to its timeout (over USB, a
 * timeout of 0 means 500 ms, and scans are not received meanwhile). Both have {@code ...Async}
 * forms that return at once and run on the library's executor, one at a time per sensor in the
 * order they were made. A blocking call does not wait for asynchronous calls queued before it.
 * Opening over USB blocks for the sensor's opening dialogue: at least 270 ms, at most about 2.5 s;
 * {@link #close()} blocks until the reader thread has stopped.
 *
 * <p>Thread-safe: scans may be read while a configuration query waits on another thread;
 * configuration queries run one at a time; {@link #close()} may be called from any thread, more
 * than once; it waits for the queries in progress (a scan read racing it returns what it returns
 * once closed), and after it every method returns its failure value.
 */
public class Dystan implements AutoCloseable {
  private static final String NAME = "Dystan";

  /** The highest CAN ID. */
  public static final int MAX_CAN_ID = 63;

  /** The most distances a scan carries. */
  public static final int MAX_DISTANCES = 64;

  /** One scan. */
  public static class ScanData {
    /** The scan's sequence number, 0 to 255, wrapping; 0 when there is no scan. */
    public int sequence;

    /**
     * The distances in millimetres, in scan order; -1 marks a position for which nothing was
     * received. Only the first {@link #size()} elements belong to the scan: a {@code ScanData}
     * filled again and again by {@link Dystan#getData(int, ScanData)} keeps an array of 64.
     */
    public int[] distance;

    /**
     * How many elements of {@link #distance} belong to the scan, 0 to 64; -1 (as a new object
     * has it) means all of them.
     */
    public int count = -1;

    /**
     * Milliseconds between the arrival of this scan's newest data and the moment it was read,
     * counted as {@link Dystan#getDataAgeMs()} counts the sensor's newest data (so the two agree
     * while this is the newest scan); -1 when there is no scan, or until the scan is filled by
     * {@link Dystan#getData(int, ScanData)} or {@link Dystan#getData(int)}.
     */
    public long ageMs = -1;

    // Where the driver puts the age on its way into ageMs.
    final long[] age = new long[1];

    /** An empty scan, filled by the driver. */
    public ScanData() {}

    /**
     * The number of distances in the scan.
     *
     * @return {@link #count}, or the length of {@link #distance} when count is -1 (0 without an
     *     array)
     */
    public int size() {
      if (count >= 0) {
        return count;
      }
      return distance == null ? 0 : distance.length;
    }

    @Override
    public String toString() {
      return "#" + sequence + " " + Arrays.toString(Arrays.copyOf(distance, size()));
    }
  }

  /** The sensor's configuration as it reports it. Over USB only distanceEnabled is known. */
  public static class Config {
    /** The configuration's version number. */
    public int version;

    /** Whether the sensor sends distances. */
    public boolean distanceEnabled;

    /** Whether CAN FD is on. */
    public boolean canFdEnabled;

    /** Whether CAN FD bit-rate switching is on. */
    public boolean canBrsEnabled;

    /** The CAN ID the sensor reports (0 over USB). */
    public int canID;

    /** An empty configuration, filled by the driver. */
    public Config() {}

    @Override
    public String toString() {
      return String.format(
          "version %d, distance %b, CAN FD %b, BRS %b, CAN ID %d",
          version, distanceEnabled, canFdEnabled, canBrsEnabled, canID);
    }
  }

  private final DeviceGuard guard;

  /**
   * Opens the sensor on CAN bus 0. Returns at once.
   *
   * @param canId the sensor's CAN ID, 0 to 63
   * @throws DeviceOpenException when the CAN ID is out of range or the CAN session cannot be
   *     opened
   */
  public Dystan(int canId) {
    this(0, canId);
  }

  /**
   * Opens the sensor on a CAN bus of the robot controller. Returns at once. WPILib 2026's robot
   * controller (the roboRIO) has bus 0 only; Systemcore has buses 0 to 4.
   *
   * @param bus the CAN bus, from 0
   * @param canId the sensor's CAN ID, 0 to 63
   * @throws DeviceOpenException when the CAN ID is out of range, the robot has no such bus (a line
   *     on standard output says which it has) or the CAN session cannot be opened
   */
  public Dystan(int bus, int canId) {
    String attempt = (bus == 0 ? "" : "on CAN bus " + bus + " ") + "at CAN ID " + canId;
    DeviceOpenException.checkNative(NAME, attempt);
    DeviceOpenException.checkBus(NAME, attempt, bus);
    DeviceOpenException.checkRange(NAME, attempt, "CAN ID", canId, 0, MAX_CAN_ID);
    DeviceGuard opened =
        DeviceGuard.open(
            () ->
                bus == 0
                    ? DystanJNI.c_Dystan_create(canId)
                    : DystanJNI.c_Dystan_createOnBus(bus, canId));
    if (opened == null) {
      throw DeviceOpenException.refused(NAME, attempt, "opening the CAN session");
    }
    guard = opened;
  }

  /**
   * Opens the sensor on a USB serial device, switches it to binary scans and starts reading.
   * Blocks for the opening dialogue: at least 270 ms, at most about 2.5 s.
   *
   * @param path the device, e.g. from {@link #findDevicePath(SerialPort)}
   * @param odr output rate in scans a second, sent to the sensor when above 0
   * @throws DeviceOpenException when the device is missing, cannot be opened or fails the
   *     opening dialogue
   */
  public Dystan(String path, int odr) {
    String attempt = "on " + path;
    DeviceOpenException.checkNative(NAME, attempt);
    DeviceOpenException.checkPath(NAME, attempt, path);
    DeviceGuard opened = DeviceGuard.open(() -> DystanJNI.c_Dystan_createUsb(path, odr));
    if (opened == null) {
      throw DeviceOpenException.refused(NAME, attempt, "opening the port or its dialogue");
    }
    guard = opened;
  }

  /**
   * Opens the sensor on a USB serial device as {@link #Dystan(String, int)} does, on a library
   * thread. Returns at once.
   *
   * @param path the device, e.g. from {@link #findDevicePath(SerialPort)}
   * @param odr output rate in scans a second, sent to the sensor when above 0
   * @return completes with the open sensor, which the caller closes, or exceptionally with a
   *     {@link DeviceOpenException}
   * @throws DeviceOpenException at once when the native driver library cannot be loaded
   */
  public static CompletableFuture<Dystan> openUsbAsync(String path, int odr) {
    DeviceOpenException.checkNative(NAME, "on " + path);
    return LibraryExecutor.open(() -> new Dystan(path, odr));
  }

  /**
   * Picks a USB serial device in /dev (a COM port on Windows). Returns at once.
   *
   * @param port {@link SerialPort#USB2} for the second device found, any other for the first
   * @return the device's path, or a default path when there is none
   * @throws DeviceOpenException when the native driver library cannot be loaded
   */
  public static String findDevicePath(SerialPort port) {
    DeviceOpenException.checkNative(NAME, "finding a USB serial device");
    return DystanJNI.c_Dystan_findDevicePath(port.value());
  }

  /**
   * Whether the sensor is open. Returns at once.
   *
   * @return true until {@link #close()}
   */
  public boolean isOpen() {
    return guard.isOpen();
  }

  /**
   * The CAN ID given at opening. Returns at once.
   *
   * @return 0 to 63; -1 on USB or once closed
   */
  public int getCanId() {
    return guard.call(DystanJNI::c_Dystan_getCanID, -1);
  }

  /**
   * How the sensor is connected. Returns at once.
   *
   * @return the transport, or null once closed
   */
  public Transport getTransport() {
    return guard.call(h -> Transport.fromValue(DystanJNI.c_Dystan_getTransport(h)), null);
  }

  /**
   * Up to count distances of the newest scan. Returns at once, without waiting for the sensor.
   *
   * <p>Over CAN it is the newest complete scan received, newest by arrival (scan 0 after scan 255
   * is newer); a scan missing a chunk only when no complete one came among the last few, and a
   * scan still arriving only once complete. While the sensor streams it is at most one scan
   * period old plus its frames' transit (50 ms at 20 scans a second). Over USB it is the newest
   * scan the reader thread received. When the sensor falls silent the last scan stays; an
   * unchanged {@link ScanData#sequence} tells that no newer one came.
   *
   * <p>Allocates a new {@link ScanData}, whose array holds exactly its distances; {@link
   * #getData(int, ScanData)} fills one the caller keeps.
   *
   * @param count how many distances, at most 64 (more means 64); 0 or less gives an empty scan
   * @return the scan (sequence 0 and no distances when there is none yet), or null once closed
   */
  public ScanData getData(int count) {
    ScanData scan = new ScanData();
    scan.distance = new int[Math.max(0, Math.min(count, MAX_DISTANCES))];
    if (getData(count, scan) == null) {
      return null;
    }
    if (scan.count < scan.distance.length) {
      scan.distance = Arrays.copyOf(scan.distance, scan.count);
    }
    return scan;
  }

  /**
   * Fills the caller's {@link ScanData} with up to count distances of the newest scan, as {@link
   * #getData(int)} gives them, allocating nothing: its array is reused when it has room for the
   * distances asked for (otherwise it is replaced, once, by an array of 64), and {@link
   * ScanData#count} says how many of its elements belong to the scan. A robot loop that keeps one {@code
   * ScanData} and passes it every time reads the sensor without allocating. Returns at once.
   *
   * @param count how many distances, at most 64 (more means 64); 0 or less gives an empty scan
   * @param into the object to fill
   * @return {@code into}, filled (sequence 0 and count 0 when there is no scan yet); null once
   *     closed (then {@code into} is left as it was)
   */
  public ScanData getData(int count, ScanData into) {
    long handle = guard.readingHandle();
    if (handle == 0) {
      return null;
    }
    int wanted = Math.max(0, Math.min(count, MAX_DISTANCES));
    if (into.distance == null || into.distance.length < wanted) {
      into.distance = new int[MAX_DISTANCES];
    }
    int result = DystanJNI.c_Dystan_readLatestData(handle, count, into.distance, into.age);
    if (result < 0 || !guard.stillOpen(handle)) {
      return null;
    }
    into.sequence = result >>> 16;
    into.count = result & 0xFFFF;
    into.ageMs = into.age[0];
    return into;
  }

  /**
   * {@link #getData} on the library's executor, in order with this sensor's other asynchronous
   * calls. Returns at once.
   *
   * @param count how many distances, at most 64
   * @return completes with {@link #getData}'s result
   */
  public CompletableFuture<ScanData> getDataAsync(int count) {
    return guard.async(() -> getData(count), null);
  }

  /**
   * Whether the sensor is heard from: its data arrived within three scan periods at the output rate
   * given over USB (at least 100 ms), or within 500 ms over CAN or without a rate. False before its
   * first data, after that long without, after its USB port hung up (unplugged), and once closed;
   * true again as soon as data comes. Its readings keep their last values meanwhile, so check this
   * where a stale one matters. Returns at once.
   *
   * <p>Each change is also reported once to the driver station's log ("Dystan[...]: ..."). Over USB
   * a hang-up is final: close this object and open a new one when the sensor is back.
   *
   * @return true while its data keeps coming
   */
  public boolean isConnected() {
    long h = guard.readingHandle();
    boolean connected = h != 0 && DystanJNI.c_Dystan_isConnected(h);
    return connected && guard.stillOpen(h);
  }

  /**
   * Milliseconds since the sensor's newest data arrived. Returns at once.
   *
   * @return the age, or -1 before any data and once closed
   */
  public long getDataAgeMs() {
    long h = guard.readingHandle();
    long age = h == 0 ? -1 : DystanJNI.c_Dystan_getDataAgeMs(h);
    return guard.stillOpen(h) ? age : -1;
  }

  /**
   * The sensor's health in one record: {@link #isConnected()}, {@link #getDataAgeMs()}, and the
   * failed sends, receives and port openings since it was opened. Returns at once.
   *
   * @return the record, or null once closed
   */
  public DeviceFaults getFaults() {
    return guard.call(DystanJNI::c_Dystan_getFaults, null);
  }

  /**
   * Asks the sensor for its configuration and blocks until it replies or the timeout passes.
   *
   * @param timeoutMs milliseconds to wait; negative means 0, and over USB 0 means 500
   * @return the configuration, or null without a reply (or once closed)
   */
  public Config getConfig(int timeoutMs) {
    return guard.call(h -> DystanJNI.c_Dystan_getConfig(h, timeoutMs), null);
  }

  /**
   * {@link #getConfig} on the library's executor. Returns at once.
   *
   * @param timeoutMs milliseconds to wait; negative means 0, and over USB 0 means 500
   * @return completes with {@link #getConfig}'s result
   */
  public CompletableFuture<Config> getConfigAsync(int timeoutMs) {
    return guard.async(() -> getConfig(timeoutMs), null);
  }

  /**
   * Stops the reader and closes the port or CAN session; later calls return failure values.
   * Blocks until calls in progress have finished and the reader has stopped. Safe to call again.
   */
  @Override
  public void close() {
    guard.close(DystanJNI::c_Dystan_destroy);
  }
}
