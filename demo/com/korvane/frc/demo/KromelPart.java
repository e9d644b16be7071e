package com.korvane.frc.demo;

import com.korvane.frc.Kromel;
import com.korvane.frc.sim.KromelSimulator;
import com.korvane.frc.sim.KromelUsbEmulator;

/** Two Kromel colour sensors: one on USB (the emulated sensor), one on CAN (the simulated one). */
final class KromelPart implements DemoPart {
  private static final int CAN_ID = 2;
  private KromelUsbEmulator usbSensor;
  private KromelSimulator canSensor;
  private Kromel usb;
  private Kromel can;
  private int step;

  @Override
  public void open() {
    usbSensor = KromelUsbEmulator.start(20);
    usbSensor.setColor(0.412f, 0.377f, 0.201f);
    usb = new Kromel(usbSensor.path(), 20);
    System.out.println("Kromel opened on USB at " + usbSensor.path());

    canSensor = KromelSimulator.attach();
    canSensor.setColor(0.180f, 0.072f, 0.950f);
    can = new Kromel(CAN_ID);
    System.out.println(
        "Kromel opened on CAN ID "
            + CAN_ID
            + "; brightness 80 "
            + (can.setBrightness(80) ? "acknowledged" : "refused"));
  }

  @Override
  public String status() {
    // Let the colours drift so that the readings visibly follow the sensors.
    step++;
    float drift = (float) Math.sin(step / 4.0) * 0.05f;
    usbSensor.setColor(0.412f + drift, 0.377f, 0.201f - drift);
    canSensor.setColor(0.180f, 0.072f + drift, 0.950f);
    return "kromel usb " + describe(usb.getColor()) + " can " + describe(can.getColor());
  }

  private static String describe(Kromel.ColorData reading) {
    return reading == null ? "(no reading)" : reading.toString();
  }

  @Override
  public void close() {
    if (usb != null) {
      usb.close();
    }
    if (can != null) {
      can.close();
    }
    if (usbSensor != null) {
      usbSensor.close();
    }
    if (canSensor != null) {
      canSensor.close();
    }
  }
}
