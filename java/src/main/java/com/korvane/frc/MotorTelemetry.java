package com.korvane.frc;

import com.korvane.frc.jni.TorqaJNI;
import java.lang.invoke.VarHandle;
import java.util.concurrent.atomic.AtomicInteger;

/**
 * A motor controller's four speeds and four encoder counts as one driver call reads them, kept for
 * the other getters of the same robot loop: a getter less than {@link #FRESH_FOR_NANOS} after that
 * call takes its value from here without calling the driver; a later one reads all eight again.
 * Every value is therefore at most that much older than the CAN bus's newest frame.
 *
 * <p>Threading: any number of threads read at once, without a lock. The thread that reads the
 * driver writes the buffer readers are not directed to, then directs them to it; a reader whose
 * copy such a read overtook copies again. A thread that finds another one reading the driver
 * calls it for its own value alone instead of waiting. Allocates nothing.
 */
final class MotorTelemetry {
  /** How long one read of the driver serves the getters. */
  static final long FRESH_FOR_NANOS = 1_000_000;

  private static final int RPMS = 0;
  private static final int COUNTS = 4;
  private static final int VALUES = 8;

  private final double[][] buffers = {new double[VALUES], new double[VALUES]};
  // When the read that filled each buffer began (System.nanoTime()).
  private final long[] readAt = new long[2];
  // Reads published so far; the newest is in buffers[published & 1]. Written only while reading.
  private volatile int published;
  // 1 while a thread reads the driver. (An AtomicBoolean's compare-and-set goes through a
  // VarHandle, which costs far more on a path the compiler sees rarely, as this one is.)
  private final AtomicInteger reading = new AtomicInteger();

  /** A motor's speed, RPM; 0 when not reported or when the handle is not open. */
  double rpm(long handle, int motor) {
    double value = value(handle, RPMS + motor);
    return Double.isNaN(value) ? TorqaJNI.c_Torqa_getRecentRPM(handle, motor) : value;
  }

  /** A motor's encoder count; 0 when not reported or when the handle is not open. */
  int encoderCount(long handle, int motor) {
    double value = value(handle, COUNTS + motor);
    return Double.isNaN(value)
        ? TorqaJNI.c_Torqa_getRecentEncoderCount(handle, motor)
        : (int) value;
  }

  /**
   * The value in the slot, fresh; NaN when another thread is reading the driver or the driver did
   * not fill the buffer (the caller then asks the driver for that value alone).
   */
  private double value(long handle, int slot) {
    long now = System.nanoTime();
    while (true) {
      int seen = published;
      if (seen == 0) {
        break;
      }
      int newest = seen & 1;
      double value = buffers[newest][slot];
      long at = readAt[newest];
      VarHandle.loadLoadFence();
      if (published != seen) {
        continue; // a read of the driver came round to this buffer meanwhile
      }
      if (now - at < FRESH_FOR_NANOS) {
        return value;
      }
      break;
    }
    if (!reading.compareAndSet(0, 1)) {
      return Double.NaN;
    }
    try {
      int next = published + 1;
      double[] into = buffers[next & 1];
      if (!TorqaJNI.c_Torqa_readMotorTelemetry(handle, into)) {
        return Double.NaN;
      }
      readAt[next & 1] = now;
      published = next;
      return into[slot];
    } finally {
      reading.set(0);
    }
  }
}
