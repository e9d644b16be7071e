package com.korvane.frc;

import com.korvane.frc.jni.KromelJNI;
import java.util.OptionalLong;
import java.util.concurrent.CompletableFuture;

/**
 * A Kromel colour sensor, on the robot's CAN bus or on a USB serial port.
 *
 * <p>Blocking: readings are polled; {@link #getColor()} returns the newest one at once, never
 * waiting for the sensor. Commands (the setters and {@link #getConfig(int)}) block their caller:
 * over CAN until the sensor acknowledges, at most 500 ms; over USB until the command line has left
 * the port, at most about 1 s. Each command has an {@code ...Async} form that returns at once and
 * runs the command on the library's executor; the asynchronous calls of one sensor run one at a
 * time in the order they were made. A blocking call does not wait for asynchronous calls queued
 * before it. Opening over USB blocks up to about 2 s on a port that takes no bytes; {@link
 * #close()} blocks until the reader thread has stopped.
 *
 * <p>Thread-safe: readings may be taken while a command waits on another thread; commands run one
 * at a time; {@link #close()} may be called from any thread, more than once; it waits for commands
 * in progress (a reading racing it returns what it returns once closed), and after it every method
 * returns its failure value.
 */
public class Kromel implements AutoCloseable {
  private static final String NAME = "Kromel";

  /** The highest CAN ID. */
  public static final int MAX_CAN_ID = 63;

  /** The formats the sensor reports colours in. */
  public enum ColorFormat {
    /** Red, green, blue. */
    RGB(0),
    /** The sensor's raw channel counts. */
    RAW(1),
    /** Standard RGB. */
    SRGB(2),
    /** Hexadecimal colour. */
    HEX(3),
    /** CIE XYZ; over USB the only format that gives readings. */
    XYZ(4);

    private final int value;

    ColorFormat(int value) {
      this.value = value;
    }
  }

  /** The sensor's measure modes; their meaning is the sensor firmware's. */
  public enum MeasureMode {
    /** Firmware mode 0. */
    MODE_0(0),
    /** Firmware mode 1. */
    MODE_1(1),
    /** Firmware mode 2, the one that takes a value. */
    MODE_2(2);

    private final int value;

    MeasureMode(int value) {
      this.value = value;
    }
  }

  /** One colour reading. */
  public static class ColorData {
    /** Counts readings, 0 to 65535, wrapping. */
    public int sequence;

    /** The first channel, in the units of the sensor's colour format. */
    public float x;

    /** The second channel. */
    public float y;

    /** The third channel. */
    public float z;

    /**
     * Milliseconds between the arrival of this reading's data and the moment it was read, counted
     * as {@link Kromel#getDataAgeMs()} counts the sensor's newest data (so the two agree while this
     * is the newest reading); -1 until the reading is filled.
     */
    public long ageMs = -1;

    // Where the driver puts the three channels and the age on their way into the fields.
    final float[] channels = new float[3];
    final long[] age = new long[1];

    /** An empty reading, filled by the driver. */
    public ColorData() {}

