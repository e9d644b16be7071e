package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.sim.SimCan;
import com.korvane.frc.sim.SimDriverStation;
import com.korvane.frc.sim.SimSystem;
import com.korvane.frc.sim.TorqaSimulator;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * The motor controller's health through the JVM: connected while its simulator publishes, not
 * connected with a growing data age once it is detached, connected again when one is attached.
 */
class TorqaHealthTest {
  private static final int SILENT = 1302;
  private static final int HEARD_AGAIN = 1304;
  private static final int NEVER_HEARD = 1301;

  @BeforeEach
  void freshBus() {
    SimCan.reset();
    SimSystem.setSystemActive(false);
    SimDriverStation.recordReports();
  }

  @AfterEach
  void cleanBus() {
    SimDriverStation.stopRecordingReports();
    SimCan.reset();
  }

  private static long reportsOf(int code, String location) {
    return SimDriverStation.reports().stream()
        .filter(r -> r.code == code && r.location.equals(location))
        .count();
  }

  @Test
  void connectedWhileItPublishesAndBackAfterADetach() {
    TorqaSimulator simulator = TorqaSimulator.attach(7);
    try (Torqa torqa = new Torqa(7, 1000)) {
      assertTrue(Wait.until(torqa::isConnected));
      assertTrue(torqa.getDataAgeMs() >= 0);

      simulator.close();
      assertTrue(Wait.until(() -> !torqa.isConnected()));
      long age = torqa.getDataAgeMs();
      assertTrue(age > 100, "older than the bound: " + age);
      assertTrue(Wait.until(() -> torqa.getDataAgeMs() > age));
      DeviceFaults faults = torqa.getFaults();
      assertNotNull(faults);
      assertFalse(faults.connected);
      assertTrue(faults.dataAgeMs >= age);
      assertEquals(0, faults.sendFailures);
      assertTrue(Wait.until(() -> reportsOf(SILENT, "Torqa[7]") == 1));

      simulator = TorqaSimulator.attach(7);
      assertTrue(Wait.until(torqa::isConnected));
      assertTrue(Wait.until(() -> reportsOf(HEARD_AGAIN, "Torqa[7]") == 1));
    } finally {
      simulator.close();
    }
  }

  @Test
  void aControllerAtAnotherDeviceNumberIsNeverConnected() {
    try (TorqaSimulator simulator = TorqaSimulator.attach(7);
        Torqa torqa = new Torqa(8, 1000)) {
      assertEquals(-1, simulator.motorFrequency(0), "nothing reaches the controller there is");
      assertTrue(Wait.until(() -> reportsOf(NEVER_HEARD, "Torqa[8]") == 1));
      assertFalse(torqa.isConnected());
      assertEquals(-1, torqa.getDataAgeMs());
    }
  }

  @Test
  void closedItIsNotConnectedAndHasNoFaults() {
    Torqa torqa;
    try (TorqaSimulator simulator = TorqaSimulator.attach(7)) {
      torqa = new Torqa(7, 1000);
      assertTrue(Wait.until(torqa::isConnected));
      assertTrue(simulator.heartbeatCount() > 0);
      torqa.close();
    }
    assertFalse(torqa.isConnected());
    assertEquals(-1, torqa.getDataAgeMs());
    assertNull(torqa.getFaults());
  }
}
