package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;

import com.korvane.frc.jni.KromelJNI;
import com.korvane.frc.sim.SimCan;
import org.junit.jupiter.api.Test;

/** Runs with a Kromel$ColorData that lacks "z": getColor must give null, not a partial object. */
class KromelMissingFieldTest {
  @Test
  void aResultClassLackingAFieldGivesNull() throws Exception {
    assertThrows(
        NoSuchFieldException.class, () -> Kromel.ColorData.class.getField("z"), "stripped class");
    SimCan.reset();
    long handle = KromelJNI.c_Kromel_create(2);
    assertNotEquals(0, handle);
    try {
      SimCan.inject(0x04090540, 1, 0, 0x10, 0x27, 0, 0, 0, 0);
      assertNull(KromelJNI.c_Kromel_getColor(handle));
      // No Java error was left pending: the next calls work normally.
      assertNull(KromelJNI.c_Kromel_getColor(handle));
      assertEquals(0, KromelJNI.c_Kromel_getTransport(handle));
    } finally {
      KromelJNI.c_Kromel_destroy(handle);
      SimCan.reset();
    }
  }
}
