package com.korvane.frc.demo;

import com.korvane.frc.Lidar;
import com.korvane.frc.SerialPort;
import com.korvane.frc.sim.LidarRoomEmulator;
import com.korvane.frc.sim.SimSerial;
import java.io.File;
import java.io.IOException;

/**
 * The scanning LiDAR on the expansion port's serial port, in the emulated room (with a little
 * noise and a few dropouts, smoothed by the median filter). At the end it writes a polar plot of
 * the last scan as a PNG and prints its path.
 */
final class LidarPart implements DemoPart {
  private LidarRoomEmulator room;
  private Lidar lidar;

  @Override
  public void open() {
    room = LidarRoomEmulator.start(1, true);
    room.setNoise(15);
    room.setDropoutRate(0.02);
    SimSerial.mapPort(SerialPort.MXP.value(), room.path());
    lidar = new Lidar(SerialPort.MXP);
    lidar.medianConfig(5);
    lidar.enableFilter(Lidar.Filter.MEDIAN, true);
    System.out.println("LiDAR opened on the expansion port's serial port, served at " + room.path());
  }

  @Override
  public String status() {
    Lidar.ScanData scan = lidar.getData();
    if (scan == null) {
      return "lidar (no scan)";
    }
    return String.format(
        "lidar %d/360 slots, 0°: %.0f mm, 90°: %.0f mm",
        scan.validCount(), scan.distance[0], scan.distance[90]);
  }

  @Override
  public void close() {
    if (lidar != null) {
      Lidar.ScanData scan = lidar.getData();
      File png = new File(System.getProperty("java.io.tmpdir"), "korvane-lidar-scan.png");
      try {
        if (scan != null) {
          int drawn = LidarPlot.write(scan, png);
          System.out.println("LiDAR scan (" + drawn + " points) written to " + png.getPath());
        }
      } catch (IOException e) {
        System.out.println("LiDAR scan could not be written: " + e.getMessage());
      }
      lidar.close();
    }
    if (room != null) {
      room.close();
    }
  }
}
