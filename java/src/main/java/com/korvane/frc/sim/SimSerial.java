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
    /** {@code HAL_InitializeSerialPort}: opening a port. */
    INITIALIZE,
    /** {@code HAL_SetSerialBaudRate}. */
    SET_BAUD_RATE,
    /** {@code HAL_SetSerialDataBits}. */
    SET_DATA_BITS,
    /** {@code HAL_SetSerialParity}. */
    SET_PARITY,
    /** {@code HAL_SetSerialStopBits}. */
    SET_STOP_BITS,
    /** {@code HAL_SetSerialTimeout}. */
    SET_TIMEOUT,
    /** {@code HAL_SetSerialWriteMode}. */
    SET_WRITE_MODE,
    /** {@code HAL_DisableSerialTermination}. */
    DISABLE_TERMINATION,
    /** {@code HAL_GetSerialBytesReceived}: how many bytes wait. */
    GET_BYTES_RECEIVED,
    /** {@code HAL_ReadSerial}. */
    READ,
    /** {@code HAL_WriteSerial}. */
    WRITE,
    /** {@code HAL_CloseSerial}. */
    CLOSE
  }

  /** One HAL serial call. */
  public static final class Record {
    /** The kind of call. */
    public final Call call;

    /** The handle the call was made on, or the one given out by {@link Call#INITIALIZE}. */
    public final int handle;

    /** The HAL port number of the handle, -1 when unknown. */
    public final int port;

    /** Bytes received, read or written; 0 for the other calls. */
    public final int result;

    /**
     * The status the call reported: 0; negative for the HAL's own failures (a handle error, a value
     * out of range, a port that does not open); positive for the tty's own (its errno).
     */
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

  /**
   * Makes later initialisations of a HAL port open another path; handles open already keep theirs.
   *
   * @param port the HAL port number, 0 to 3
   * @param path the tty to open, e.g. an emulator's {@link PtyEmulator#path()}
   * @return true when mapped; false for an unknown port or a null path
   */
  public static boolean mapPort(int port, String path) {
    SimLibraries.requirePlatform();
    return mapPort0(port, path);
  }

  /**
   * Calls since the last {@link #clearCalls()}, oldest first; the ports keep the newest 65536,
   * fewer when their bytes would exceed 1 MiB.
   *
   * @return a copy of the log
   */
  public static List<Record> calls() {
    SimLibraries.requirePlatform();
    int[] raw = callsRaw();
    List<Record> list = new ArrayList<>();
    for (int i = 0; i + 5 <= raw.length; i += 5) {
      list.add(new Record(Call.values()[raw[i]], raw[i + 1], raw[i + 2], raw[i + 3], raw[i + 4]));
    }
    return list;
  }

  /**
   * Makes the next {@code count} calls of a kind fail with a status and do nothing else.
   *
   * @param call the kind of call
   * @param status the status the calls report, e.g. -1098 for a handle error
   * @param count how many calls fail; every call when negative
   */
  public static void failCalls(Call call, int status, int count) {
    SimLibraries.requirePlatform();
    failCalls0(call.ordinal(), status, count);
  }

  private static native boolean mapPort0(int port, String path);

  private static native int[] callsRaw();

  private static native void failCalls0(int call, int status, int count);

  /**
   * The path behind a HAL port number.
   *
   * @param port the HAL port number, 0 to 3
   * @return the path, e.g. "/dev/ttyS0" by default for port 0; empty for an unknown number
   */
  public static String portPath(int port) {
    SimLibraries.requirePlatform();
    return portPath0(port);
  }

  private static native String portPath0(int port);

  /** Empties the log of calls. */
  public static void clearCalls() {
    SimLibraries.requirePlatform();
    clearCalls0();
  }

  private static native void clearCalls0();

  /** Ends every injected failure. */
  public static void clearFailures() {
    SimLibraries.requirePlatform();
    clearFailures0();
  }

  private static native void clearFailures0();

  /**
   * Handles open now.
   *
   * @return the count
   */
  public static int openHandles() {
    SimLibraries.requirePlatform();
    return openHandles0();
  }

  private static native int openHandles0();

  /** Every handle closed, default paths, no records or failures. */
  public static void reset() {
    SimLibraries.requirePlatform();
    reset0();
  }

  private static native void reset0();
}
