package com.korvane.frc;

import com.korvane.frc.jni.LidarMiniJNI;
import java.util.Arrays;
import java.util.concurrent.CompletableFuture;
import java.util.function.LongConsumer;

/**
 * A T-mini Plus mini LiDAR on a USB serial port (230400 baud).
 *
 * <p>While scanning, a background thread gathers each revolution; {@link #getData()} returns the
 * last complete one at once, never waiting for the device. Other calls block their caller: opening
 * about 200 ms, {@link #start()} about 300 ms, the frequency commands and {@link #stop()} until
 * their two bytes have left the port (at most about a second on a port that stops draining), and
 * {@link #getInfo()} / {@link #getHealth()} up to about 2 s for each part of the answer (header,
 * then payload) when the device does not answer. While scanning, {@code getInfo} and {@code
 * getHealth} return zeros at once: the answer would be lost in the scan stream, so stop first. Each
 * of these has an {@code ...Async} form that returns at once and runs on the library's executor,
 * one at a time per LiDAR in the order they were made. A blocking call does not wait for
 * asynchronous calls queued before it.
 *
 * <p>Thread-safe: {@code getData} may run while another thread starts or stops scanning; the other
 * calls run one at a time; {@link #close()} may be called from any thread, more than once; it
 * waits for the other calls in progress (a {@code getData} racing it returns null), after which
 * every method returns null or does nothing.
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

    /** An empty identity, filled by the driver. */
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

    /** An empty report, filled by the driver. */
    public LidarHealth() {}

    @Override
    public String toString() {
      return String.format("status %d, error code 0x%04x", status, errorCode);
    }
  }

  /**
   * One complete revolution: element i of the three arrays describes the same point, in the
   * order the device measured them. Only the first {@link #size()} elements belong to the
   * revolution: a {@code ScanData} filled again and again by {@link LidarMini#getData(ScanData)}
   * keeps arrays that may be longer.
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

    /**
     * How many elements of the arrays belong to the revolution; -1 (as a new object has it) means
     * all of them.
     */
    public int count = -1;

    /**
     * Milliseconds between the arrival of the revolution's last packet and the moment it was read,
     * counted as {@link LidarMini#getDataAgeMs()} counts the newest bytes; -1 when there is none.
     */
    public long ageMs = -1;

    // Where the driver puts the time and the age on their way into timestamp and ageMs.
    final long[] time = new long[1];
    final long[] age = new long[1];

    /** An empty revolution, filled by the driver. */
    public ScanData() {}

    /**
     * Points in the revolution.
     *
     * @return {@link #count}, or the arrays' length when count is -1; 0 when there is none
     */
    public int size() {
      if (count >= 0) {
        return count;
      }
      return angle == null ? 0 : angle.length;
    }
  }

  private final DeviceGuard guard;

  /**
   * Opens the LiDAR and tells it to stop scanning. Blocks about 200 ms.
   *
   * @param port {@link SerialPort#USB2} for the second USB serial device, any other for the first
   * @throws DeviceOpenException when the device cannot be opened
   */
  public LidarMini(SerialPort port) {
    String which = port == SerialPort.USB2 ? "second" : "first";
    DeviceOpenException.checkNative("LidarMini", "on port " + port);
    DeviceGuard opened = DeviceGuard.open(() -> LidarMiniJNI.c_LidarMini_create(port.value()));
    if (opened == null) {
      throw DeviceOpenException.refused(
          "LidarMini", "on port " + port, "opening the " + which + " USB serial device");
    }
    guard = opened;
  }

  /**
   * Opens the LiDAR as {@link #LidarMini(SerialPort)} does, on a library thread. Returns at once.
   *
   * @param port {@link SerialPort#USB2} for the second USB serial device, any other for the first
   * @return completes with the open LiDAR, which the caller closes, or exceptionally with a
   *     {@link DeviceOpenException}
   * @throws DeviceOpenException at once when the native driver library cannot be loaded
   */
  public static CompletableFuture<LidarMini> openAsync(SerialPort port) {
    DeviceOpenException.checkNative("LidarMini", "on port " + port);
    return LibraryExecutor.open(() -> new LidarMini(port));
  }

  /**
   * Whether the LiDAR is open. Returns at once.
   *
   * @return true until {@link #close()}
   */
  public boolean isOpen() {
    return guard.isOpen();
  }

  /**
   * Starts scanning; refused with a printed line when already scanning. Blocks about 300 ms while
   * it checks that bytes arrive.
   */
  public void start() {
    command(LidarMiniJNI::c_LidarMini_start);
  }

  /**
   * {@link #start()} on the library's executor, in order with this LiDAR's other asynchronous
   * calls. Returns at once.
   *
   * @return completes when {@link #start()} has returned
   */
  public CompletableFuture<Void> startAsync() {
    return guard.async(() -> command(LidarMiniJNI::c_LidarMini_start), null);
  }

  /**
   * Stops scanning; {@link #getData()} then has no revolution until the next start. Blocks until
   * the command has left the port (at most about 1 s) and the worker has stopped.
   */
  public void stop() {
    command(LidarMiniJNI::c_LidarMini_stop);
  }

  /**
   * {@link #stop()} on the library's executor. Returns at once.
   *
   * @return completes when {@link #stop()} has returned
   */
  public CompletableFuture<Void> stopAsync() {
    return guard.async(() -> command(LidarMiniJNI::c_LidarMini_stop), null);
  }

  /**
   * Raises the scan frequency; refused past 12 Hz. Blocks until the command has left the port, at
   * most about 1 s.
   *
   * @param coarse true for a step of 1 Hz, false for 0.1 Hz
   */
  public void increaseFrequency(boolean coarse) {
    command(h -> LidarMiniJNI.c_LidarMini_increaseFrequency(h, coarse));
  }

  /**
   * {@link #increaseFrequency} on the library's executor. Returns at once.
   *
   * @param coarse true for a step of 1 Hz, false for 0.1 Hz
   * @return completes when {@link #increaseFrequency} has returned
   */
  public CompletableFuture<Void> increaseFrequencyAsync(boolean coarse) {
    return guard.async(
        () -> command(h -> LidarMiniJNI.c_LidarMini_increaseFrequency(h, coarse)), null);
  }

  /**
   * Lowers the scan frequency; refused below 6 Hz. Blocks until the command has left the port, at
   * most about 1 s.
   *
   * @param coarse true for a step of 1 Hz, false for 0.1 Hz
   */
  public void decreaseFrequency(boolean coarse) {
    command(h -> LidarMiniJNI.c_LidarMini_decreaseFrequency(h, coarse));
  }

  /**
   * {@link #decreaseFrequency} on the library's executor. Returns at once.
   *
   * @param coarse true for a step of 1 Hz, false for 0.1 Hz
   * @return completes when {@link #decreaseFrequency} has returned
   */
  public CompletableFuture<Void> decreaseFrequencyAsync(boolean coarse) {
    return guard.async(
        () -> command(h -> LidarMiniJNI.c_LidarMini_decreaseFrequency(h, coarse)), null);
  }

  /**
   * Asks the device for its identity. Blocks up to about 2 s for each part of the answer when the
   * device does not answer; returns zeros at once while scanning.
   *
   * @return the identity (zeros on failure or while scanning), or null once closed
   */
  public LidarInfo getInfo() {
    return guard.call(LidarMiniJNI::c_LidarMini_getInfo, null);
  }

  /**
   * {@link #getInfo()} on the library's executor. Returns at once.
   *
   * @return completes with {@link #getInfo()}'s result
   */
  public CompletableFuture<LidarInfo> getInfoAsync() {
    return guard.async(this::getInfo, null);
  }

  /**
   * Asks the device for its health. Blocks up to about 2 s for each part of the answer when the
   * device does not answer; returns zeros at once while scanning.
   *
   * @return the health (zeros on failure or while scanning), or null once closed
   */
  public LidarHealth getHealth() {
    return guard.call(LidarMiniJNI::c_LidarMini_getHealth, null);
  }

  /**
   * {@link #getHealth()} on the library's executor. Returns at once.
   *
   * @return completes with {@link #getHealth()}'s result
   */
  public CompletableFuture<LidarHealth> getHealthAsync() {
    return guard.async(this::getHealth, null);
  }

  /**
   * The last complete revolution. Returns at once. Allocates a new {@link ScanData}, whose arrays
   * hold exactly its points; {@link #getData(ScanData)} fills one the caller keeps.
   *
   * @return the revolution (empty with time 0 when there is none), or null once closed
   */
  public ScanData getData() {
    return read(new ScanData(), true);
  }

  /**
   * Fills the caller's {@link ScanData} with the last complete revolution, as {@link #getData()}
   * gives it. Its arrays are reused while they have room for the revolution's points and are
   * otherwise replaced by longer ones (with room to spare, so a few replacements after opening
   * are all), and {@link ScanData#count} says how many of their elements belong to the
   * revolution. A robot loop that keeps one {@code ScanData} and passes it every time reads the
   * LiDAR without allocating. Returns at once.
   *
   * @param into the object to fill
   * @return {@code into}, filled (count 0 and time 0 when there is no revolution); null once
   *     closed (then {@code into} is left as it was)
   */
  public ScanData getData(ScanData into) {
    return read(into, false);
  }

  // Fills scan; with exact, its arrays end up holding exactly the revolution's points.
  private ScanData read(ScanData scan, boolean exact) {
    long handle = guard.readingHandle();
    if (handle == 0) {
      return null;
    }
    int room = exact ? 0 : FIRST_ROOM;
    while (true) {
      if (scan.angle == null || scan.distance == null || scan.intensity == null) {
        allocate(scan, room);
      }
      int count =
          LidarMiniJNI.c_LidarMini_readData(
              handle, scan.angle, scan.distance, scan.intensity, scan.time, scan.age);
      if (count < 0 || !guard.stillOpen(handle)) {
        return null;
      }
      int held = Math.min(scan.angle.length, Math.min(scan.distance.length, scan.intensity.length));
      if (count <= held) {
        if (exact && count < held) {
          scan.angle = Arrays.copyOf(scan.angle, count);
          scan.distance = Arrays.copyOf(scan.distance, count);
          scan.intensity = Arrays.copyOf(scan.intensity, count);
        }
        scan.count = count;
        scan.timestamp = scan.time[0];
        scan.ageMs = scan.age[0];
        return scan;
      }
      allocate(scan, exact ? count : Math.max(count + count / 4, FIRST_ROOM));
    }
  }

  private static void allocate(ScanData scan, int room) {
    scan.angle = new float[room];
    scan.distance = new float[room];
    scan.intensity = new float[room];
  }

  // A revolution at 6 Hz and the device's 4000 samples a second, with room to spare.
  private static final int FIRST_ROOM = 1024;

  /**
   * Whether the mini LiDAR is heard from: its bytes arrived within 500 ms (three revolutions at its
   * slowest 6 Hz). It sends only while scanning (or to answer {@link #getInfo} and {@link
   * #getHealth}), so it reads false a moment after {@link #stop()}, without a report. False before
   * its first data, after that long without, after its port hung up (unplugged), and once closed;
   * true again as soon as data comes. Its readings keep their last values meanwhile, so check this
   * where a stale one matters. Returns at once.
   *
   * <p>Each change is also reported once to the driver station's log ("LidarMini[...]: ..."). A
   * hang-up is final: close this object and open a new one when the device is back.
   *
   * @return true while its data keeps coming
   */
  public boolean isConnected() {
    long h = guard.readingHandle();
    boolean connected = h != 0 && LidarMiniJNI.c_LidarMini_isConnected(h);
    return connected && guard.stillOpen(h);
  }

  /**
   * Milliseconds since the mini LiDAR's newest data arrived. Returns at once.
   *
   * @return the age, or -1 before any data and once closed
   */
  public long getDataAgeMs() {
    long h = guard.readingHandle();
    long age = h == 0 ? -1 : LidarMiniJNI.c_LidarMini_getDataAgeMs(h);
    return guard.stillOpen(h) ? age : -1;
  }

  /**
   * The mini LiDAR's health in one record: {@link #isConnected()}, {@link #getDataAgeMs()}, and the
   * failed sends, receives and port openings since it was opened. Returns at once.
   *
   * @return the record, or null once closed
   */
  public DeviceFaults getFaults() {
    return guard.call(LidarMiniJNI::c_LidarMini_getFaults, null);
  }

  /**
   * Stops the worker (the device is not told to stop) and closes the port. Blocks until calls in
   * progress have finished. Safe to call again.
   */
  @Override
  public void close() {
    guard.close(LidarMiniJNI::c_LidarMini_destroy);
  }

  private Void command(LongConsumer call) {
    guard.call(call);
    return null;
  }
}
