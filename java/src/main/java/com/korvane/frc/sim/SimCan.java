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
    INITIALIZE_CAN,
    SEND_MESSAGE,
    RECEIVE_MESSAGE,
    READ_PACKET_LATEST,
    READ_PACKET_NEW,
    OPEN_STREAM_SESSION,
    READ_STREAM_SESSION
  }

  /** One frame sent by the robot program. */
  public static final class Frame {
    public final int id;
    public final byte[] data;
    public final long timestampMicros;

    Frame(int id, byte[] data, long timestampMicros) {
      this.id = id;
      this.data = data;
      this.timestampMicros = timestampMicros;
    }

    /** The data bytes as upper-case hex pairs separated by spaces, e.g. "00 20 4E 00". */
    public String hex() {
      return Hex.of(data);
    }

    @Override
    public String toString() {
      return String.format("%08X [%s]", id, hex());
    }
  }

  private SimCan() {}

  /** Frames sent since the last {@link #clearSentFrames()}, oldest first. */
  public static List<Frame> sentFrames() {
    long[] raw = sentFramesRaw();
    List<Frame> frames = new ArrayList<>(raw.length / 4);
    for (int i = 0; i + 3 < raw.length; i += 4) {
      int size = (int) raw[i + 1];
      byte[] data = new byte[size];
      for (int b = 0; b < size; b++) {
        data[b] = (byte) (raw[i + 2] >>> (8 * b));
      }
      frames.add(new Frame((int) raw[i], data, raw[i + 3]));
    }
    return frames;
  }

  /** Frames sent to one identifier, oldest first. */
  public static List<Frame> sentFrames(int id) {
    List<Frame> matching = new ArrayList<>();
    for (Frame f : sentFrames()) {
      if (f.id == id) {
        matching.add(f);
      }
    }
    return matching;
  }

  /** Makes the next {@code count} calls (every call when negative) fail with the status. */
  public static void failCalls(Call call, int status, int count) {
    failCalls(call.ordinal(), status, count, false);
  }

  /** Makes the next {@code count} calls raise a C++ exception inside the HAL. */
  public static void raiseInCalls(Call call, int count) {
    failCalls(call.ordinal(), 0, count, true);
  }

  /** A frame as if a device had sent it (at most 8 bytes). */
  public static void inject(int id, int... bytes) {
    byte[] data = new byte[Math.min(bytes.length, 8)];
    for (int i = 0; i < data.length; i++) {
      data[i] = (byte) bytes[i];
    }
    injectFrame(id, data);
  }

  private static native long[] sentFramesRaw();

  public static native void clearSentFrames();

  public static native void injectFrame(int id, byte[] data);

  private static native void failCalls(int call, int status, int count, boolean throwInstead);

  public static native void clearFailures();

  /** Number of CAN handles open now. */
  public static native int openHandles();

  /** Back to the bus as at load time: no frames, handles, sessions, failures or devices. */
  public static native void reset();
}
