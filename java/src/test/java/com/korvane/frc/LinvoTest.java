package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.jni.LinvoJNI;
import com.korvane.frc.sim.LinvoSimulator;
import com.korvane.frc.sim.SimI2C;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicReference;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Tag;
import org.junit.jupiter.api.Test;

class LinvoTest {
  @BeforeEach
  void freshBus() {
    SimI2C.reset();
  }

  @AfterEach
  void cleanBus() {
    SimI2C.reset();
  }

  @Test
  void readsCountsAndVoltagesFromTheSimulatedConverter() {
    try (LinvoSimulator converter = LinvoSimulator.attach(); Linvo linvo = new Linvo(3.3f)) {
      assertTrue(linvo.isConnected());
      assertTrue(SimI2C.portOpen(1));
      converter.setVoltage(0, 0.25);
      converter.setVoltage(1, 1.0);
      converter.setVoltage(2, 2.047);
      converter.setVoltage(3, -0.05);
      assertTrue(
          Wait.until(
              () ->
                  linvo.getRawValue(0) == 250
                      && linvo.getRawValue(1) == 1000
                      && linvo.getRawValue(2) == 2047
                      && linvo.getRawValue(3) == 0));
      assertEquals(250, linvo.getRawValue(0));
      assertEquals(1000, linvo.getRawValue(1));
      assertEquals(2047, linvo.getRawValue(2));
      assertEquals(0, linvo.getRawValue(3), "just below ground reads as ground");
      assertEquals(0.0f, linvo.getVoltage(3));
      assertEquals(1.0f, linvo.getVoltage(1), 1e-4); // the input's volts, not scaled by 3.3 V
      assertEquals(2.047f, linvo.getVoltage(2), 1e-4);
      assertEquals(0, linvo.getRawValue(4));
    }
    assertFalse(SimI2C.portOpen(1));
  }

  @Test
  void closingAReplacedSensorLeavesTheNewerOneReading() {
    try (LinvoSimulator converter = LinvoSimulator.attach()) {
      converter.setVoltage(0, 0.25);
      Linvo first = new Linvo(3.3f);
      try (Linvo second = new Linvo(3.3f)) {
        // Replaced, not closed: its calls reach nothing because the driver no longer has it.
        assertEquals(0, first.getRawValue(0));
        assertEquals(0.0f, first.getVoltage(0));
        assertFalse(first.isConnected());
        assertEquals(-1, first.getDataAgeMs());
        assertNull(first.getFaults());
        assertTrue(Wait.until(() -> second.getRawValue(0) == 250));
        first.close();
        assertTrue(SimI2C.portOpen(1), "the newer sensor keeps the bus");
        assertEquals(0, first.getRawValue(0), "the replaced object is closed");
        assertTrue(Wait.until(() -> second.getRawValue(0) == 250));
        converter.setVoltage(0, 1.0);
        assertTrue(Wait.until(() -> second.getRawValue(0) == 1000), "still sampling");
      }
      assertFalse(SimI2C.portOpen(1));
    }
  }

  @Test
  void callsRacingCloseAndReplacementGiveTheirOpenOrClosedValue() throws Exception {
    try (LinvoSimulator converter = LinvoSimulator.attach()) {
      converter.setVoltage(0, 0.25);
      List<Linvo> opened = new ArrayList<>(List.of(new Linvo(3.3f)));
      AtomicReference<Linvo> current = new AtomicReference<>(opened.get(0));
      long calls =
          CallerRace.race(
              4,
              current::get,
              linvo -> {
                int count = linvo.getRawValue(0);
                assertTrue(count == 0 || count == 250, () -> "count " + count);
                float volts = linvo.getVoltage(0);
                assertTrue(volts == 0.0f || volts == 0.25f, () -> "volts " + volts);
                long age = linvo.getDataAgeMs();
                assertTrue(age >= -1, () -> "age " + age);
                linvo.isConnected();
                DeviceFaults faults = linvo.getFaults();
                assertTrue(faults == null || faults.dataAgeMs >= -1);
                int queued = linvo.getRawValueAsync(0).get(10, TimeUnit.SECONDS);
                assertTrue(queued == 0 || queued == 250, () -> "queued count " + queued);
              },
              round -> {
                Linvo older = current.get();
                Linvo newer = new Linvo(3.3f); // replaces the older one while its calls run
                opened.add(newer);
                current.set(newer);
                if (round % 2 == 0) {
                  older.close(); // leaves the newer one alone
                } else {
                  newer.close(); // the callers now hold a closed object until the next round
                }
              },
              60,
              200);
      assertTrue(calls > 0);
      for (Linvo linvo : opened) {
        linvo.close();
      }

      try (Linvo last = new Linvo(3.3f)) {
        assertTrue(Wait.until(() -> last.getRawValue(0) == 250), "the newest opening reads");
      }
      assertFalse(SimI2C.portOpen(1));
    }
  }

