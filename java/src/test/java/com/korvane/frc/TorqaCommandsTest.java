package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.jni.TorqaJNI;
import com.korvane.frc.sim.SimCan;
import com.korvane.frc.sim.SimSystem;
import java.util.ArrayList;
import java.util.List;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** Command frames through the JVM: the conversions of the exports and the Torqa class. */
class TorqaCommandsTest {
  private static final int DEVICE = 7;
  private static final int SPEED = 0x020C0080;
  private static final int VELOCITY = 0x020C0400;
  private static final int DISTANCE = 0x020C0440;
  private static final int ANGLE = 0x020C05C0;
  private static final int HOLD = 0x020C0600;
  private static final int LIMIT = 0x020C0380;
  private static final int LIMIT_MODE = 0x020C04C0;
  private static final int PID = 0x020C0500;
  private static final int AUTOTUNE_ALL = 0x020C0540;
  private static final int AUTOTUNE = 0x020C06C0;
  private static final int DELAY = 0x020C0680;
  private static final int SENSITIVITY = 0x020C0580;
  private static final int STOP_MODE = 0x020C03C0;
  private static final int DISABLE = 0x020C00C0;
  private static final int RESET = 0x020C0340;
  private static final int RESOLUTION = 0x020C0480;
  private Torqa torqa;

  @BeforeEach
  void open() {
    SimCan.reset();
    SimSystem.setSystemActive(false);
    torqa = new Torqa(DEVICE, 1000);
  }

  @AfterEach
  void close() {
    torqa.close();
    SimCan.reset();
  }

  /** Checks the data of every frame the command sent to the device at this message base. */
  private static void sends(int base, Runnable command, String... expected) {
    SimCan.clearSentFrames();
    command.run();
    List<String> frames = new ArrayList<>();
    for (SimCan.Frame f : SimCan.sentFrames(base + DEVICE)) {
      frames.add(f.hex());
    }
    assertEquals(List.of(expected), frames);
  }

  @Test
  void theTorqaClassSendsEachCommandAsOneFrame() {
    sends(SPEED, () -> torqa.setSpeed(1, -0.25), "01 19 00 01 00 00 00 00");
    sends(VELOCITY, () -> torqa.setTargetVelocity(0, 12.345), "00 D3 04 00 00 00 00 00");
    sends(DISTANCE, () -> torqa.setTargetDistance(1, 0x12345678), "01 78 56 34 00 00 00 00");
    sends(ANGLE, () -> torqa.setTargetAngle(0, 400), "00 A0 8C 00 00 00 00 00");
    sends(HOLD, () -> torqa.setPositionHold(2, true), "02 01 00 00 00 00 00 00");
    sends(LIMIT, () -> torqa.setCurrentLimit(0, 2.5), "00 FA 00 00 00 00 00 00");
    sends(LIMIT_MODE, () -> torqa.setCurrentLimitEnabled(3, true), "03 01 00 00 00 00 00 00");
    sends(PID, () -> torqa.setPIDType(Torqa.PIDType.TYPE_2), "FF 02 C3 00 00 00 00 00");
    sends(PID, () -> torqa.setPIDType(1, Torqa.PIDType.TYPE_0), "01 00 C3 00 00 00 00 00");
    sends(AUTOTUNE_ALL, torqa::autotune, "00 00 00 00 00 00 00 00");
    sends(AUTOTUNE, () -> torqa.autotune(2), "02 00 00 00 00 00 00 00");
    sends(DELAY, () -> torqa.setCANSensorDelay(0), "05 00 00 00 00 00 00 00");
    sends(SENSITIVITY, () -> torqa.setSensitivity(0, 10), "00 0A 00 00 00 00 00 00");
    sends(STOP_MODE, () -> torqa.setStopMode(1), "01 00 00 00 00 00 00 00");
    sends(DISABLE, () -> torqa.disableMotor(3), "03 00 00 00 00 00 00 00");
    sends(RESET, () -> torqa.resetEncoder(1), "01 00 00 00 00 00 00 00");
    sends(RESOLUTION, () -> torqa.setEncoderResolution(2, 4096), "02 00 10 00 00 00 00 00");
    SimCan.clearSentFrames();
    assertThrows(IllegalArgumentException.class, () -> torqa.setSpeed(4, 0.5));
    assertThrows(IllegalArgumentException.class, () -> torqa.setSpeed(256, 1.0));
    assertThrows(IllegalArgumentException.class, () -> torqa.getRPM(-1));
    assertTrue(
        SimCan.sentFrames().stream().allMatch(f -> ((f.id >> 6) & 0x3FF) <= 1),
        "a refused motor index sends nothing but the heartbeat goes on");
    sends(SENSITIVITY, () -> torqa.setSensitivity(0, 11));
  }

  @Test
  void exportsCutJavaIntsToTheDriversWidths() {
    long h = torqa.getHandle();
    // A motor index is its low 8 bits as a signed byte: 256 is motor 0, 0xFF is -1.
    sends(SPEED, () -> TorqaJNI.c_Torqa_setMotorSpeed(h, 256, 0.5), "00 32 01 00 00 00 00 00");
    sends(SPEED, () -> TorqaJNI.c_Torqa_setMotorSpeed(h, 0xFF, 0.5));
    // Type and sensitivity: low 8 bits unsigned, so 0x102 is type 2 and 0x10A sensitivity 10.
    sends(PID, () -> TorqaJNI.c_Torqa_setPIDType(h, 0x102), "FF 02 C3 00 00 00 00 00");
    sends(
        SENSITIVITY,
        () -> TorqaJNI.c_Torqa_setSensitivity(h, 1, 0x10A),
        "01 0A 00 00 00 00 00 00");
    sends(STOP_MODE, () -> TorqaJNI.c_Torqa_setMotorStopMode(h, 0x3C8), "C8 00 00 00 00 00 00 00");
    sends(
        LIMIT_MODE,
        () -> TorqaJNI.c_Torqa_setCurrentLimitMode(h, 0, 0x100),
        "00 00 00 00 00 00 00 00");
    // Resolution and delay: low 16 bits, so 0x11000 is 4096 and 0x10003 is 3, raised to 5.
    sends(
        RESOLUTION,
        () -> TorqaJNI.c_Torqa_setEncoderResolution(h, 2, 0x11000),
        "02 00 10 00 00 00 00 00");
    sends(DELAY, () -> TorqaJNI.c_Torqa_setCANSensorOsDelay(h, 0x10003), "05 00 00 00 00 00 00 00");
  }

  @Test
  void aClosedControllerSendsNothing() {
    torqa.close();
    SimCan.clearSentFrames();
    torqa.setSpeed(0, 1.0);
    torqa.setTargetVelocity(0, 100);
    torqa.autotune();
    assertTrue(SimCan.sentFrames().isEmpty());
  }
}
