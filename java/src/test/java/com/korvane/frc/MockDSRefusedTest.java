package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.jni.MockDSJNI;
import org.junit.jupiter.api.Tag;
import org.junit.jupiter.api.Test;

/** The mock driver station against WPILib 2027, which takes none of its packets. */
@Tag("wpilib-2027")
class MockDSRefusedTest {
  @Test
  void openingOneThrowsAndNothingSends() {
    DeviceOpenException refused = assertThrows(DeviceOpenException.class, MockDS::new);
    assertTrue(
        refused.getMessage().startsWith("MockDS on UDP 127.0.0.1:1110 could not be opened"),
        refused.getMessage());
    assertFalse(MockDSJNI.c_MockDS_isSending());
    MockDSJNI.c_MockDS_enable(); // nothing runs to enable: does nothing
    assertFalse(MockDSJNI.c_MockDS_isSending());
  }
}
