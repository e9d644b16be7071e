package com.korvane.frc.sim;

import java.util.ArrayList;
import java.util.List;

/**
 * The simulated CAN bus: the frames the robot program sent, frames injected as if a device had
 * sent them, and failures injected into the HAL's CAN calls. All methods are thread-safe.
 */
public final class SimCan {
  static {
    SimLibraries.loadPlatform();
  }

  /** HAL CAN calls whose failure can be injected. */
  public enum Call {
    /** {@code HAL_InitializeCAN}: opening a CAN handle (not over WPILib's HAL). */
    INITIALIZE_CAN,
    /** {@code HAL_CAN_SendMessage}: sending a frame. */
    SEND_MESSAGE,
    /**
     * {@code HAL_CAN_ReceiveMessage}: receiving the newest frame of an identifier, each frame once;
     * the packet reads receive through it.
     */
    RECEIVE_MESSAGE,
    /**
     * {@code HAL_ReadCANPacketLatest}: reading a handle's latest frame of an API (not over WPILib's
     * HAL).
     */
    READ_PACKET_LATEST,
    /**
     * {@code HAL_ReadCANPacketNew}: reading a handle's frame of an API if it is new (not over
     * WPILib's HAL).
     */
    READ_PACKET_NEW,
    /** {@code HAL_CAN_OpenStreamSession}: opening a stream session. */
    OPEN_STREAM_SESSION,
    /** {@code HAL_CAN_ReadStreamSession}: reading a stream session. */
    READ_STREAM_SESSION
  }

  /** One frame sent by the robot program. */
  public static final class Frame {
    /** The CAN bus it was sent on (0 where the robot has one bus). */
    public final int bus;

    /** The 29-bit extended identifier. */
    public final int id;

    /** The data bytes, 0 to 8. */
    public final byte[] data;

    /** When it was sent, in microseconds of the platform's monotonic clock. */
    public final long timestampMicros;

    Frame(int bus, int id, byte[] data, long timestampMicros) {
      this.bus = bus;
      this.id = id;
      this.data = data;
      this.timestampMicros = timestampMicros;
    }

    /**
     * The data bytes as upper-case hex pairs separated by spaces.
     *
     * @return e.g. "00 20 4E 00"
     */
    public String hex() {
      return Hex.of(data);
    }

    @Override
    public String toString() {
      return String.format("%08X [%s]", id, hex());
    }
  }

  private SimCan() {}

  /**
   * Frames sent since the last {@link #clearSentFrames()}, oldest first; the bus keeps the newest
   * 65536.
   *
   * @return a copy of the log
   */
  public static List<Frame> sentFrames() {
    SimLibraries.requirePlatform();
    long[] raw = sentFramesRaw();
    List<Frame> frames = new ArrayList<>(raw.length / 5);
    for (int i = 0; i + 4 < raw.length; i += 5) {
      int size = (int) raw[i + 1];
      byte[] data = new byte[size];
      for (int b = 0; b < size; b++) {
        data[b] = (byte) (raw[i + 2] >>> (8 * b));
      }
      frames.add(new Frame((int) raw[i + 4], (int) raw[i], data, raw[i + 3]));
    }
    return frames;
  }

  /**
   * Frames sent to one identifier, oldest first.
   *
   * @param id the 29-bit identifier
   * @return the matching frames of {@link #sentFrames()}
   */
  public static List<Frame> sentFrames(int id) {
    SimLibraries.requirePlatform();
    List<Frame> matching = new ArrayList<>();
    for (Frame f : sentFrames()) {
      if (f.id == id) {
        matching.add(f);
      }
    }
    return matching;
  }

  /**
   * Makes the next {@code count} calls of a kind fail with a status and do nothing else.
   *
   * @param call the kind of call
   * @param status the HAL status the calls report
   * @param count how many calls fail; every call when negative
   */
  public static void failCalls(Call call, int status, int count) {
    SimLibraries.requirePlatform();
    failCalls(call.ordinal(), status, count, false);
  }

  /**
   * Makes the next {@code count} calls of a kind raise a C++ exception inside the HAL.
   *
   * @param call the kind of call
   * @param count how many calls raise; every call when negative
   */
  public static void raiseInCalls(Call call, int count) {
    SimLibraries.requirePlatform();
    failCalls(call.ordinal(), 0, count, true);
  }

  /**
   * A frame as if a device had sent it: it becomes the newest frame of its identifier, to be
   * received once, and goes to every matching stream session.
   *
   * @param id the 29-bit identifier
   * @param bytes the data, each value's low 8 bits; only the first 8 are taken
   */
  public static void inject(int id, int... bytes) {
    SimLibraries.requirePlatform();
    byte[] data = new byte[Math.min(bytes.length, 8)];
    for (int i = 0; i < data.length; i++) {
      data[i] = (byte) bytes[i];
    }
    injectFrame(id, data);
  }

  private static native long[] sentFramesRaw();

  /** Empties the log of sent frames. */
  public static void clearSentFrames() {
    SimLibraries.requirePlatform();
    clearSentFrames0();
  }

  private static native void clearSentFrames0();

  /**
   * A frame as if a device had sent it, as {@link #inject} does.
   *
   * @param id the 29-bit identifier
   * @param data the data; only the first 8 bytes are taken, null sends an empty frame
   */
  public static void injectFrame(int id, byte[] data) {
    injectFrame(0, id, data);
  }

  /**
   * A frame as if a device on a CAN bus had sent it.
   *
   * @param bus the CAN bus, from 0
   * @param id the 29-bit identifier
   * @param data the data; only the first 8 bytes are taken, null sends an empty frame
   */
  public static void injectFrame(int bus, int id, byte[] data) {
    SimLibraries.requirePlatform();
    injectFrame0(bus, id, data);
  }

  private static native void injectFrame0(int bus, int id, byte[] data);

  private static native void failCalls(int call, int status, int count, boolean throwInstead);

  /** Ends every injected failure. */
  public static void clearFailures() {
    SimLibraries.requirePlatform();
    clearFailures0();
  }

  private static native void clearFailures0();

  /**
   * Number of CAN handles open now: -1 over WPILib's simulation HAL, which does not tell.
   *
   * @return the count
   */
  public static int openHandles() {
    SimLibraries.requirePlatform();
    return openHandles0();
  }

  private static native int openHandles0();

  /**
   * Back to the bus as at load time: no frames, sessions, failures or devices. Handles stay open,
   * as the HAL's do.
   */
  public static void reset() {
    SimLibraries.requirePlatform();
    reset0();
  }

  private static native void reset0();
}
