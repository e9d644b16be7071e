package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
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

  /** The data of every frame sent to the device at this message base by the command. */
  private static List<String> sentBy(Runnable command, int base) {
    SimCan.clearSentFrames();
    command.run();
    List<String> frames = new ArrayList<>();
    for (SimCan.Frame f : SimCan.sentFrames(base + DEVICE)) {
      frames.add(f.hex());
    }
    return frames;
  }

  @Test
  void theTorqaClassSendsEachCommandAsOneFrame() {
    assertEquals(List.of("01 19 00 01 00 00 00 00"), sentBy(() -> torqa.setSpeed(1, -0.25), 0x020C0080));
    assertEquals(
        List.of("00 D3 04 00 00 00 00 00"), sentBy(() -> torqa.setTargetVelocity(0, 12.345), 0x020C0400));
    assertEquals(
        List.of("01 78 56 34 00 00 00 00"),
        sentBy(() -> torqa.setTargetDistance(1, 0x12345678), 0x020C0440));
    assertEquals(List.of("00 A0 8C 00 00 00 00 00"), sentBy(() -> torqa.setTargetAngle(0, 400), 0x020C05C0));
    assertEquals(List.of("02 01 00 00 00 00 00 00"), sentBy(() -> torqa.setPositionHold(2, true), 0x020C0600));
    assertEquals(List.of("00 FA 00 00 00 00 00 00"), sentBy(() -> torqa.setCurrentLimit(0, 2.5), 0x020C0380));
    assertEquals(
        List.of("03 01 00 00 00 00 00 00"), sentBy(() -> torqa.setCurrentLimitEnabled(3, true), 0x020C04C0));
    assertEquals(List.of("FF 02 C3 00 00 00 00 00"), sentBy(() -> torqa.setPIDType(2), 0x020C0500));
    assertEquals(List.of("01 00 C3 00 00 00 00 00"), sentBy(() -> torqa.setPIDType(1, 0), 0x020C0500));
    assertEquals(List.of("00 00 00 00 00 00 00 00"), sentBy(torqa::autotune, 0x020C0540));
    assertEquals(List.of("02 00 00 00 00 00 00 00"), sentBy(() -> torqa.autotune(2), 0x020C06C0));
    assertEquals(List.of("05 00 00 00 00 00 00 00"), sentBy(() -> torqa.setCANSensorDelay(0), 0x020C0680));
    assertEquals(List.of("00 0A 00 00 00 00 00 00"), sentBy(() -> torqa.setSensitivity(0, 10), 0x020C0580));
    assertEquals(List.of("01 00 00 00 00 00 00 00"), sentBy(() -> torqa.setStopMode(1), 0x020C03C0));
    assertEquals(List.of("03 00 00 00 00 00 00 00"), sentBy(() -> torqa.disableMotor(3), 0x020C00C0));
    assertEquals(List.of("01 00 00 00 00 00 00 00"), sentBy(() -> torqa.resetEncoder(1), 0x020C0340));
    assertEquals(
        List.of("02 00 10 00 00 00 00 00"), sentBy(() -> torqa.setEncoderResolution(2, 4096), 0x020C0480));
    assertEquals(List.of(), sentBy(() -> torqa.setSpeed(4, 0.5), 0x020C0080));
    assertEquals(List.of(), sentBy(() -> torqa.setSensitivity(0, 11), 0x020C0580));
  }

  @Test
  void exportsCutJavaIntsToTheDriversWidths() {
    long h = torqa.getHandle();
    // A motor index is its low 8 bits as a signed byte: 256 is motor 0, 0xFF is -1.
    assertEquals(
        List.of("00 32 01 00 00 00 00 00"), sentBy(() -> TorqaJNI.c_Torqa_setMotorSpeed(h, 256, 0.5), 0x020C0080));
    assertEquals(List.of(), sentBy(() -> TorqaJNI.c_Torqa_setMotorSpeed(h, 0xFF, 0.5), 0x020C0080));
    // Type and sensitivity: low 8 bits unsigned, so 0x102 is type 2 and 0x10A sensitivity 10.
    assertEquals(List.of("FF 02 C3 00 00 00 00 00"), sentBy(() -> TorqaJNI.c_Torqa_setPIDType(h, 0x102), 0x020C0500));
    assertEquals(
        List.of("01 0A 00 00 00 00 00 00"), sentBy(() -> TorqaJNI.c_Torqa_setSensitivity(h, 1, 0x10A), 0x020C0580));
    assertEquals(
        List.of("C8 00 00 00 00 00 00 00"), sentBy(() -> TorqaJNI.c_Torqa_setMotorStopMode(h, 0x3C8), 0x020C03C0));
    assertEquals(
        List.of("00 00 00 00 00 00 00 00"), sentBy(() -> TorqaJNI.c_Torqa_setCurrentLimitMode(h, 0, 0x100), 0x020C04C0));
    // Resolution and delay: low 16 bits, so 0x11000 is 4096 and 0x10003 is 3, raised to 5.
    assertEquals(
        List.of("02 00 10 00 00 00 00 00"),
        sentBy(() -> TorqaJNI.c_Torqa_setEncoderResolution(h, 2, 0x11000), 0x020C0480));
    assertEquals(
        List.of("05 00 00 00 00 00 00 00"), sentBy(() -> TorqaJNI.c_Torqa_setCANSensorOsDelay(h, 0x10003), 0x020C0680));
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
