package com.korvane.frc;

import com.korvane.frc.jni.MockDSJNI;

/**
 * A mock driver station for running a robot program without the driver-station computer: once
 * created, it sends a driver-station control packet to UDP 127.0.0.1:1110 every 20 ms, marking
 * the robot enabled or disabled.
 *
 * <p>After {@link #enable()} the robot is still reported disabled for the first 50 enabled
 * cycles (one second; the count is kept across disables). There is one per process; all methods
 * are synchronized on this class. Before {@link #create()} the others do nothing.
 */
public final class MockDS {
  private MockDS() {}

  /** Starts sending, robot disabled. A second create restarts the sender from scratch. */
  public static synchronized void create() {
    MockDSJNI.c_MockDS_create();
  }

  /** Marks the robot enabled. */
  public static synchronized void enable() {
    MockDSJNI.c_MockDS_enable();
  }

  /** Marks the robot disabled. */
  public static synchronized void disable() {
    MockDSJNI.c_MockDS_disable();
  }

  /** Marks the robot disabled; packets keep going out until the program ends. */
  public static synchronized void destroy() {
    MockDSJNI.c_MockDS_destroy();
  }
}
