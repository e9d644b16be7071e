package com.korvane.frc.sim;

import java.util.ArrayList;
import java.util.List;

/**
 * The serial ports that stand in for the robot controller's: each HAL port number (0 on board, 1
 * expansion port, 2 and 3 USB adapters) opens a real tty path, which can be remapped, for example
 * to a simulator's pseudo-terminal. Every HAL serial call is recorded. All methods are
 * thread-safe.
 */
public final class SimSerial {
  static {
    SimLibraries.loadPlatform();
  }

  /** HAL serial calls, in the order of their codes. */
  public enum Call {
    INITIALIZE,
    SET_BAUD_RATE,
    SET_DATA_BITS,
    SET_PARITY,
    SET_STOP_BITS,
    SET_TIMEOUT,
    SET_WRITE_MODE,
    DISABLE_TERMINATION,
    GET_BYTES_RECEIVED,
    READ,
    WRITE,
    CLOSE
  }

  /** One HAL serial call. */
  public static final class Record {
    public final Call call;
    public final int handle;
    public final int port;
    /** Bytes received, read or written; 0 for the other calls. */
    public final int result;

    public final int status;

    Record(Call call, int handle, int port, int result, int status) {
      this.call = call;
      this.handle = handle;
      this.port = port;
      this.result = result;
      this.status = status;
    }

    @Override
    public String toString() {
      return String.format("%s handle %d port %d -> %d (status %d)", call, handle, port, result,
          status);
    }
  }

  private SimSerial() {}

  /** Later initialisations of the HAL port open {@code path}. False for an unknown port. */
  public static boolean mapPort(int port, String path) {
    return mapPort0(port, path);
  }

  /** Calls since the last {@link #clearCalls()}, oldest first. */
  public static List<Record> calls() {
    int[] raw = callsRaw();
    List<Record> list = new ArrayList<>();
    for (int i = 0; i + 5 <= raw.length; i += 5) {
      list.add(new Record(Call.values()[raw[i]], raw[i + 1], raw[i + 2], raw[i + 3], raw[i + 4]));
    }
    return list;
  }

  /** Makes the next {@code count} calls of that kind (every call when negative) fail. */
  public static void failCalls(Call call, int status, int count) {
    failCalls0(call.ordinal(), status, count);
  }

  private static native boolean mapPort0(int port, String path);

  private static native int[] callsRaw();

  private static native void failCalls0(int call, int status, int count);

  /** The path behind a HAL port number; empty for an unknown number. */
  public static native String portPath(int port);

  public static native void clearCalls();

  public static native void clearFailures();

  /** Handles open now. */
  public static native int openHandles();

  /** Every handle closed, default paths, no records or failures. */
  public static native void reset();
}
