package com.korvane.frc;

/**
 * Thrown by a device constructor when the device cannot be opened: the port does not exist or
 * cannot be opened, an argument is out of range, or the device did not take part in the opening
 * dialogue. The message says which device was being opened, how, and what failed; the driver
 * also prints its own line about the failure on standard error.
 */
public class DeviceOpenException extends RuntimeException {
  /** The serialised form's version. */
  private static final long serialVersionUID = 1L;

  /** The device class that could not be opened. */
  private final String device;

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

  /** Throws unless id lies in min..max. */
  static void checkRange(String device, String attempt, String what, int id, int min, int max) {
    if (id < min || id > max) {
      throw new DeviceOpenException(
          device, attempt, what + " " + id + " is outside " + min + " to " + max);
    }
  }

  /** Throws unless path names an existing file this process may read and write. */
  static void checkPath(String device, String attempt, String path) {
    if (path == null || path.isEmpty()) {
      throw new DeviceOpenException(device, attempt, "no device path was given");
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
