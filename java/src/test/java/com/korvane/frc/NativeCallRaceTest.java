package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.jni.KromelJNI;
import com.korvane.frc.jni.TorqaJNI;
import com.korvane.frc.sim.KromelSimulator;
import com.korvane.frc.sim.SimCan;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.ConcurrentLinkedQueue;
import java.util.concurrent.atomic.AtomicBoolean;
import java.util.concurrent.atomic.AtomicLong;
import java.util.function.LongConsumer;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * The natives are public: four threads calling through a handle while a fifth destroys it and
 * creates the next must neither crash the JVM nor see a freed object.
 */
class NativeCallRaceTest {
  private static final long DEADLINE_NANOS = 20_000_000_000L;

  @BeforeEach
  void freshBus() {
    SimCan.reset();
  }

  @AfterEach
  void cleanBus() {
    SimCan.reset();
  }

  /** Runs four callers on the current handle until the churn has done its rounds. */
  private static long race(AtomicLong current, LongConsumer call, Runnable churnRound, int rounds)
      throws InterruptedException {
    AtomicBoolean done = new AtomicBoolean();
    AtomicLong calls = new AtomicLong();
    ConcurrentLinkedQueue<Throwable> failures = new ConcurrentLinkedQueue<>();
    List<Thread> callers = new ArrayList<>();
    for (int i = 0; i < 4; i++) {
      Thread caller =
          new Thread(
              () -> {
                try {
                  while (!done.get()) {
                    call.accept(current.get());
                    calls.incrementAndGet();
                  }
                } catch (Throwable t) {
                  failures.add(t);
                }
              });
      caller.start();
      callers.add(caller);
    }
    long start = System.nanoTime();
    for (int round = 0;
        (round < rounds || calls.get() < 2000) && System.nanoTime() - start < DEADLINE_NANOS;
        round++) {
      churnRound.run();
    }
    done.set(true);
    for (Thread caller : callers) caller.join();
    assertTrue(failures.isEmpty(), () -> "a caller failed: " + failures.peek());
    return calls.get();
  }

  @Test
  void motorControllerCommandsRacingDestroyAndCreate() throws InterruptedException {
    AtomicLong current = new AtomicLong(TorqaJNI.c_Torqa_create(1, 1000));
    assertNotEquals(0, current.get());
    // Every create opens a handle of its own: the controller 1 of the previous round is destroyed.
    AtomicLong controllerOne = new AtomicLong(current.get());
    long calls =
        race(
            current,
            handle -> {
              TorqaJNI.c_Torqa_setTargetVelocity(handle, 1, 120.0f);
              TorqaJNI.c_Torqa_getRPM(handle, 1);
            },
            () -> {
              List<Long> open = new ArrayList<>();
              for (int device = 2; device <= 63; device++) {
                long handle = TorqaJNI.c_Torqa_create(device, 1000);
                assertNotEquals(0, handle);
                open.add(handle);
                current.set(handle);
              }
              for (long handle : open) TorqaJNI.c_Torqa_destroy(handle);
              long fresh = TorqaJNI.c_Torqa_create(1, 1000);
              current.set(fresh);
              TorqaJNI.c_Torqa_destroy(controllerOne.getAndSet(fresh));
            },
            100);
    TorqaJNI.c_Torqa_destroy(current.get());
    assertTrue(calls > 0);
    assertEquals(0, SimCan.openHandles());
  }

  @Test
  void colourSensorCallsRacingDestroyAndCreate() throws InterruptedException {
    try (KromelSimulator sensor = KromelSimulator.attachQuiet()) {
      sensor.setAckStatus(0);
      AtomicLong current = new AtomicLong(KromelJNI.c_Kromel_create(7));
      assertNotEquals(0, current.get());
      race(
          current,
          handle -> {
            int id = KromelJNI.c_Kromel_getCanID(handle);
            assertTrue(id == -1 || id == 7, () -> "CAN ID " + id);
            int transport = KromelJNI.c_Kromel_getTransport(handle);
            assertTrue(transport == -1 || transport == 0, () -> "transport " + transport);
            KromelJNI.c_Kromel_getColor(handle);
            KromelJNI.c_Kromel_setBrightness(handle, 40);
          },
          () -> {
            long next = KromelJNI.c_Kromel_create(7);
            assertNotEquals(0, next);
            KromelJNI.c_Kromel_destroy(current.getAndSet(next));
          },
          2000);
      KromelJNI.c_Kromel_destroy(current.get());
    }
  }
}
