package com.korvane.frc;

/**
 * Test-only stand-in: its jar goes ahead of the real one on the class path so that the result
 * class "com/korvane/frc/Kromel$ColorData" lacks the field "z".
 */
public class Kromel {
  public static class ColorData {
    public int sequence;
    public float x;
    public float y;

    public ColorData() {}
  }
}
