package com.korvane.frc;

import java.util.function.BooleanSupplier;

/** Waits for conditions with generous deadlines instead of fixed sleeps. */
final class Wait {
  private Wait() {}

  static boolean until(BooleanSupplier condition) {
    return until(condition, 5000);
  }

  static boolean until(BooleanSupplier condition, long timeoutMillis) {
    long deadline = System.nanoTime() + timeoutMillis * 1_000_000L;
    while (!condition.getAsBoolean()) {
      if (System.nanoTime() > deadline) {
        return false;
      }
      try {
        Thread.sleep(5);
      } catch (InterruptedException e) {
        Thread.currentThread().interrupt();
        return false;
      }
    }
    return true;
  }
}