  @Test
  void exportCutsTheChannelToEightBits() {
    try (LinvoSimulator converter = LinvoSimulator.attach()) {
      converter.setVoltage(0, 0.5);
      assertTrue(LinvoJNI.c_initializeI2C(3.3f));
      SimI2C.clearTransactions();
      assertEquals(0, LinvoJNI.c_getRawValue(-1));
      assertEquals(0, LinvoJNI.c_getRawValue(4));
      assertEquals(0.0f, LinvoJNI.c_getVoltage(255));
      assertTrue(SimI2C.transactions().isEmpty(), "no bus traffic above channel 3");

      assertEquals(500, LinvoJNI.c_getRawValue(256));
      List<SimI2C.Transaction> reading = SimI2C.transactions();
      assertEquals(3, reading.size());
      assertEquals(SimI2C.Call.WRITE, reading.get(0).call);
      assertEquals(0x48, reading.get(0).address);
      assertEquals("01 C4 80", reading.get(0).hex());
      assertEquals("00 00", reading.get(1).hex());
      assertEquals(SimI2C.Call.READ, reading.get(2).call);
      assertEquals("1F 40", reading.get(2).hex());
      LinvoJNI.c_closeI2C();
    }
  }

  // A robot loop reads all four channels every 20 ms: the reads do not wait for the converter, and
  // a changed voltage shows within two loops.
  @Test
  void readingsInTheLoopReturnAtOnceAndFollowTheConverterWithinTwoLoops() throws Exception {
    try (LinvoSimulator converter = LinvoSimulator.attach(); Linvo linvo = new Linvo(3.3f)) {
      converter.setVoltage(1, 0.5);
      assertTrue(Wait.until(() -> linvo.getRawValue(1) == 500));
      long[] loopReads = new long[50];
      int[] loopsUntilSeen = new int[5];
      int loop = 0;
      for (int change = 0; change < loopsUntilSeen.length; change++) {
        double volts = 0.25 + 0.25 * change;
        converter.setVoltage(1, volts);
        int loops = 0;
        while (Math.abs(linvo.getVoltage(1) - volts) > 0.01f && loops < 50) {
          Thread.sleep(20);
          long start = System.nanoTime();
          for (int channel = 0; channel < Linvo.CHANNELS; channel++) {
            linvo.getVoltage(channel);
          }
          loopReads[loop++ % loopReads.length] = System.nanoTime() - start;
          loops++;
        }
        loopsUntilSeen[change] = loops;
      }
      Arrays.sort(loopsUntilSeen);
      assertTrue(loopsUntilSeen[2] <= 2, "loops until a change shows: " + loopsUntilSeen[2]);
      while (loop < loopReads.length) {
        Thread.sleep(20);
        long start = System.nanoTime();
        for (int channel = 0; channel < Linvo.CHANNELS; channel++) {
          linvo.getVoltage(channel);
        }
        loopReads[loop++] = System.nanoTime() - start;
      }
      Arrays.sort(loopReads);
      assertTrue(
          loopReads[loopReads.length / 2] < 1_000_000,
          "four readings take " + loopReads[loopReads.length / 2] + " ns at the median");
    }
  }

  // Sampling stops a second after the last reading and starts again with the next one, on its
  // own: the reading itself does not touch the bus.
  @Test
  void withoutReadsForASecondTheBusIsQuietUntilTheNextRead() throws Exception {
    try (LinvoSimulator converter = LinvoSimulator.attach(); Linvo linvo = new Linvo(3.3f)) {
      converter.setVoltage(3, 1.5);
      assertTrue(Wait.until(() -> linvo.getRawValue(3) == 1500));
      Thread.sleep(1500);
      SimI2C.clearTransactions();
      Thread.sleep(1000);
      assertEquals(List.of(), SimI2C.transactions(), "no reads for a second: no sampling");

      converter.setVoltage(3, 0.75);
      linvo.getRawValue(3);
      assertTrue(
          Wait.until(() -> SimI2C.transactions().size() >= 12), "sampling resumes by itself");
      assertTrue(Wait.until(() -> linvo.getRawValue(3) == 750));
    }
    SimI2C.clearTransactions();
    Thread.sleep(100);
    assertEquals(List.of(), SimI2C.transactions(), "closing stops the sampling");
  }

  // WPILib's simulated I2C transfers always succeed: there no converter cannot be told from one.
  @Test
  @Tag("stand-in-hal")
  void withoutTheConverterTheSensorIsNotConnected() {
    assertFalse(LinvoJNI.c_initializeI2C(3.3f));
    try (Linvo linvo = new Linvo(3.3f)) {
      assertFalse(linvo.isConnected());
      assertEquals(0, linvo.getRawValue(0), "a failed read converts to 0");
    }
  }
}