    @Override
    public String toString() {
      return String.format("#%d (%.4f, %.4f, %.4f), %d ms old", sequence, x, y, z, ageMs);
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
  public Kromel(int canId) {
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
  public Kromel(int bus, int canId) {
    String attempt = (bus == 0 ? "" : "on CAN bus " + bus + " ") + "at CAN ID " + canId;
    DeviceOpenException.checkNative(NAME, attempt);
    DeviceOpenException.checkBus(NAME, attempt, bus);
    DeviceOpenException.checkRange(NAME, attempt, "CAN ID", canId, 0, MAX_CAN_ID);
    DeviceGuard opened =
        DeviceGuard.open(
            () ->
                bus == 0
                    ? KromelJNI.c_Kromel_create(canId)
                    : KromelJNI.c_Kromel_createOnBus(bus, canId));
    if (opened == null) {
      throw DeviceOpenException.refused(NAME, attempt, "opening the CAN session");
    }
    guard = opened;
  }

  /**
   * Opens the sensor on a USB serial device, sets it to the XYZ format, sends the sample time
   * and starts reading. Blocks until those lines have left the port: at most about 2 s.
   *
   * @param path the device, e.g. from {@link #findDevicePath(SerialPort)}
   * @param sampleTimeMs milliseconds between readings, sent to the sensor when above 0
   * @throws DeviceOpenException when the device is missing or cannot be opened (one that takes no
   *     bytes opens once its lines have given up, and is reported as never heard from: {@link
   *     #isConnected()} false)
   */
  public Kromel(String path, int sampleTimeMs) {
    String attempt = "on " + path;
    DeviceOpenException.checkNative(NAME, attempt);
    DeviceOpenException.checkPath(NAME, attempt, path);
    DeviceGuard opened = DeviceGuard.open(() -> KromelJNI.c_Kromel_createUsb(path, sampleTimeMs));
    if (opened == null) {
      throw DeviceOpenException.refused(NAME, attempt, "opening the port or its first command");
    }
    guard = opened;
  }

  /**
   * Opens the sensor on a USB serial device as {@link #Kromel(String, int)} does, on a library
   * thread. Returns at once.
   *
   * @param path the device, e.g. from {@link #findDevicePath(SerialPort)}
   * @param sampleTimeMs milliseconds between readings, sent to the sensor when above 0
   * @return completes with the open sensor, which the caller closes, or exceptionally with a
   *     {@link DeviceOpenException}
   * @throws DeviceOpenException at once when the native driver library cannot be loaded
   */
  public static CompletableFuture<Kromel> openUsbAsync(String path, int sampleTimeMs) {
    DeviceOpenException.checkNative(NAME, "on " + path);
    return LibraryExecutor.open(() -> new Kromel(path, sampleTimeMs));
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
    return KromelJNI.c_Kromel_findDevicePath(port.value());
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
    return guard.call(KromelJNI::c_Kromel_getCanID, -1);
  }

  /**
   * How the sensor is connected. Returns at once.
   *
   * @return the transport, or null once closed
   */
  public Transport getTransport() {
    return guard.call(h -> Transport.fromValue(KromelJNI.c_Kromel_getTransport(h)), null);
  }

  /**
   * The newest reading. Returns at once. Allocates a new {@link ColorData} each time; {@link
   * #getColor(ColorData)} fills one the caller keeps.
   *
   * @return the reading, or null when there is none yet (or the sensor is closed)
   */
  public ColorData getColor() {
    return getColor(new ColorData());
  }

  /**
   * Fills the caller's {@link ColorData} with the newest reading, allocating nothing: a robot loop
   * that keeps one {@code ColorData} and passes it every time reads the sensor without
   * allocating. Returns at once.
   *
   * @param into the object to fill
   * @return {@code into}, filled; null, with {@code into} unchanged, when there is no reading yet
   *     (or the sensor is closed)
   */
  public ColorData getColor(ColorData into) {
    long handle = guard.readingHandle();
    int sequence =
        handle == 0 ? -1 : KromelJNI.c_Kromel_readColor(handle, into.channels, into.age);
    if (sequence < 0 || !guard.stillOpen(handle)) {
      return null;
    }
    into.sequence = sequence;
    into.x = into.channels[0];
    into.y = into.channels[1];
    into.z = into.channels[2];
    into.ageMs = into.age[0];
    return into;
  }

  /**
   * Whether the sensor is heard from: its data arrived within three of its sample times (at least
   * 100 ms; 300 ms while the sample time is the sensor's own, as after opening over CAN). False
   * before its first data, after that long without, after its USB port hung up (unplugged), and
   * once closed; true again as soon as data comes. Its readings keep their last values meanwhile,
   * so check this where a stale one matters. Returns at once.
   *
   * <p>Each change is also reported once to the driver station's log ("Kromel[...]: ..."). Over USB
   * a hang-up is final: close this object and open a new one when the sensor is back.
   *
   * @return true while its data keeps coming
   */
  public boolean isConnected() {
    long h = guard.readingHandle();
    boolean connected = h != 0 && KromelJNI.c_Kromel_isConnected(h);
    return connected && guard.stillOpen(h);
  }

  /**
   * Milliseconds since the sensor's newest data arrived. Returns at once.
   *
   * @return the age, or -1 before any data and once closed
   */
  public long getDataAgeMs() {
    long h = guard.readingHandle();
    long age = h == 0 ? -1 : KromelJNI.c_Kromel_getDataAgeMs(h);
    return guard.stillOpen(h) ? age : -1;
  }

  /**
   * The sensor's health in one record: {@link #isConnected()}, {@link #getDataAgeMs()}, and the
   * failed sends, receives and port openings since it was opened. Returns at once.
   *
   * @return the record, or null once closed
   */
  public DeviceFaults getFaults() {
    return guard.call(KromelJNI::c_Kromel_getFaults, null);
  }

  /**
   * Sets the colour format. Blocks up to 500 ms over CAN, about 1 s over USB.
   *
   * @param format the format; over USB only {@link ColorFormat#XYZ} gives readings
   * @return true when the sensor acknowledged (CAN) or the line went out (USB)
   */
  public boolean setColorFormat(ColorFormat format) {
    return guard.call(h -> KromelJNI.c_Kromel_setColorFormat(h, format.value), false);
  }

  /**
   * {@link #setColorFormat} on the library's executor, in order with this sensor's other
   * asynchronous calls. Returns at once.
   *
   * @param format the format
   * @return completes with {@link #setColorFormat}'s result
   */
  public CompletableFuture<Boolean> setColorFormatAsync(ColorFormat format) {
    return guard.async(() -> setColorFormat(format), false);
  }

  /**
   * Sets the time between readings. Blocks up to 500 ms over CAN, about 1 s over USB.
   *
   * @param ms milliseconds, clamped to 0 to 65535
   * @return true when acknowledged (CAN) or sent (USB)
   */
  public boolean setSampleTimeMs(int ms) {
    return guard.call(h -> KromelJNI.c_Kromel_setSampleTimeMs(h, ms), false);
  }

  /**
   * {@link #setSampleTimeMs} on the library's executor. Returns at once.
   *
   * @param ms milliseconds, clamped to 0 to 65535
   * @return completes with {@link #setSampleTimeMs}'s result
   */
  public CompletableFuture<Boolean> setSampleTimeMsAsync(int ms) {
    return guard.async(() -> setSampleTimeMs(ms), false);
  }

  /**
   * Sets the illumination brightness. CAN only; blocks up to 500 ms.
   *
   * @param brightness percent, clamped to 0 to 100
   * @return true when acknowledged
   */
  public boolean setBrightness(int brightness) {
    return guard.call(h -> KromelJNI.c_Kromel_setBrightness(h, brightness), false);
  }

  /**
   * {@link #setBrightness} on the library's executor. Returns at once.
   *
   * @param brightness percent, clamped to 0 to 100
   * @return completes with {@link #setBrightness}'s result
   */
  public CompletableFuture<Boolean> setBrightnessAsync(int brightness) {
    return guard.async(() -> setBrightness(brightness), false);
  }

  /**
   * Switches the status LED. CAN only; blocks up to 500 ms.
   *
   * @param on whether the LED is lit
   * @param level percent, clamped to 0 to 100
   * @return true when acknowledged
   */
  public boolean setStatusLed(boolean on, int level) {
    return guard.call(h -> KromelJNI.c_Kromel_setStatusLed(h, on, level), false);
  }

  /**
   * {@link #setStatusLed} on the library's executor. Returns at once.
   *
   * @param on whether the LED is lit
   * @param level percent, clamped to 0 to 100
   * @return completes with {@link #setStatusLed}'s result
   */
  public CompletableFuture<Boolean> setStatusLedAsync(boolean on, int level) {
    return guard.async(() -> setStatusLed(on, level), false);
  }

  /**
   * Sets the measure mode. CAN only; blocks up to 500 ms.
   *
   * @param mode the mode
   * @param value the mode's value, used by {@link MeasureMode#MODE_2}
   * @return true when acknowledged
   */
  public boolean setMeasureMode(MeasureMode mode, float value) {
    return guard.call(h -> KromelJNI.c_Kromel_setMeasureMode(h, mode.value, value), false);
  }

  /**
   * {@link #setMeasureMode} on the library's executor. Returns at once.
   *
   * @param mode the mode
   * @param value the mode's value
   * @return completes with {@link #setMeasureMode}'s result
   */
  public CompletableFuture<Boolean> setMeasureModeAsync(MeasureMode mode, float value) {
    return guard.async(() -> setMeasureMode(mode, value), false);
  }

  /**
   * Sends the sensor's Zmm value. CAN only; blocks up to 500 ms.
   *
   * @param zmm the value, as the sensor's firmware defines it
   * @return true when acknowledged
   */
  public boolean setZmm(float zmm) {
    return guard.call(h -> KromelJNI.c_Kromel_setZmm(h, zmm), false);
  }

  /**
   * {@link #setZmm} on the library's executor. Returns at once.
   *
   * @param zmm the value
   * @return completes with {@link #setZmm}'s result
   */
  public CompletableFuture<Boolean> setZmmAsync(float zmm) {
    return guard.async(() -> setZmm(zmm), false);
  }

  /**
   * Switches the sensor's USB override. CAN only; blocks up to 500 ms.
   *
   * @param enable whether the override is on
   * @return true when acknowledged
   */
  public boolean setUsbOverride(boolean enable) {
    return guard.call(h -> KromelJNI.c_Kromel_setUsbOverride(h, enable), false);
  }

  /**
   * {@link #setUsbOverride} on the library's executor. Returns at once.
   *
   * @param enable whether the override is on
   * @return completes with {@link #setUsbOverride}'s result
   */
  public CompletableFuture<Boolean> setUsbOverrideAsync(boolean enable) {
    return guard.async(() -> setUsbOverride(enable), false);
  }

  /**
   * Tells the sensor a new CAN ID; it takes effect in the sensor, {@link #getCanId()} keeps the
   * old one. CAN only; blocks up to 500 ms.
   *
   * @param canId the new CAN ID
   * @return true when acknowledged
   */
  public boolean setCanId(int canId) {
    return guard.call(h -> KromelJNI.c_Kromel_setCanId(h, canId), false);
  }

  /**
   * {@link #setCanId} on the library's executor. Returns at once.
   *
   * @param canId the new CAN ID
   * @return completes with {@link #setCanId}'s result
   */
  public CompletableFuture<Boolean> setCanIdAsync(int canId) {
    return guard.async(() -> setCanId(canId), false);
  }

  /**
   * Reads one configuration value from the sensor. CAN only; blocks up to 500 ms.
   *
   * @param key the sensor's configuration key
   * @return the value, 0 to 2^32-1, or empty without an answer (or on USB, or once closed)
   */
  public OptionalLong getConfig(int key) {
    long[] out = new long[1];
    return guard.call(
        h ->
            KromelJNI.c_Kromel_getConfig(h, key, out)
                ? OptionalLong.of(out[0])
                : OptionalLong.empty(),
        OptionalLong.empty());
  }

  /**
   * {@link #getConfig} on the library's executor. Returns at once.
   *
   * @param key the sensor's configuration key
   * @return completes with {@link #getConfig}'s result
   */
  public CompletableFuture<OptionalLong> getConfigAsync(int key) {
    return guard.async(() -> getConfig(key), OptionalLong.empty());
  }

  /**
   * Stops the reader and closes the port or CAN session; later calls return failure values.
   * Blocks until calls in progress have finished and the reader has stopped. Safe to call again.
   */
  @Override
  public void close() {
    guard.close(KromelJNI::c_Kromel_destroy);
  }
}
