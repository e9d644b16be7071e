package com.korvane.frc.bench;

import com.korvane.frc.Torqa;
import com.korvane.frc.jni.KromelJNI;
import com.korvane.frc.jni.TorqaJNI;
import com.korvane.frc.sim.NativeBaseline;
import com.korvane.frc.sim.SimCan;
import java.util.Arrays;

/**
 * Java-to-native call cost of the motor controller's setMotorSpeed and getRPM, beside empty
 * natives of the same shape measured in the same JVM run, directly through TorqaJNI (getRPM both
 * as the HAL read it makes every call and from the recent frames, which one read serves for 1 ms)
 * and through the Torqa class (which reads the recent frames); and, for a call that finds its object in the live-object registry, the colour
 * sensor's getCanID. Runs on the simulated bus (no simulator attached, robot disabled).
 *
 * <p>Usage: {@code java -Djava.library.path=build/default/lib -cp
 * build/default/jar/korvane.jar:build/default/jar/korvane-bench.jar
 * com.korvane.frc.bench.TorqaCallCost [calls per round]}
 */
public final class TorqaCallCost {
  private static final int ROUNDS = 7;
  private static double sink;

  private TorqaCallCost() {}

  private interface Body {
    void run(int calls);
  }

  /** Median nanoseconds per call over the rounds, after one warm-up round. */
  private static double measure(Body body, int calls) {
    body.run(calls);
    double[] perCall = new double[ROUNDS];
    for (int r = 0; r < ROUNDS; r++) {
      long start = System.nanoTime();
      body.run(calls);
      perCall[r] = (System.nanoTime() - start) / (double) calls;
    }
    Arrays.sort(perCall);
    return perCall[ROUNDS / 2];
  }

  public static void main(String[] args) {
    int calls = args.length > 0 ? Integer.parseInt(args[0]) : 2_000_000;
    SimCan.reset();
    try (Torqa torqa = new Torqa(1, 1000)) {
      long h = torqa.getHandle();
      SimCan.inject(0x020C0000 | (41 << 6) | 1, 0x39, 0x30, 0, 0, 0, 0, 0, 0);

      double emptyVoid =
          measure(
              n -> {
                for (int i = 0; i < n; i++) NativeBaseline.emptyVoid(h, 0, 0.5);
              },
              calls);
      double emptyDouble =
          measure(
              n -> {
                double s = 0;
                for (int i = 0; i < n; i++) s += NativeBaseline.emptyDouble(h, 0);
                sink += s;
              },
              calls);
      double setSpeed =
          measure(
              n -> {
                for (int i = 0; i < n; i++) TorqaJNI.c_Torqa_setMotorSpeed(h, 0, 0.5);
              },
              calls);
      double getRpm =
          measure(
              n -> {
                double s = 0;
                for (int i = 0; i < n; i++) s += TorqaJNI.c_Torqa_getRPM(h, 0);
                sink += s;
              },
              calls);
      double getRecentRpm =
          measure(
              n -> {
                double s = 0;
                for (int i = 0; i < n; i++) s += TorqaJNI.c_Torqa_getRecentRPM(h, 0);
                sink += s;
              },
              calls);
      double classSetSpeed =
          measure(
              n -> {
                for (int i = 0; i < n; i++) torqa.setSpeed(0, 0.5);
              },
              calls);
      double classGetRpm =
          measure(
              n -> {
                double s = 0;
                for (int i = 0; i < n; i++) s += torqa.getRPM(0);
                sink += s;
              },
              calls);
      long sensor = KromelJNI.c_Kromel_create(5);
      double kromelGetCanId =
          measure(
              n -> {
                double s = 0;
                for (int i = 0; i < n; i++) s += KromelJNI.c_Kromel_getCanID(sensor);
                sink += s;
              },
              calls);
      KromelJNI.c_Kromel_destroy(sensor);

      System.out.printf("calls per round %d, median of %d rounds%n", calls, ROUNDS);
      System.out.printf("empty native (long, int, double) -> void   %8.1f ns/call%n", emptyVoid);
      System.out.printf("empty native (long, int) -> double         %8.1f ns/call%n", emptyDouble);
      System.out.printf(
          "TorqaJNI.c_Torqa_setMotorSpeed             %8.1f ns/call  (%.1f x empty)%n",
          setSpeed, setSpeed / emptyVoid);
      System.out.printf(
          "TorqaJNI.c_Torqa_getRPM                    %8.1f ns/call  (%.1f x empty)%n",
          getRpm, getRpm / emptyDouble);
      System.out.printf(
          "TorqaJNI.c_Torqa_getRecentRPM              %8.1f ns/call  (%.1f x empty)%n",
          getRecentRpm, getRecentRpm / emptyDouble);
      System.out.printf(
          "Torqa.setSpeed                             %8.1f ns/call  (%.1f x empty)%n",
          classSetSpeed, classSetSpeed / emptyVoid);
      System.out.printf(
          "Torqa.getRPM                               %8.1f ns/call  (%.1f x empty)%n",
          classGetRpm, classGetRpm / emptyDouble);
      System.out.printf(
          "KromelJNI.c_Kromel_getCanID                %8.1f ns/call  (%.1f x empty)%n",
          kromelGetCanId, kromelGetCanId / emptyDouble);
      if (sink == 42) {
        System.out.println();
      }
    }
    SimCan.reset();
  }
}
