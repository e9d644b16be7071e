package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertDoesNotThrow;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import org.junit.jupiter.api.Test;

/** The checks a device constructor makes of its device path before it reaches the driver. */
class DeviceOpenExceptionTest {
  @Test
  void aComPortIsLeftToTheDriverWhileAMissingFileIsRefused() {
    // java.io.File does not see a Windows COM port as a file: only the driver can open it.
    for (String port : new String[] {"COM5", "com12", "\\\\.\\COM12"}) {
      assertDoesNotThrow(() -> DeviceOpenException.checkPath("Kromel", "on " + port, port), port);
    }
    DeviceOpenException missing =
        assertThrows(
            DeviceOpenException.class,
            () -> DeviceOpenException.checkPath("Kromel", "on x", "/nonexistent/ttyACM7"));
    assertTrue(missing.getMessage().contains("/nonexistent/ttyACM7 does not exist"));
    for (String notAPort : new String[] {"COM", "COMX", "/dev/COM5x", ""}) {
      assertThrows(
          DeviceOpenException.class,
          () -> DeviceOpenException.checkPath("Kromel", "on " + notAPort, notAPort),
          notAPort);
    }
  }
}
