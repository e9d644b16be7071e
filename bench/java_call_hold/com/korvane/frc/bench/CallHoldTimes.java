package com.korvane.frc.bench;

import com.korvane.frc.Dystan;
import com.korvane.frc.Kromel;
import com.korvane.frc.Lidar;
import com.korvane.frc.LidarMini;
import com.korvane.frc.Linvo;
import com.korvane.frc.MockDS;
import com.korvane.frc.SerialPort;
import com.korvane.frc.Torqa;
import com.korvane.frc.sim.DystanUsbEmulator;
import com.korvane.frc.sim.KromelUsbEmulator;
import com.korvane.frc.sim.LidarMiniEmulator;
import com.korvane.frc.sim.LidarRoomEmulator;
import com.korvane.frc.sim.SimSerial;
import java.util.ArrayList;
import java.util.List;

/**
 * How long each blocking (non-future) call of the device classes holds its caller against a
 * silent device: no simulator on the CAN or I2C bus, serial emulators that stream nothing and
 * answer nothing. A call made more than once runs once untimed first (class loading, native
 * linking); then the longest of its timed runs is printed, and the longest call per device class.
 *
 * <p>Run: {@code java -Djava.library.path=build/default/lib -cp
 * build/default/jar/korvane.jar:build/default/jar/korvane-bench.jar
 * com.korvane.frc.bench.CallHoldTimes}
 */
public final class CallHoldTimes {
  private static final List<String[]> rows = new ArrayList<>();

  private CallHoldTimes() {}

  private interface Call {
    void run() throws Exception;
  }

  private static void time(String device, String call, int runs, Call body) throws Exception {
    long longest = 0;
    if (runs > 1) {
      body.run(); // loads classes and links the natives before the timed runs
    }
    for (int i = 0; i < runs; i++) {
      long start = System.nanoTime();
      body.run();
      longest = Math.max(longest, System.nanoTime() - start);
    }
    rows.add(new String[] {device, call, String.format("%.3f", longest / 1e6)});
  }

  /**
   * Runs every measurement and prints the tables.
   *
   * @param args unused
   * @throws Exception when a device cannot be opened
   */
  public static void main(String[] args) throws Exception {
    torqa();
    kromel();
    dystan();
    lidarMini();
    lidar();
    linvo();
    mockDs();
    System.out.printf("%-10s %-34s %12s%n", "device", "call", "longest ms");
    for (String[] row : rows) {
      System.out.printf("%-10s %-34s %12s%n", row[0], row[1], row[2]);
    }
    System.out.println();
    System.out.printf("%-10s %-34s %12s%n", "device", "longest call", "ms");
    for (String device :
        new String[] {"Torqa", "Kromel", "Dystan", "LidarMini", "Lidar", "Linvo", "MockDS"}) {
      String[] worst = null;
      for (String[] row : rows) {
        if (row[0].equals(device)
            && (worst == null || Double.parseDouble(row[2]) > Double.parseDouble(worst[2]))) {
          worst = row;
        }
      }
      System.out.printf("%-10s %-34s %12s%n", device, worst[1], worst[2]);
    }
    System.exit(0);
  }

  private static void torqa() throws Exception {
    Torqa[] holder = new Torqa[1];
    time("Torqa", "new Torqa", 1, () -> holder[0] = new Torqa(21, 1000));
    Torqa torqa = holder[0];
    time("Torqa", "setSpeed", 1000, () -> torqa.setSpeed(0, 0.5));
    time("Torqa", "getRPM", 1000, () -> torqa.getRPM(0));
    time("Torqa", "getReportedDeviceId", 2, torqa::getReportedDeviceId);
    time("Torqa", "getFirmwareVersion", 2, torqa::getFirmwareVersion);
    time("Torqa", "getHardwareVersion", 2, torqa::getHardwareVersion);
    time("Torqa", "getSerialNumber", 2, torqa::getSerialNumber);
    time("Torqa", "close", 1, torqa::close);
  }

