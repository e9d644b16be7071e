package com.korvane.frc.sim;

/**
 * A simulated line sensor on the simulated I2C bus: a four-channel 12-bit converter whose input
 * voltages are set here. It answers conversions for the channel, gain and data rate its
 * configuration word selects.
 */
public final class LinvoSimulator implements AutoCloseable {
  static {
    SimLibraries.loadSimulators();
  }

  private long id;

  private LinvoSimulator(long id) {
    this.id = id;
  }

  /**
   * Puts the converter where the robot's line sensor sits: port 1, address 0x48.
   *
   * @return the converter, on the bus until {@link #close()}
   */
  public static LinvoSimulator attach() {
    SimLibraries.requireSimulators();
    return attach(1, 0x48);
  }

  /**
   * Puts the converter at an I2C port and address, replacing a device already there.
   *
   * @param port the I2C port, 0 on board or 1 on the expansion port
   * @param address the 7-bit address
   * @return the converter, on the bus until {@link #close()}
   */
  public static LinvoSimulator attach(int port, int address) {
    SimLibraries.requireSimulators();
    return new LinvoSimulator(attach0(port, address));
  }

  /**
   * Sets the input voltage of a channel (0 V at first).
   *
   * @param channel 0 to 3; others are ignored
   * @param volts the voltage; conversions clip it to the selected gain's full scale
   */
  public synchronized void setVoltage(int channel, double volts) {
    setVoltage(id, channel, volts);
  }

  /**
   * The input voltage of a channel, as last set.
   *
   * @param channel 0 to 3
   * @return volts; 0 for another channel or once closed
   */
  public synchronized double voltage(int channel) {
    return voltage(id, channel);
  }

  /**
   * The configuration register as last written.
   *
   * @return the 16-bit word, the power-on one until the robot writes it; -1 once closed
   */
  public synchronized int configRegister() {
    return configRegister(id);
  }

  /** Takes the converter off the bus. */
  @Override
  public synchronized void close() {
    if (id != 0) {
      detach(id);
      id = 0;
    }
  }

  private static native long attach0(int port, int address);

  private static native void detach(long id);

  private static native void setVoltage(long id, int channel, double volts);

  private static native double voltage(long id, int channel);

  private static native int configRegister(long id);
}
