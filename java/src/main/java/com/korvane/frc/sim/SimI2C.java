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
    INITIALIZE,
    WRITE,
    READ,
    CLOSE
  }

  /** One HAL I2C call. */
  public static final class Transaction {
    public final Call call;
    public final int port;
    public final int address;
    public final int requested;
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

    /** The bytes as upper-case hex pairs separated by spaces, e.g. "01 E4 80". */
    public String hex() {
      return Hex.of(bytes);
    }

    @Override
    public String toString() {
      return String.format("%s port %d at 0x%02X [%s] -> %d", call, port, address, hex(), result);
    }
  }

  private SimI2C() {}

  /** Calls since the last {@link #clearTransactions()}, oldest first. */
  public static List<Transaction> transactions() {
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

  /** Makes the next {@code count} calls (every call when negative) fail. */
  public static void failCalls(Call call, int count) {
    failCalls0(call.ordinal(), count, -1);
  }

  private static native int[] transactionsRaw();

  private static native void failCalls0(int call, int count, int status);

  public static native void clearTransactions();

  public static native void clearFailures();

  /** True between a successful initialisation of the port and its close. */
  public static native boolean portOpen(int port);

  /** Back to the buses as at load time: no records, devices, failures or open ports. */
  public static native void reset();
}
