package com.korvane.frc.demo;

import com.korvane.frc.LidarMini;
import com.korvane.frc.SerialPort;
import com.korvane.frc.sim.LidarMiniEmulator;
import java.io.File;
import java.io.IOException;
import java.util.concurrent.Executors;
import java.util.concurrent.ScheduledExecutorService;
import java.util.concurrent.TimeUnit;

/**
 * The T-mini Plus mini LiDAR, against the emulated one: identity and health once, then the points
 * of each revolution and the revolution rate measured from the revolutions' own times; two
 * seconds in, the scan frequency goes up by 2 Hz.
 */
final class LidarMiniPart implements DemoPart {
  private static final long POLL_MS = 20;
  private LidarMiniEmulator device;
  private LidarMini lidar;
  private ScheduledExecutorService poller;
  private final long start = System.nanoTime();
  private boolean raised;

  // Written by the poller, read by status().
  private long lastTimestamp;
  private int revolutionsSeen;
  private long firstSeen;
  private long lastSeen;
  private int lastPoints;

  @Override
  public void open() {
    device = LidarMiniEmulator.start();
    device.plugIn();
    lidar = new LidarMini(SerialPort.USB1);
    System.out.println("LidarMini " + lidar.getInfo() + "; health " + lidar.getHealth());
    lidar.start();
    // A robot loop's pace: every revolution is seen, as each lasts at least 83 ms.
    poller = Executors.newSingleThreadScheduledExecutor();
    poller.scheduleAtFixedRate(this::poll, POLL_MS, POLL_MS, TimeUnit.MILLISECONDS);
  }

  private synchronized void poll() {
    LidarMini.ScanData scan = lidar.getData();
    if (scan == null || scan.timestamp == 0 || scan.timestamp == lastTimestamp) {
      return;
    }
    if (revolutionsSeen == 0) {
      firstSeen = scan.timestamp;
    }
    revolutionsSeen++;
    lastSeen = scan.timestamp;
    lastTimestamp = scan.timestamp;
    lastPoints = scan.size();
  }

  @Override
  public String status() {
    if (!raised && (System.nanoTime() - start) / 1e9 > 2.0) {
      raised = true;
      lidar.increaseFrequency(true);
      lidar.increaseFrequency(true);
      System.out.println("LidarMini scan frequency raised by 2 Hz");
    }
    synchronized (this) {
      String text = String.format("lidarmini %3d points/rev", lastPoints);
      if (revolutionsSeen > 1) {
        double hz = (revolutionsSeen - 1) / ((lastSeen - firstSeen) / 1e9);
        text += String.format(" %4.1f rev/s", hz);
      }
      // Measure each report's rate afresh, so a frequency change shows at once.
      revolutionsSeen = 0;
      return text;
    }
  }

  private void plotLastRevolution() {
    LidarMini.ScanData scan = lidar.getData();
    if (scan == null || scan.size() == 0) {
      return;
    }
    File png = new File(System.getProperty("java.io.tmpdir"), "korvane-lidarmini-scan.png");
    try {
      int drawn = LidarPlot.write(scan, png);
      System.out.println("Mini LiDAR revolution (" + drawn + " points) written to " + png.getPath());
    } catch (IOException e) {
      System.out.println("Mini LiDAR revolution could not be plotted: " + e.getMessage());
    }
  }

  @Override
  public void close() {
    if (poller != null) {
      poller.shutdownNow();
      try {
        poller.awaitTermination(1, TimeUnit.SECONDS);
      } catch (InterruptedException e) {
        Thread.currentThread().interrupt();
      }
    }
    if (lidar != null) {
      plotLastRevolution();
      lidar.stop();
      lidar.close();
    }
    if (device != null) {
      device.close();
    }
  }
}
