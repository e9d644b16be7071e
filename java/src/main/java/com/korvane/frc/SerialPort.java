package com.korvane.frc;

/** The robot controller's serial ports, as the HAL numbers them. */
public enum SerialPort {
  /** The on-board RS-232 port (HAL port 0). */
  ONBOARD(0),
  /** The expansion port's UART (HAL port 1). */
  MXP(1),
  /** The first USB serial adapter (HAL port 2). */
  USB1(2),
  /** The second USB serial adapter (HAL port 3). */
  USB2(3);

  private final int value;

  SerialPort(int value) {
    this.value = value;
  }

  /**
   * The HAL's number for the port, as the drivers take it.
   *
   * @return 0 to 3
   */
  public int value() {
    return value;
  }
}
