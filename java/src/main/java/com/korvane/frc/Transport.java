package com.korvane.frc;

/** How a sensor that has two transports (Kromel, Dystan) is connected. */
public enum Transport {
  /** The robot's CAN bus. */
  CAN(0),
  /** A USB serial port. */
  USB(1);

  private final int value;

  Transport(int value) {
    this.value = value;
  }

  /**
   * The transport with the driver's number.
   *
   * @param value the driver's number: 0 for CAN, 1 for USB
   * @return the transport, or null for any other number (the driver's "closed" value -1)
   */
  static Transport fromValue(int value) {
    for (Transport transport : values()) {
      if (transport.value == value) {
        return transport;
      }
    }
    return null;
  }
}
