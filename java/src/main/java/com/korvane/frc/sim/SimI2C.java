package com.korvane.frc.sim;

import java.util.ArrayList;
import java.util.List;

/**
 * The simulated I2C buses (port 0 on board, port 1 on the expansion port): every HAL I2C call
 * the robot program made, and failures injected into them. All methods are thread-safe.
 */
public final class SimI2C {
  static {
    SimLibraries.loadPlatform();
  }

  /** HAL I2C calls. */
  public enum Call {
    /** {@code HAL_InitializeI2C}: opening a port. */
    INITIALIZE,
    /** {@code HAL_WriteI2C}: a write transfer. */
    WRITE,
    /** {@code HAL_ReadI2C}: a read transfer. */
    READ,
    /** {@code HAL_CloseI2C}: closing a port. */
    CLOSE
  }

  /** One HAL I2C call. */
  public static final class Transaction {
    /** The kind of call. */
    public final Call call;

    /** The I2C port, 0 on board or 1 on the expansion port. */
    public final int port;

    /** The 7-bit device address; 0 for {@link Call#INITIALIZE} and {@link Call#CLOSE}. */
    public final int address;

    /** The number of bytes the call asked to write or read. */
    public final int requested;

    /** The transfer's result (-1 when it failed), or the status of {@link Call#INITIALIZE}. */
    public final int result;

    /** Bytes written, or read (empty when the read failed). */
    public final byte[] bytes;

    Transaction(Call call, int port, int address, int requested, int result, byte[] bytes) {
      this.call = call;
      this.port = port;
      this.address = address;
      this.requested = requested;
      this.result = result;
      this.bytes = bytes;
    }

    /**
     * The bytes as upper-case hex pairs separated by spaces.
     *
     * @return e.g. "01 E4 80"
     */
    public String hex() {
      return Hex.of(bytes);
    }

    @Override
    public String toString() {
      return String.format("%s port %d at 0x%02X [%s] -> %d", call, port, address, hex(), result);
    }
  }

  private SimI2C() {}

  /**
   * Calls since the last {@link #clearTransactions()}, oldest first; the buses keep the newest
   * 65536.
   *
   * @return a copy of the log
   */
  public static List<Transaction> transactions() {
    SimLibraries.requirePlatform();
    int[] raw = transactionsRaw();
    List<Transaction> list = new ArrayList<>();
    int i = 0;
    while (i + 6 <= raw.length) {
      int size = raw[i + 5];
      byte[] bytes = new byte[size];
      for (int b = 0; b < size && i + 6 + b < raw.length; b++) {
        bytes[b] = (byte) raw[i + 6 + b];
      }
      list.add(
          new Transaction(Call.values()[raw[i]], raw[i + 1], raw[i + 2], raw[i + 3], raw[i + 4],
              bytes));
      i += 6 + size;
    }
    return list;
  }

  /**
   * Makes the next {@code count} calls of a kind fail: transfers return -1 without reaching the
   * device, initialisation reports status -1.
   *
   * @param call the kind of call
   * @param count how many calls fail; every call when negative
   */
  public static void failCalls(Call call, int count) {
    SimLibraries.requirePlatform();
    failCalls0(call.ordinal(), count, -1);
  }

  private static native int[] transactionsRaw();

  private static native void failCalls0(int call, int count, int status);

  /** Empties the log of calls. */
  public static void clearTransactions() {
    SimLibraries.requirePlatform();
    clearTransactions0();
  }

  private static native void clearTransactions0();

  /** Ends every injected failure. */
  public static void clearFailures() {
    SimLibraries.requirePlatform();
    clearFailures0();
  }

  private static native void clearFailures0();

  /**
   * Whether a port is open.
   *
   * @param port the I2C port, 0 or 1
   * @return true between a successful initialisation of the port and its close
   */
  public static boolean portOpen(int port) {
    SimLibraries.requirePlatform();
    return portOpen0(port);
  }

  private static native boolean portOpen0(int port);

  /** Back to the buses as at load time: no records, devices, failures or open ports. */
  public static void reset() {
    SimLibraries.requirePlatform();
    reset0();
  }

  private static native void reset0();
}
