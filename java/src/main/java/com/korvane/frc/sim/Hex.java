package com.korvane.frc.sim;

/** Bytes as upper-case hex pairs separated by spaces, e.g. "00 20 4E 00". */
final class Hex {
  private Hex() {}

  static String of(byte[] bytes) {
    StringBuilder text = new StringBuilder(bytes.length * 3);
    for (byte b : bytes) {
      if (text.length() > 0) {
        text.append(' ');
      }
      text.append(String.format("%02X", b & 0xFF));
    }
    return text.toString();
  }
}
