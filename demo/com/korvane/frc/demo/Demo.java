package com.korvane.frc.demo;

import java.util.ArrayList;
import java.util.List;

/**
 * A robot-style program on the simulated platform: it opens every demo device against its
 * simulator, enables the robot, prints a status line every half second and closes everything.
 *
 * <p>Usage: {@code Demo [seconds]} (default 10).
 */
public final class Demo {
  private Demo() {}

  public static void main(String[] args) throws InterruptedException {
    double seconds = args.length > 0 ? Double.parseDouble(args[0]) : 10.0;
    List<DemoPart> parts = new ArrayList<>();
    parts.add(new TorqaPart());
    parts.add(new LinvoPart());
    parts.add(new KromelPart());
    parts.add(new DystanPart());
    parts.add(new LidarMiniPart());
    parts.add(new LidarPart());

    int exitCode = 0;
    try {
      for (DemoPart part : parts) {
        part.open();
      }
      System.out.println("Enabling the robot through the mock driver station");
      DemoDriverStation.enable();
      long start = System.nanoTime();
      long next = start;
      while ((System.nanoTime() - start) / 1e9 < seconds) {
        next += 500_000_000L;
        long wait = next - System.nanoTime();
        if (wait > 0) {
          Thread.sleep(wait / 1_000_000L, (int) (wait % 1_000_000L));
        }
        StringBuilder line = new StringBuilder();
        line.append(String.format("t=%5.1f s", (System.nanoTime() - start) / 1e9));
        for (DemoPart part : parts) {
          line.append(" | ").append(part.status());
        }
        System.out.println(line);
      }
      System.out.println("Disabling the robot");
      DemoDriverStation.disable();
    } catch (RuntimeException e) {
      System.out.println("Demo failed: " + e.getMessage());
      exitCode = 1;
    } finally {
      for (DemoPart part : parts) {
        part.close();
      }
    }
    System.out.println("Demo finished");
    System.exit(exitCode);
  }
}
