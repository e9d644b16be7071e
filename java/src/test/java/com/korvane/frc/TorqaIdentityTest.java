package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;

import com.korvane.frc.sim.SimCan;
import com.korvane.frc.sim.SimSystem;
import com.korvane.frc.sim.TorqaSimulator;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** The identity texts through the JVM. */
class TorqaIdentityTest {
  private static final int DEVICE = 11;

  @BeforeEach
  @AfterEach
  void freshBus() {
    SimCan.reset();
    SimSystem.setSystemActive(false);
  }

  @Test
  void answersFromTheController() {
    try (TorqaSimulator controller = TorqaSimulator.attach(DEVICE)) {
      controller.setInfoRecord(11, 200, 2, 10, 1, 5, 0, 0);
      controller.setSerialNumber(0x0012A4F0, 0, 0xDEADBEEF);
      try (Torqa torqa = new Torqa(DEVICE, 1000)) {
        assertEquals(11, torqa.getReportedDeviceId());
        assertEquals("Firmware Version: [200.2.10]", torqa.getFirmwareVersion());
        assertEquals("Hardware: Torqa Quad, Version: 5", torqa.getHardwareVersion());
        assertEquals("0012A4F0-00000000-DEADBEEF", torqa.getSerialNumber());
        assertEquals(1, controller.infoRequestCount());
        assertEquals(1, controller.serialRequestCount());
      }
    }
  }

  @Test
  void withoutAControllerTheTextsSaySo() {
    try (Torqa torqa = new Torqa(DEVICE, 1000)) {
      assertEquals("00000000-00000000-00000000", torqa.getSerialNumber());
      // Sleeps through all eight attempts, about 1.1 s.
      assertEquals("Hardware: (read failed)", torqa.getHardwareVersion());
    }
  }
}
