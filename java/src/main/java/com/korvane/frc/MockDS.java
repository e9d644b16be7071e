package com.korvane.frc;

import com.korvane.frc.jni.MockDSJNI;

/**
 * A mock driver station for running a robot program without the driver-station computer: once
 * opened, it sends a driver-station control packet to UDP 127.0.0.1:1110 every 20 ms, marking
 * the robot enabled or disabled.
 *
 * <p>After {@link #enable()} the robot is still reported disabled for the first 50 enabled
 * cycles (one second; the count is kept across disables). There is one sender per process:
 * opening another restarts it from scratch and replaces the object opened before, which is closed
 * from then on (its calls do nothing, and closing it leaves the newer one alone). Every call
 * returns at once. After {@link #close()}
 * the others do nothing; {@code close} may be called from any thread, more than once.
 *
 * <p>It runs only in a simulation that takes those packets: WPILib 2026's desktop simulation (with
 * a listener on the port, such as {@code SimDriverStation.startListener()}) and the library's
 * simulated platform. On a real robot its packets would reach the robot's own communications and
 * enable it without an operator, and WPILib 2027 takes no such packets (Systemcore and its desktop
 * simulation are enabled from their own driver station or the simulation GUI); there opening one
 * throws and sends nothing.
 */
public final class MockDS implements AutoCloseable {
  // The driver keeps one sender: this object's, until a newer one replaces it.
  private final DeviceGuard guard;

  /**
   * Starts sending, robot disabled; restarts the sender when one is running.
   *
   * @throws DeviceOpenException when the native driver library cannot be loaded, on a real robot
   *     (a sender left in a robot program must not enable it), when it is built for WPILib 2027
   *     (which takes no such packets; its error line says so), or when the sender cannot start
   */
  public MockDS() {
    String attempt = "on UDP 127.0.0.1:1110";
    DeviceOpenException.checkNative("MockDS", attempt);
    DeviceGuard opened = DeviceGuard.open(MockDSJNI::c_MockDS_open);
    if (opened == null) {
      throw new DeviceOpenException(
          "MockDS",
          attempt,
          "the sender did not start: it runs only in a simulation that takes roboRIO"
              + " driver-station packets, and this is a real robot or WPILib 2027, or its thread"
              + " could not start (the error line says which)");
    }
    guard = opened;
  }

  /** Marks the robot enabled (after the warm-up described in the class comment). */
  public void enable() {
    guard.call(MockDSJNI::c_MockDS_enableOpened);
  }

  /** Marks the robot disabled. */
  public void disable() {
    guard.call(MockDSJNI::c_MockDS_disableOpened);
  }

  /** Marks the robot disabled; packets keep going out until the program ends. */
  @Override
  public void close() {
    guard.close(MockDSJNI::c_MockDS_disableOpened);
  }
}
