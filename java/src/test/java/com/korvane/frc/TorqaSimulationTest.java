package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.sim.SimCan;
import com.korvane.frc.sim.SimSystem;
import com.korvane.frc.sim.TorqaSimulator;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** A robot program against the simulated controller, end to end through the real telemetry. */
class TorqaSimulationTest {
  private static final int DEVICE = 12;

  @BeforeEach
  @AfterEach
  void freshBus() {
    SimCan.reset();
    SimSystem.setSystemActive(false);
  }

  @Test
  void aCommandedSpeedGivesRisingRpmAndAGrowingEncoderCount() {
    try (TorqaSimulator controller = TorqaSimulator.attach(DEVICE);
        Torqa torqa = new Torqa(DEVICE, 20000)) {
      SimSystem.setSystemActive(true);
      assertTrue(Wait.until(controller::outputsEnabled));
      torqa.setSpeed(0, 0.5);
      assertEquals(TorqaSimulator.Mode.SPEED, controller.motor(0).mode);

      double first = awaitRpmAbove(torqa, 0.0);
      double later = awaitRpmAbove(torqa, first);
      assertTrue(later <= TorqaSimulator.FREE_SPEED_RPM / 2, "at most half of full speed");
      int count = torqa.getEncoderCount(0);
      assertTrue(Wait.until(() -> torqa.getEncoderCount(0) > count + 100));
      assertEquals(20000, torqa.getFrequency());
      assertEquals(
          TorqaSimulator.FREE_SPEED_RPM / 2, torqa.tryGetTargetRPM(0).orElseThrow(), 1e-9);

      controller.setLimitSwitch(0, 1, true);
      assertTrue(Wait.until(() -> torqa.getLimitSwitch(0, true)));

      SimSystem.setSystemActive(false);
      assertTrue(Wait.until(() -> torqa.getRPM(0) == 0.0), "a disabled robot's motors stop");
    }
  }

  private static double awaitRpmAbove(Torqa torqa, double floor) {
    double[] seen = new double[1];
    assertTrue(
        Wait.until(
            () -> {
              seen[0] = torqa.getRPM(0);
              return seen[0] > floor;
            }));
    return seen[0];
  }
}
