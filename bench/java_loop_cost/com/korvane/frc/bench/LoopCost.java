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
import java.lang.management.ManagementFactory;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;

/**
 * What one robot loop costs that reads every device once through the device classes, every
 * device simulated and streaming. Loops start every period (at once after an overrun); each read
 * is timed on its own and the loop's reads together, and the bytes the JVM allocated on the loop's
 * thread during its reads are counted. Prints every read's median and 99th percentile and those of
 * the loop's total, in microseconds, and the bytes allocated per loop, for each period in turn.
 *
 * <p>The reads go through the forms that fill a result object the loop keeps ({@code
 * getColor(into)}, {@code getData(into)}, ...); with {@code --allocating}, through the forms that
 * return a new object each time.
 *
 * <p>The first read of a loop also pays for the thread coming back from its sleep (code and data
 * fetched again, the first native call's way in): with {@code --rotate} each loop starts at the
 * next read in turn, so that no one read carries that cost in every loop.
 *
 * <p>Before any timing the loop runs {@code --jit-warm-up} times back to back (20000 unless given),
 * so that the JIT has compiled the reads as it has in a robot program that has run for a few
 * minutes; {@code --jit-warm-up 0} measures them as in the program's first minutes, interpreted
 * or compiled without optimisation. Then, at each period, 50 loops run untimed.
 *
 * <p>Run: {@code java -Djava.library.path=build/default/lib -cp
 * build/default/jar/korvane.jar:build/default/jar/korvane-bench.jar
 * com.korvane.frc.bench.LoopCost [--allocating] [--rotate] [--jit-warm-up N] [loops [periodMs
 * ...]]} (500 loops at 20 ms and then at 1 ms when not given). The short period shows what the
 * reads cost with caches kept warm; the robot loop's 20 ms shows them fetched cold.
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

    Row(String name, Read read) {
      this.name = name;
      this.read = read;
    }
  }

  private static final com.sun.management.ThreadMXBean THREADS =
      (com.sun.management.ThreadMXBean) ManagementFactory.getThreadMXBean();

  /**
   * Opens the simulated devices, runs the loops at each period and prints the tables.
   *
   * @param args {@code --allocating}, the number of timed loops, the periods in milliseconds
   * @throws Exception when a device cannot be opened
   */
  public static void main(String[] args) throws Exception {
    List<String> rest = new ArrayList<>(Arrays.asList(args));
    boolean allocating = rest.remove("--allocating");
    boolean rotate = rest.remove("--rotate");
    int jitWarmUp = 20000;
    int option = rest.indexOf("--jit-warm-up");
    if (option >= 0) {
      rest.remove(option);
      jitWarmUp = Integer.parseInt(rest.remove(option));
    }
    int loops = rest.isEmpty() ? 500 : Integer.parseInt(rest.remove(0));
    int[] periodsMs =
        rest.isEmpty() ? new int[] {20, 1} : rest.stream().mapToInt(Integer::parseInt).toArray();

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

    Kromel.ColorData color = new Kromel.ColorData();
    Dystan.ScanData usbScan = new Dystan.ScanData();
    Dystan.ScanData canScan = new Dystan.ScanData();
    Lidar.ScanData table = new Lidar.ScanData();
    LidarMini.ScanData revolution = new LidarMini.ScanData();
    Row[] rows = {
      new Row(
          "Torqa getRPM+getEncoderCount x4",
          () -> {
            for (int motor = 0; motor < Torqa.MOTORS; motor++) {
              torqa.getRPM(motor);
              torqa.getEncoderCount(motor);
            }
          }),
      new Row(
          "Kromel getColor (CAN)",
          allocating ? () -> kromel.getColor() : () -> kromel.getColor(color)),
      new Row(
          "Dystan getData(64) (USB)",
          allocating ? () -> dystanUsb.getData(64) : () -> dystanUsb.getData(64, usbScan)),
      new Row("Lidar getData", allocating ? () -> lidar.getData() : () -> lidar.getData(table)),
      new Row(
          "LidarMini getData", allocating ? () -> mini.getData() : () -> mini.getData(revolution)),
      new Row(
          "Linvo getVoltage x4",
          () -> {
            for (int channel = 0; channel < Linvo.CHANNELS; channel++) {
              linvo.getVoltage(channel);
            }
          }),
      new Row(
          "Dystan getData(64) (CAN)",
          allocating ? () -> dystanCan.getData(64) : () -> dystanCan.getData(64, canScan)),
    };

    System.out.printf(
        "reads through the %s forms%s, after %d loops back to back for the JIT%n",
        allocating ? "allocating" : "filling",
        rotate ? ", each loop starting at the next read" : "",
        jitWarmUp);
    for (int i = 0; i < jitWarmUp; i++) {
      for (Row row : rows) {
        row.read.run();
      }
    }
    for (int periodMs : periodsMs) {
      runLoops(rows, loops, periodMs, rotate);
    }

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

  private static void runLoops(Row[] rows, int loops, int periodMs, boolean rotate)
      throws InterruptedException {
    long loopNs = periodMs * 1_000_000L;
    long[][] nanos = new long[rows.length][loops];
    long[] totals = new long[loops];
    long[] allocated = new long[loops];
    long next = System.nanoTime();
    for (int loop = -WARM_UP_LOOPS; loop < loops; loop++) {
      long total = 0;
      long bytesBefore = THREADS.getCurrentThreadAllocatedBytes();
      int first = rotate ? Math.floorMod(loop, rows.length) : 0;
      for (int k = 0; k < rows.length; k++) {
        int r = (first + k) % rows.length;
        long start = System.nanoTime();
        rows[r].read.run();
        long took = System.nanoTime() - start;
        total += took;
        if (loop >= 0) {
          nanos[r][loop] = took;
        }
      }
      long bytes = THREADS.getCurrentThreadAllocatedBytes() - bytesBefore;
      if (loop >= 0) {
        totals[loop] = total;
        allocated[loop] = bytes;
      }
      next += loopNs;
      long wait = next - System.nanoTime();
      if (wait > 0) {
        Thread.sleep(wait / 1_000_000, (int) (wait % 1_000_000));
      } else {
        next = System.nanoTime();
      }
    }

    System.out.printf("%n%d loops of %d ms%n", loops, periodMs);
    System.out.printf("%-34s %12s %12s%n", "read, per loop", "median us", "p99 us");
    for (int r = 0; r < rows.length; r++) {
      print(rows[r].name, nanos[r]);
    }
    print("loop total", totals);
    long sum = 0;
    long most = 0;
    for (long bytes : allocated) {
      sum += bytes;
      most = Math.max(most, bytes);
    }
    System.out.printf(
        "bytes allocated per loop: mean %.1f, most %d%n", sum / (double) loops, most);
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
