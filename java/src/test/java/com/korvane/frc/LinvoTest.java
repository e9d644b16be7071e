package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.jni.LinvoJNI;
import com.korvane.frc.sim.LinvoSimulator;
import com.korvane.frc.sim.SimI2C;
import java.util.List;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
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
      assertEquals(250, linvo.getRawValue(0));
      assertEquals(1000, linvo.getRawValue(1));
      assertEquals(2047, linvo.getRawValue(2));
      assertEquals(0, linvo.getRawValue(3), "just below ground reads as ground");
      assertEquals(0.0f, linvo.getVoltage(3));
      assertEquals(1000 * 3.3f / 2048, linvo.getVoltage(1), 1e-4);
      assertEquals(2047 * 3.3f / 2048, linvo.getVoltage(2), 1e-4);
      assertEquals(0, linvo.getRawValue(4));
    }
    assertFalse(SimI2C.portOpen(1));
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

  @Test
  void withoutTheConverterTheSensorIsNotConnected() {
    assertFalse(LinvoJNI.c_initializeI2C(3.3f));
    try (Linvo linvo = new Linvo(3.3f)) {
      assertFalse(linvo.isConnected());
      assertEquals(0, linvo.getRawValue(0), "a failed read converts to 0");
    }
  }
}
