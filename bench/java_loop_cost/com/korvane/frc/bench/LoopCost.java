package com.korvane.frc.bench;

import com.korvane.frc.Dystan;
import com.korvane.frc.Kromel;
import com.korvane.frc.Lidar;
import com.korvane.frc.LidarMini;
import com.korvane.frc.Linvo;
import com.korvane.frc.SerialPort;
import com.korvane.frc.Torqa;
import com.korvane.frc.sim.DystanSimulator;
import com.korvane.frc.sim.DystanUsbEmulator;
import com.korvane.frc.sim.KromelSimulator;
import com.korvane.frc.sim.LidarMiniEmulator;
import com.korvane.frc.sim.LidarRoomEmulator;
import com.korvane.frc.sim.LinvoSimulator;
import com.korvane.frc.sim.SimSerial;
import com.korvane.frc.sim.TorqaSimulator;
import java.util.Arrays;

/**
 * What one robot loop costs that reads every device once through the device classes, every
 * device simulated and streaming. Loops start every 20 ms (at once after an overrun); each read is
 * timed on its own and the loop's reads together. Prints every read's median and 99th percentile
 * and those of the loop's total, in microseconds.
 *
 * <p>Run: {@code java -Djava.library.path=build/default/lib -cp
 * build/default/jar/korvane.jar:build/default/jar/korvane-bench.jar
 * com.korvane.frc.bench.LoopCost [loops [periodMs]]} (500 loops of 20 ms when not given; 50 more
 * run first, untimed). A shorter period shows what the reads cost with caches kept warm.
 */
public final class LoopCost {
  private static final int WARM_UP_LOOPS = 50;

  private LoopCost() {}

  private interface Read {
    void run();
  }

  private static final class Row {
    final String name;
    final Read read;
    final long[] nanos;

    Row(String name, Read read, int loops) {
      this.name = name;
      this.read = read;
      this.nanos = new long[loops];
    }
  }

  /**
   * Opens the simulated devices, runs the loops and prints the table.
   *
   * @param args optionally the number of timed loops
   * @throws Exception when a device cannot be opened
   */
  public static void main(String[] args) throws Exception {
    int loops = args.length > 0 ? Integer.parseInt(args[0]) : 500;
    int periodMs = args.length > 1 ? Integer.parseInt(args[1]) : 20;
    long loopNs = periodMs * 1_000_000L;
    TorqaSimulator torqaSim = TorqaSimulator.attach(1);
    KromelSimulator kromelSim = KromelSimulator.attach();
    DystanUsbEmulator dystanUsbSim = DystanUsbEmulator.start(20, false);
    DystanSimulator dystanCanSim = DystanSimulator.attach(3, 20);
    LidarRoomEmulator room = LidarRoomEmulator.start(1, true);
    SimSerial.mapPort(SerialPort.MXP.value(), room.path());
    LidarMiniEmulator miniSim = LidarMiniEmulator.start();
    miniSim.plugIn();
    LinvoSimulator converter = LinvoSimulator.attach();
    for (int channel = 0; channel < Linvo.CHANNELS; channel++) {
      converter.setVoltage(channel, 0.5 + 0.25 * channel);
    }

    Torqa torqa = new Torqa(1, 20000);
    Kromel kromel = new Kromel(2);
    Dystan dystanUsb = new Dystan(dystanUsbSim.path(), 20);
    Dystan dystanCan = new Dystan(3);
    Lidar lidar = new Lidar(SerialPort.MXP);
    LidarMini mini = new LidarMini(SerialPort.USB1);
    mini.start();
    Linvo linvo = new Linvo(3.3f);

    Row[] rows = {
      new Row(
          "Torqa getRPM+getEncoderCount x4",
          () -> {
            for (int motor = 0; motor < 4; motor++) {
              torqa.getRPM(motor);
              torqa.getEncoderCount(motor);
            }
          },
          loops),
      new Row("Kromel getColor (CAN)", kromel::getColor, loops),
      new Row("Dystan getData(64) (USB)", () -> dystanUsb.getData(64), loops),
      new Row("Lidar getData", lidar::getData, loops),
      new Row("LidarMini getData", mini::getData, loops),
      new Row(
          "Linvo getVoltage x4",
          () -> {
            for (int channel = 0; channel < Linvo.CHANNELS; channel++) {
              linvo.getVoltage(channel);
            }
          },
          loops),
      new Row("Dystan getData(64) (CAN)", () -> dystanCan.getData(64), loops),
    };
    long[] totals = new long[loops];

    long next = System.nanoTime();
    for (int loop = -WARM_UP_LOOPS; loop < loops; loop++) {
      long total = 0;
      for (Row row : rows) {
        long start = System.nanoTime();
        row.read.run();
        long took = System.nanoTime() - start;
        total += took;
        if (loop >= 0) {
          row.nanos[loop] = took;
        }
      }
      if (loop >= 0) {
        totals[loop] = total;
      }
      next += loopNs;
      long wait = next - System.nanoTime();
      if (wait > 0) {
        Thread.sleep(wait / 1_000_000, (int) (wait % 1_000_000));
      } else {
        next = System.nanoTime();
      }
    }

    System.out.printf("%d loops of %d ms%n", loops, periodMs);
    System.out.printf("%-34s %12s %12s%n", "read, per loop", "median us", "p99 us");
    for (Row row : rows) {
      print(row.name, row.nanos);
    }
    print("loop total", totals);

    linvo.close();
    mini.close();
    lidar.close();
    dystanCan.close();
    dystanUsb.close();
    kromel.close();
    torqa.close();
    converter.close();
    miniSim.close();
    room.close();
    dystanCanSim.close();
    dystanUsbSim.close();
    kromelSim.close();
    torqaSim.close();
    System.exit(0);
  }

  private static void print(String name, long[] nanos) {
    long[] sorted = nanos.clone();
    Arrays.sort(sorted);
    System.out.printf(
        "%-34s %12.1f %12.1f%n",
        name, percentile(sorted, 0.50) / 1e3, percentile(sorted, 0.99) / 1e3);
  }

  private static long percentile(long[] sorted, double fraction) {
    int index = (int) Math.ceil(fraction * sorted.length) - 1;
    return sorted[Math.max(0, Math.min(sorted.length - 1, index))];
  }
}
