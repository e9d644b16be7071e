package com.korvane.frc.demo;

import com.korvane.frc.Linvo;
import com.korvane.frc.sim.LinvoSimulator;

/** The line sensor, against the simulated converter; a dark line drifts across its channels. */
final class LinvoPart implements DemoPart {
  private static final float REFERENCE_VOLTS = 3.3f;
  private LinvoSimulator converter;
  private Linvo linvo;
  private final long start = System.nanoTime();

  @Override
  public void open() {
    converter = LinvoSimulator.attach();
    linvo = new Linvo(REFERENCE_VOLTS);
    System.out.println("Linvo line sensor " + (linvo.isConnected() ? "connected" : "missing"));
  }

  @Override
  public String status() {
    // The line sits under one channel at a time: that channel reads low, the others bright.
    double seconds = (System.nanoTime() - start) / 1e9;
    double line = (seconds / 2.0) % Linvo.CHANNELS;
    for (int channel = 0; channel < Linvo.CHANNELS; channel++) {
      double distance =
          Math.min(Math.abs(channel - line), Linvo.CHANNELS - Math.abs(channel - line));
      converter.setVoltage(channel, 0.2 + 1.6 * Math.min(distance, 1.0));
    }
    StringBuilder text = new StringBuilder("linvo");
    for (int channel = 0; channel < Linvo.CHANNELS; channel++) {
      text.append(
          String.format(" %4d/%.2fV", linvo.getRawValue(channel), linvo.getVoltage(channel)));
    }
    return text.toString();
  }

  @Override
  public void close() {
    if (linvo != null) {
      linvo.close();
    }
    if (converter != null) {
      converter.close();
    }
  }
}
