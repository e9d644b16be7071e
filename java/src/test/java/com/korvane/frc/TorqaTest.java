package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.jni.TorqaJNI;
import com.korvane.frc.sim.SimCan;
import com.korvane.frc.sim.SimSystem;
import com.korvane.frc.sim.TorqaSimulator;
import java.util.List;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Tag;
import org.junit.jupiter.api.Test;

class TorqaTest {
  private static final int CONFIGURE = 0x020C0280;
  private static final int HEARTBEAT_DISABLED = 0x020C0000;
  private static final int HEARTBEAT_ENABLED = 0x020C0040;
  // Counts CAN handles or fails HAL_InitializeCAN, which WPILib's simulation HAL has no hook for.
  private static final String STAND_IN_HAL = "stand-in-hal";
  // What a WPILib generation has: one CAN bus (WPILib 2026, and the stand-in, which mirrors it),
  // or several (WPILib 2027). Each build runs the tests of its own generation.
  private static final String ONE_CAN_BUS = "wpilib-2026";
  private static final String CAN_BUSES = "wpilib-2027";

  @BeforeEach
  void freshBus() {
    SimCan.reset();
    SimSystem.setSystemActive(false);
  }

  @AfterEach
  void cleanBus() {
    SimCan.reset();
    SimSystem.setSystemActive(false);
  }

  @Test
  @Tag(STAND_IN_HAL)
  void invalidArgumentsGiveTheZeroHandleAndTouchNoBus() {
    assertEquals(0, TorqaJNI.c_Torqa_create(0, 1000));
    assertEquals(0, TorqaJNI.c_Torqa_create(64, 1000));
    assertEquals(0, TorqaJNI.c_Torqa_create(1, 20001));
    assertEquals(0, TorqaJNI.c_Torqa_create(1, -1));
    assertTrue(SimCan.sentFrames().isEmpty());
    assertEquals(0, SimCan.openHandles());
    DeviceOpenException zero = assertThrows(DeviceOpenException.class, () -> new Torqa(0, 1000));
    assertEquals(
        "Torqa at device 0 with frequency 1000 could not be opened: device number 0 is outside 1"
            + " to 63",
        zero.getMessage());
    assertThrows(DeviceOpenException.class, () -> new Torqa(1, 20001));
  }

  @Test
  @Tag(STAND_IN_HAL)
  void halFailureGivesTheZeroHandle() {
    SimCan.failCalls(SimCan.Call.INITIALIZE_CAN, -1029, 1);
    assertEquals(0, TorqaJNI.c_Torqa_create(2, 1000));
    assertTrue(SimCan.sentFrames().isEmpty());
  }

  @Test
  void openingSendsConfigureFramesAndTheControllerFollowsTheHeartbeat() {
    try (TorqaSimulator controller = TorqaSimulator.attach(3);
        Torqa torqa = new Torqa(3, 20000)) {
      assertNotEquals(0, torqa.getHandle());
      List<SimCan.Frame> configure = SimCan.sentFrames(CONFIGURE + 3);
      assertEquals(4, configure.size());
      assertEquals("00 20 4E 00 00 00 00 00", configure.get(0).hex());
      assertEquals("03 20 4E 00 00 00 00 00", configure.get(3).hex());
      assertTrue(Wait.until(() -> controller.heartbeat() == TorqaSimulator.Heartbeat.DISABLED));
      assertFalse(controller.outputsEnabled());

      SimSystem.setSystemActive(true);
      assertTrue(Wait.until(controller::outputsEnabled));
      assertFalse(SimCan.sentFrames(HEARTBEAT_ENABLED + 3).isEmpty());
      assertEquals(20000, controller.motorFrequency(2));

      torqa.configureMotor(1, 1000);
      List<SimCan.Frame> again = SimCan.sentFrames(CONFIGURE + 3);
      assertEquals("01 E8 03 00 00 00 00 00", again.get(again.size() - 1).hex());
    }
  }

  @Test
  @Tag(STAND_IN_HAL)
  void closingTwiceIsHarmlessAndStopsTheHeartbeat() {
    Torqa torqa = new Torqa(4, 1000);
    assertTrue(Wait.until(() -> !SimCan.sentFrames(HEARTBEAT_DISABLED + 4).isEmpty()));
    torqa.close();
    torqa.close();
    assertFalse(torqa.isOpen());
    assertEquals(0, SimCan.openHandles());
    int sent = SimCan.sentFrames().size();
    torqa.configureMotor(0, 1000);
    assertEquals(sent, SimCan.sentFrames().size(), "a closed controller sends nothing");
  }

  @Test
  void zeroAndDestroyedHandlesDoNotCrashAndSendToDeviceZero() {
    TorqaJNI.c_Torqa_destroy(0);
    long handle = TorqaJNI.c_Torqa_create(5, 1000);
    TorqaJNI.c_Torqa_destroy(handle);
    TorqaJNI.c_Torqa_destroy(handle);
    SimCan.clearSentFrames();
    TorqaJNI.c_Torqa_configureMotor(handle, 1, 500);
    TorqaJNI.c_Torqa_configureMotor(0, 2, 500);
    List<SimCan.Frame> frames = SimCan.sentFrames();
    assertEquals(2, frames.size());
    assertEquals(CONFIGURE, frames.get(0).id);
    assertEquals("01 F4 01 00 00 00 00 00", frames.get(0).hex());
    assertEquals(CONFIGURE, frames.get(1).id);
  }

  @Test
  @Tag(ONE_CAN_BUS)
  void aBusOtherThanZeroIsRefusedWhereThereIsOnlyOne() {
    assertEquals(0, TorqaJNI.c_Torqa_createOnBus(1, 5, 1000));
    DeviceOpenException refused =
        assertThrows(DeviceOpenException.class, () -> new Torqa(1, 5, 1000));
    assertEquals(
        "Torqa on CAN bus 1 at device 5 with frequency 1000 could not be opened: opening the CAN"
            + " handle failed",
        refused.getMessage().replaceAll("failed.*", "failed"));
    assertThrows(DeviceOpenException.class, () -> new Torqa(-1, 5, 1000));
    assertTrue(SimCan.sentFrames().isEmpty(), "nothing was sent on any bus");
    try (Torqa onZero = new Torqa(0, 5, 1000)) {
      assertEquals(0, onZero.getBus());
    }
  }

  @Test
  @Tag(CAN_BUSES)
  void aControllerOnAnotherBusIsDrivenThereAndOnlyThere() {
    try (TorqaSimulator onTwo = TorqaSimulator.attach(2, 5);
        TorqaSimulator onZero = TorqaSimulator.attach(5);
        Torqa motors = new Torqa(2, 5, 1000)) {
      assertEquals(2, motors.getBus());
      SimSystem.setSystemActive(true);
      assertTrue(Wait.until(onTwo::outputsEnabled), "enabled heartbeats reach bus 2");
      motors.setSpeed(0, 0.5);
      assertTrue(Wait.until(() -> motors.getRPM(0) > 1000.0), "its status frames come back");
      assertEquals(0, onZero.heartbeatCount(), "the controller on bus 0 hears none of it");
      for (SimCan.Frame frame : SimCan.sentFrames()) {
        assertEquals(2, frame.bus, frame.toString());
      }
      assertEquals(0, TorqaJNI.c_Torqa_createOnBus(5, 5, 1000), "Systemcore has buses 0 to 4");
    }
  }
}
