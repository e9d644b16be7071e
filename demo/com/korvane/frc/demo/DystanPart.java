package com.korvane.frc.demo;

import com.korvane.frc.Dystan;
import com.korvane.frc.sim.DystanSimulator;
import com.korvane.frc.sim.DystanUsbEmulator;
import java.util.concurrent.CompletableFuture;

/**
 * Two Dystan distance sensors: one on USB (the emulated sensor), one on CAN (the simulated one).
 */
final class DystanPart implements DemoPart {
  private static final int CAN_ID = 3;
  private DystanUsbEmulator usbSensor;
  private DystanSimulator canSensor;
  private Dystan usb;
  private Dystan can;
  private int step;
  // A scan over CAN takes about 24 ms: the loop asks for it without waiting and shows the last one.
  private CompletableFuture<Dystan.ScanData> canScan = CompletableFuture.completedFuture(null);
  private Dystan.ScanData lastCanScan;

  @Override
  public void open() {
    usbSensor = DystanUsbEmulator.start(10, false);
    usbSensor.setDistances(distances(0));
    usb = new Dystan(usbSensor.path(), 20);
    Dystan.Config usbConfig = usb.getConfig(0);
    System.out.println(
        "Dystan opened on USB at "
            + usbSensor.path()
            + (usbConfig == null ? " (no configuration reply)" : "; it answers GETCONFIG"));

    canSensor = DystanSimulator.attach(CAN_ID, 20);
    canSensor.setDistances(distances(40));
    can = new Dystan(CAN_ID);
    Dystan.Config canConfig = can.getConfig(100);
    System.out.println(
        "Dystan opened on CAN ID "
            + CAN_ID
            + (canConfig == null ? " (no configuration reply)" : ": " + canConfig));
  }

  @Override
  public String status() {
    // An obstacle that comes and goes, so that the nearest distance visibly follows the sensors.
    step++;
    usbSensor.setDistances(distances(step * 7));
    canSensor.setDistances(distances(step * 5 + 40));
    if (canScan.isDone()) {
      lastCanScan = canScan.join();
      canScan = can.getDataAsync(64);
    }
    return "dystan usb " + describe(usb.getData(64)) + " can " + describe(lastCanScan);
  }

  private static int[] distances(int phase) {
    int[] values = new int[Dystan.MAX_DISTANCES];
    double depth = 1500 + 700 * Math.sin(phase / 9.0);
    double centre = 32 + 20 * Math.sin(phase / 13.0);
    for (int k = 0; k < values.length; k++) {
      double offset = (k - centre) / 6.0;
      values[k] = (int) (2500 - depth * Math.exp(-offset * offset));
    }
    return values;
  }

  private static String describe(Dystan.ScanData scan) {
    if (scan == null || scan.distance.length == 0) {
      return "(no scan)";
    }
    int nearest = Integer.MAX_VALUE;
    for (int d : scan.distance) {
      if (d >= 0 && d < nearest) {
        nearest = d;
      }
    }
    return "#"
        + scan.sequence
        + " n="
        + scan.distance.length
        + " nearest="
        + (nearest == Integer.MAX_VALUE ? "-" : nearest + " mm");
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
