package com.korvane.frc;

import com.korvane.frc.jni.KorvaneDriverLibrary;

/**
 * Thrown by a device constructor when the device cannot be opened: the native library cannot be
 * loaded on this platform, the port does not exist or cannot be opened, an argument is out of
 * range, or the device did not take part in the opening dialogue. The message says which device was being opened, how, and what failed; the driver
 * also prints its own line about the failure on standard error.
 */
public class DeviceOpenException extends RuntimeException {
  /** The serialised form's version. */
  private static final long serialVersionUID = 1L;

  /** The device class that could not be opened. */
  private final String device;

  // A Windows COM port, "COM5" or "\\.\COM12".
  private static final java.util.regex.Pattern COM_PORT =
      java.util.regex.Pattern.compile("(?i)(\\\\\\\\\\.\\\\)?COM[0-9]+");

  /**
   * Creates the exception.
   *
   * @param device the device class, e.g. "Kromel"
   * @param attempt what was attempted, e.g. "at CAN ID 64"
   * @param reason what failed, e.g. "CAN ID 64 is outside 0 to 63"
   */
  public DeviceOpenException(String device, String attempt, String reason) {
    super(device + " " + attempt + " could not be opened: " + reason);
    this.device = device;
  }

  /**
   * The device class that could not be opened.
   *
   * @return the class's simple name, e.g. "Kromel"
   */
  public String getDevice() {
    return device;
  }

  /** Throws unless the native driver library is loaded (loading it first). */
  static void checkNative(String device, String attempt) {
    if (!KorvaneDriverLibrary.load()) {
      throw new DeviceOpenException(device, attempt, KorvaneDriverLibrary.unavailableReason());
    }
  }

  /** Throws unless id lies in min..max. */
  static void checkRange(String device, String attempt, String what, int id, int min, int max) {
    if (id < min || id > max) {
      throw new DeviceOpenException(
          device, attempt, what + " " + id + " is outside " + min + " to " + max);
    }
  }

  /**
   * Throws for a negative CAN bus. Which buses the robot has only the native library can tell: it
   * refuses one the robot lacks.
   */
  static void checkBus(String device, String attempt, int bus) {
    if (bus < 0) {
      throw new DeviceOpenException(
          device, attempt, "CAN bus " + bus + " does not exist: buses are numbered from 0");
    }
  }

  /**
   * Throws unless path names an existing file this process may read and write. A Windows COM port
   * ({@code COM5}, {@code \\.\COM12}) is no file: only the driver can tell whether it opens.
   */
  static void checkPath(String device, String attempt, String path) {
    if (path == null || path.isEmpty()) {
      throw new DeviceOpenException(device, attempt, "no device path was given");
    }
    if (COM_PORT.matcher(path).matches()) {
      return;
    }
    java.io.File file = new java.io.File(path);
    if (!file.exists()) {
      throw new DeviceOpenException(device, attempt, path + " does not exist");
    }
    if (!file.canRead() || !file.canWrite()) {
      throw new DeviceOpenException(device, attempt, "no permission to read and write " + path);
    }
  }

  /** The exception for a driver that returned no handle after the checks passed. */
  static DeviceOpenException refused(String device, String attempt, String step) {
    return new DeviceOpenException(
        device, attempt, step + " failed (the driver returned handle 0 and printed why)");
  }
}
