package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.sim.DystanSimulator;
import com.korvane.frc.sim.DystanUsbEmulator;
import com.korvane.frc.sim.KromelSimulator;
import com.korvane.frc.sim.LidarMiniEmulator;
import com.korvane.frc.sim.LidarRoomEmulator;
import com.korvane.frc.sim.LinvoSimulator;
import com.korvane.frc.sim.SimCan;
import com.korvane.frc.sim.SimSerial;
import com.korvane.frc.sim.TorqaSimulator;
import java.lang.management.ManagementFactory;
import org.junit.jupiter.api.Test;

/**
 * A robot loop that reads every device once through the forms that fill the loop's own result
 * objects, and asks each whether it is connected and how old its data is, allocates nothing once
 * warmed up, whatever the JIT has or has not compiled by then.
 * Every device is simulated and streaming, so the reads have new data to copy.
 */
class LoopAllocationTest {
  private static final com.sun.management.ThreadMXBean THREADS =
      (com.sun.management.ThreadMXBean) ManagementFactory.getThreadMXBean();

  @Test
  void aLoopOfEveryPerLoopReadAllocatesNothing() throws Exception {
    assertTrue(THREADS.isThreadAllocatedMemorySupported());
    THREADS.setThreadAllocatedMemoryEnabled(true);
    SimCan.reset();
    TorqaSimulator torqaSim = TorqaSimulator.attach(1);
    KromelSimulator kromelSim = KromelSimulator.attach();
    DystanSimulator dystanCanSim = DystanSimulator.attach(3, 50);
    try (DystanUsbEmulator dystanUsbSim = DystanUsbEmulator.start(50, false);
        LidarRoomEmulator room = LidarRoomEmulator.start(1, true);
        LidarMiniEmulator miniSim = LidarMiniEmulator.start();
        LinvoSimulator converter = LinvoSimulator.attach()) {
      assertTrue(SimSerial.mapPort(SerialPort.MXP.value(), room.path()));
      miniSim.plugIn();
      for (int channel = 0; channel < Linvo.CHANNELS; channel++) {
        converter.setVoltage(channel, 0.5 + 0.25 * channel);
      }
      try (Torqa torqa = new Torqa(1, 20000);
          Kromel kromel = new Kromel(2);
          Dystan dystanUsb = new Dystan(dystanUsbSim.path(), 50);
          Dystan dystanCan = new Dystan(3);
          Lidar lidar = new Lidar(SerialPort.MXP);
          LidarMini mini = new LidarMini(SerialPort.USB1);
          Linvo linvo = new Linvo(3.3f)) {
        mini.start();
        Loop loop = new Loop(torqa, kromel, dystanUsb, dystanCan, lidar, mini, linvo);
        // Until every device has delivered, so that the result objects have their full size.
        assertTrue(Wait.until(() -> loop.readEverything() && loop.delivered(), 10_000));
        for (int i = 0; i < 20_000; i++) {
          loop.readEverything();
        }
        long counterItself = allocatedDuring(() -> {});
        long loops = allocatedDuring(
            () -> {
              for (int i = 0; i < 2_000; i++) {
                loop.readEverything();
              }
            });
        assertEquals(0, loops - counterItself, "bytes allocated by 2000 loops of reads");
        assertTrue(loop.delivered());
      }
    } finally {
      dystanCanSim.close();
      kromelSim.close();
      torqaSim.close();
      SimCan.reset();
    }
  }

  private static long allocatedDuring(Runnable body) {
    long before = THREADS.getCurrentThreadAllocatedBytes();
    body.run();
    return THREADS.getCurrentThreadAllocatedBytes() - before;
  }

  /** Every per-loop read, each into the loop's own result object. */
  private static final class Loop {
    final Torqa torqa;
    final Kromel kromel;
    final Dystan dystanUsb;
    final Dystan dystanCan;
    final Lidar lidar;
    final LidarMini mini;
    final Linvo linvo;
    final Kromel.ColorData color = new Kromel.ColorData();
    final Dystan.ScanData usbScan = new Dystan.ScanData();
    final Dystan.ScanData canScan = new Dystan.ScanData();
    final Lidar.ScanData table = new Lidar.ScanData();
    final LidarMini.ScanData revolution = new LidarMini.ScanData();
    final double[] targets = new double[Torqa.MOTORS];
    double sum;
    int colours;
    long healthy;

    Loop(
        Torqa torqa,
        Kromel kromel,
        Dystan dystanUsb,
        Dystan dystanCan,
        Lidar lidar,
        LidarMini mini,
        Linvo linvo) {
      this.torqa = torqa;
      this.kromel = kromel;
      this.dystanUsb = dystanUsb;
      this.dystanCan = dystanCan;
      this.lidar = lidar;
      this.mini = mini;
      this.linvo = linvo;
    }

    boolean readEverything() {
      for (int motor = 0; motor < Torqa.MOTORS; motor++) {
        sum += torqa.getRPM(motor) + torqa.getEncoderCount(motor) + torqa.getEncoderDistance(motor);
        sum += torqa.getEncoderSpeed(motor) + torqa.getOrvixPosition(motor);
        sum += torqa.getLimitSwitch(motor, false) ? 1 : 0;
      }
      sum += torqa.getFrequency() + torqa.getTemperature();
      sum += torqa.getTargetRPMs(targets) == null ? 0 : targets[0];
      if (kromel.getColor(color) != null) {
        colours++;
      }
      assertNotNull(dystanUsb.getData(64, usbScan));
      assertNotNull(dystanCan.getData(64, canScan));
      assertNotNull(lidar.getData(table));
      assertNotNull(mini.getData(revolution));
      for (int channel = 0; channel < Linvo.CHANNELS; channel++) {
        sum += linvo.getVoltage(channel) + linvo.getRawValue(channel);
      }
      // Each device's health, as a loop that checks for a device gone would look at it.
      healthy += torqa.isConnected() ? 1 : 0;
      healthy += kromel.isConnected() && dystanUsb.isConnected() && dystanCan.isConnected() ? 1 : 0;
      healthy += lidar.isConnected() && mini.isConnected() ? 1 : 0;
      sum += torqa.getDataAgeMs() + kromel.getDataAgeMs() + dystanUsb.getDataAgeMs();
      sum += dystanCan.getDataAgeMs() + lidar.getDataAgeMs() + mini.getDataAgeMs();
      return true;
    }

    boolean delivered() {
      return colours > 0
          && usbScan.size() == Dystan.MAX_DISTANCES
          && canScan.size() == Dystan.MAX_DISTANCES
          && table.validCount() > 0
          && revolution.size() > 0
          && linvo.getRawValue(0) > 0;
    }
  }
}
