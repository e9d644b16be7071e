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
import java.util.concurrent.atomic.AtomicLong;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * The natives are public: four threads calling through a handle while a fifth destroys it and
 * creates the next must neither crash the JVM nor see a freed object.
 */
class NativeCallRaceTest {
  private static final int CALLERS = 4;

  @BeforeEach
  void freshBus() {
    SimCan.reset();
  }

  @AfterEach
  void cleanBus() {
    SimCan.reset();
  }

  @Test
  void motorControllerCommandsRacingDestroyAndCreate() throws Exception {
    AtomicLong current = new AtomicLong(TorqaJNI.c_Torqa_create(1, 1000));
    assertNotEquals(0, current.get());
    // Every create opens a handle of its own: the controller 1 of the previous round is destroyed.
    AtomicLong controllerOne = new AtomicLong(current.get());
    long calls =
        CallerRace.race(
            CALLERS,
            current::get,
            handle -> {
              TorqaJNI.c_Torqa_setTargetVelocity(handle, 1, 120.0f);
              TorqaJNI.c_Torqa_getRPM(handle, 1);
            },
            round -> {
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
            100,
            2000);
    TorqaJNI.c_Torqa_destroy(current.get());
    assertTrue(calls > 0);
    assertEquals(0, SimCan.openHandles());
  }

  @Test
  void colourSensorCallsRacingDestroyAndCreate() throws Exception {
    try (KromelSimulator sensor = KromelSimulator.attachQuiet()) {
      sensor.setAckStatus(0);
      AtomicLong current = new AtomicLong(KromelJNI.c_Kromel_create(7));
      assertNotEquals(0, current.get());
      long calls =
          CallerRace.race(
              CALLERS,
              current::get,
              handle -> {
                int id = KromelJNI.c_Kromel_getCanID(handle);
                assertTrue(id == -1 || id == 7, () -> "CAN ID " + id);
                int transport = KromelJNI.c_Kromel_getTransport(handle);
                assertTrue(transport == -1 || transport == 0, () -> "transport " + transport);
                KromelJNI.c_Kromel_getColor(handle);
                KromelJNI.c_Kromel_setBrightness(handle, 40);
              },
              round -> {
                long next = KromelJNI.c_Kromel_create(7);
                assertNotEquals(0, next);
                KromelJNI.c_Kromel_destroy(current.getAndSet(next));
              },
              2000,
              2000);
      KromelJNI.c_Kromel_destroy(current.get());
      assertTrue(calls > 0);
    }
  }
}
