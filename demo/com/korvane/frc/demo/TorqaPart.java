package com.korvane.frc.demo;

import com.korvane.frc.Torqa;
import com.korvane.frc.sim.TorqaSimulator;

/**
 * A Torqa at CAN device 1, against the simulated controller: motor 0 is driven at 50 % and its
 * RPM and encoder count are read back through the controller's status frames.
 */
final class TorqaPart implements DemoPart {
  private static final int DEVICE = 1;
  private static final int MOTOR = 0;
  private static final double SPEED = 0.5;
  private TorqaSimulator controller;
  private Torqa torqa;

  @Override
  public void open() {
    controller = TorqaSimulator.attach(DEVICE);
    torqa = new Torqa(DEVICE, 20000);
    System.out.println("Torqa opened at device " + DEVICE + " (handle " + torqa.getHandle() + ")");
    // Identity blocks for a moment: asked once here, never in the loop.
    System.out.println("Torqa " + torqa.getFirmwareVersion());
    System.out.println("Torqa " + torqa.getHardwareVersion());
    System.out.println("Torqa serial number " + torqa.getSerialNumber());
    torqa.setSpeed(MOTOR, SPEED);
  }

  @Override
  public String status() {
    return String.format(
        "torqa#%d heartbeat=%-8s %4.1f frames/s outputs=%s motor%d speed=%+.0f%% rpm=%7.1f"
            + " count=%d",
        DEVICE,
        controller.heartbeat(),
        controller.heartbeatRate(),
        controller.outputsEnabled() ? "on" : "off",
        MOTOR,
        SPEED * 100,
        torqa.getRPM(MOTOR),
        torqa.getEncoderCount(MOTOR));
  }

  @Override
  public void close() {
    if (torqa != null) {
      torqa.setSpeed(MOTOR, 0.0);
      torqa.close();
    }
    if (controller != null) {
      controller.close();
    }
  }
}