  private static void kromel() throws Exception {
    Kromel[] holder = new Kromel[1];
    time("Kromel", "new Kromel (CAN)", 1, () -> holder[0] = new Kromel(22));
    Kromel can = holder[0];
    time("Kromel", "getColor (CAN)", 1000, can::getColor);
    time("Kromel", "setBrightness (CAN, unacknowledged)", 2, () -> can.setBrightness(10));
    time("Kromel", "getConfig (CAN, unanswered)", 2, () -> can.getConfig(1));
    time("Kromel", "close (CAN)", 1, can::close);
    try (KromelUsbEmulator emulator = KromelUsbEmulator.start(1000)) {
      emulator.setStreaming(false);
      time("Kromel", "new Kromel (USB)", 1, () -> holder[0] = new Kromel(emulator.path(), 50));
      Kromel usb = holder[0];
      time("Kromel", "getColor (USB)", 1000, usb::getColor);
      time("Kromel", "setSampleTimeMs (USB)", 5, () -> usb.setSampleTimeMs(50));
      time("Kromel", "close (USB)", 1, usb::close);
    }
  }

  private static void dystan() throws Exception {
    Dystan[] holder = new Dystan[1];
    time("Dystan", "new Dystan (CAN)", 1, () -> holder[0] = new Dystan(23));
    Dystan can = holder[0];
    time("Dystan", "getData (CAN)", 5, () -> can.getData(64));
    time("Dystan", "getConfig(100) (CAN, unanswered)", 2, () -> can.getConfig(100));
    time("Dystan", "close (CAN)", 1, can::close);
    try (DystanUsbEmulator emulator = DystanUsbEmulator.start(10, false)) {
      emulator.setStreaming(false);
      emulator.setConfigReply("");
      time("Dystan", "new Dystan (USB)", 1, () -> holder[0] = new Dystan(emulator.path(), 0));
      Dystan usb = holder[0];
      time("Dystan", "getData (USB)", 1000, () -> usb.getData(64));
      time("Dystan", "getConfig(100) (USB, unanswered)", 2, () -> usb.getConfig(100));
      time("Dystan", "close (USB)", 1, usb::close);
    }
  }

  private static void lidarMini() throws Exception {
    try (LidarMiniEmulator emulator = LidarMiniEmulator.start()) {
      emulator.plugIn();
      LidarMini[] holder = new LidarMini[1];
      time("LidarMini", "new LidarMini", 1, () -> holder[0] = new LidarMini(SerialPort.USB1));
      LidarMini lidar = holder[0];
      emulator.setSilent(true);
      time("LidarMini", "getInfo (unanswered)", 1, lidar::getInfo);
      time("LidarMini", "getHealth (unanswered)", 1, lidar::getHealth);
      time("LidarMini", "start (no bytes arrive)", 1, lidar::start);
      time("LidarMini", "getData", 1000, lidar::getData);
      time("LidarMini", "increaseFrequency", 5, () -> lidar.increaseFrequency(false));
      time("LidarMini", "stop", 1, lidar::stop);
      time("LidarMini", "close", 1, lidar::close);
    }
  }

  private static void lidar() throws Exception {
    try (LidarRoomEmulator room = LidarRoomEmulator.start(1, false)) {
      SimSerial.mapPort(SerialPort.USB1.value(), room.path());
      Lidar[] holder = new Lidar[1];
      time("Lidar", "new Lidar", 1, () -> holder[0] = new Lidar(SerialPort.USB1));
      Lidar first = holder[0];
      time("Lidar", "getData", 1000, first::getData);
      time("Lidar", "stop", 1, first::stop);
      time("Lidar", "start", 1, first::start);
      time("Lidar", "new Lidar (replacing one)", 1, () -> holder[0] = new Lidar(SerialPort.USB1));
      time("Lidar", "close", 1, holder[0]::close);
      first.close();
    }
  }

  private static void linvo() throws Exception {
    Linvo[] holder = new Linvo[1];
    time("Linvo", "new Linvo (no converter)", 1, () -> holder[0] = new Linvo(3.3f));
    Linvo linvo = holder[0];
    time("Linvo", "getRawValue", 50, () -> linvo.getRawValue(0));
    time("Linvo", "getVoltage", 50, () -> linvo.getVoltage(0));
    time("Linvo", "close", 1, linvo::close);
  }

  private static void mockDs() throws Exception {
    MockDS[] holder = new MockDS[1];
    time("MockDS", "new MockDS", 1, () -> holder[0] = new MockDS());
    MockDS ds = holder[0];
    time("MockDS", "enable", 100, ds::enable);
    time("MockDS", "disable", 100, ds::disable);
    time("MockDS", "close", 1, ds::close);
  }
}
