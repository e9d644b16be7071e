package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.sim.SimCan;
import com.korvane.frc.sim.SimDriverStation;
import com.korvane.frc.sim.SimSystem;
import com.korvane.frc.sim.TorqaSimulator;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Tag;
import org.junit.jupiter.api.Test;

/**
 * Binds UDP 127.0.0.1:1110: its ctest entry holds the udp1110 resource lock. Where the packets
 * enable the robot (WPILib 2026 and the stand-in); MockDSRefusedTest covers WPILib 2027.
 */
@Tag("wpilib-2026")
class MockDSTest {
  private MockDS ds;

  private static final int HEARTBEAT_DISABLED = 0x020C0000;
  private static final int HEARTBEAT_ENABLED = 0x020C0040;

  @BeforeEach
  void listen() {
    SimCan.reset();
    SimSystem.setSystemActive(false);
    assertTrue(SimDriverStation.startListener(), "UDP 127.0.0.1:1110 is taken");
  }

  @AfterEach
  void stopListening() {
    if (ds != null) {
      ds.close();
    }
    SimDriverStation.stopListener();
    SimSystem.setSystemActive(false);
    SimCan.reset();
  }

  @Test
  void enablesTheSimulatedRobotAndTheHeartbeatFollows() {
    try (TorqaSimulator controller = TorqaSimulator.attach(2); Torqa torqa = new Torqa(2, 1000)) {
      assertTrue(torqa.isOpen());
      ds = new MockDS();
      assertTrue(Wait.until(() -> SimDriverStation.packetsReceived() >= 3));
      assertEquals(0x00, SimDriverStation.lastControl());
      assertTrue(Wait.until(() -> controller.heartbeat() == TorqaSimulator.Heartbeat.DISABLED));

      ds.enable();
      assertTrue(Wait.until(SimSystem::systemActive));
      assertEquals(0x06, SimDriverStation.lastControl());
      assertTrue(SimDriverStation.packetsReceived() >= 53, "enabled only after the warm-up");
      assertTrue(Wait.until(() -> controller.heartbeat() == TorqaSimulator.Heartbeat.ENABLED));
      assertFalse(SimCan.sentFrames(HEARTBEAT_ENABLED + 2).isEmpty());
      assertTrue(controller.outputsEnabled());

      ds.disable();
      assertTrue(Wait.until(() -> !SimSystem.systemActive()));
      int enabledBeats = SimCan.sentFrames(HEARTBEAT_ENABLED + 2).size();
      assertTrue(Wait.until(() -> controller.heartbeat() == TorqaSimulator.Heartbeat.DISABLED));
      assertFalse(SimCan.sentFrames(HEARTBEAT_DISABLED + 2).isEmpty());
      assertTrue(SimCan.sentFrames(HEARTBEAT_ENABLED + 2).size() <= enabledBeats + 1);
    }
  }

  @Test
  void destroyDisablesButKeepsSending() {
    ds = new MockDS();
    ds.enable();
    assertTrue(Wait.until(SimSystem::systemActive));
    ds.close();
    ds.enable(); // after close: nothing, so the robot stays disabled below
    assertTrue(Wait.until(() -> SimDriverStation.lastControl() == 0x00));
    long received = SimDriverStation.packetsReceived();
    assertTrue(Wait.until(() -> SimDriverStation.packetsReceived() >= received + 5));
    assertFalse(SimSystem.systemActive());
  }

  @Test
  void aReplacedSenderNeitherEnablesNorDisablesTheNewerOne() {
    MockDS first = new MockDS();
    ds = new MockDS();
    first.enable(); // replaced: nothing, even past the warm-up
    long received = SimDriverStation.packetsReceived();
    assertTrue(Wait.until(() -> SimDriverStation.packetsReceived() >= received + 60));
    assertFalse(SimSystem.systemActive());

    ds.enable();
    assertTrue(Wait.until(SimSystem::systemActive));
    first.disable();
    first.close();
    long later = SimDriverStation.packetsReceived();
    assertTrue(Wait.until(() -> SimDriverStation.packetsReceived() >= later + 5));
    assertTrue(SimSystem.systemActive(), "the newer sender still marks the robot enabled");
    assertEquals(0x06, SimDriverStation.lastControl());
  }

  @Test
  void onARealRobotItThrowsAndSendsNothing() throws InterruptedException {
    SimSystem.setRealRobot(true);
    try {
      DeviceOpenException refused = assertThrows(DeviceOpenException.class, MockDS::new);
      assertEquals("MockDS", refused.getDevice());
      Thread.sleep(50); // a packet already on its way
      long before = SimDriverStation.packetsReceived();
      Thread.sleep(300); // fifteen 20 ms cycles: a sender left from before stopped too
      assertEquals(before, SimDriverStation.packetsReceived());
      assertFalse(SimSystem.systemActive());
    } finally {
      SimSystem.setRealRobot(false);
    }
    ds = new MockDS(); // a simulation again: it runs
    assertTrue(Wait.until(() -> SimDriverStation.packetsReceived() >= 3));
  }
}
