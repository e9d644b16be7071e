package com.korvane.frc.demo;

import com.korvane.frc.Torqa;
import com.korvane.frc.sim.TorqaSimulator;

/** A Torqa at CAN device 1, against the simulated controller. */
final class TorqaPart implements DemoPart {
  private static final int DEVICE = 1;
  private TorqaSimulator controller;
  private Torqa torqa;

  @Override
  public void open() {
    controller = TorqaSimulator.attach(DEVICE);
    torqa = new Torqa(DEVICE, 20000);
    System.out.println("Torqa opened at device " + DEVICE + " (handle " + torqa.getHandle() + ")");
  }

  @Override
  public String status() {
    return String.format(
        "torqa#%d heartbeat=%-8s %4.1f frames/s outputs=%s",
        DEVICE,
        controller.heartbeat(),
        controller.heartbeatRate(),
        controller.outputsEnabled() ? "on" : "off");
  }

  @Override
  public void close() {
    if (torqa != null) {
      torqa.close();
    }
    if (controller != null) {
      controller.close();
    }
  }
}
