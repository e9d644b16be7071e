#!/usr/bin/env python3
"""Writes the seed corpora in fuzz/corpus/<target>/ from the byte examples the C++ tests use
(tests/kromel/KromelLineTest.cpp, tests/dystan/DystanFramingTest.cpp, tests/lidar/LidarPacketsTest.cpp,
tests/lidarmini/ScanPacketTest.cpp and the CAN tests), laid out as each fuzz target reads its input.
Run it again after changing an example; the corpora are committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for old in os.listdir(folder):
        os.remove(os.path.join(folder, old))
    for i, seed in enumerate(seeds):
        with open(os.path.join(folder, "seed-%02d" % i), "wb") as f:
            f.write(seed)


def cuts(stream):
    # The first byte of a stream target chooses its read sizes: one seed per kind of cut.
    return [bytes([c]) + stream for c in (0, 1, 9, 63)]


# Colour-sensor lines.
lines = [b"XYZ: 0.5, 0.25, 1.75\n", b"  XYZ: 0.5, 0.25, 1  \r\n", b"DIST: 120mm  XYZ: 1,2,3\r\n",
         b"DIST: a  b  XYZ: 4,5,6\r\n", b"XYZ: 0x10, inf, 1e3\n", b"XYZ: 0.75lux, 12abc, ,\n",
         b"XYZ: 1,2,3,4\n", b"XYZ: 1,2\n", b"XY\rZ: 7,\r8,9\r\r\n", b"XYZ:-1.5,2e-1,+3\n",
         b"XYZ: 0,0,0 DIST: 1mm  XYZ: 5,5,5\n", b"COLORFORMAT,XYZ\r\nSAMPLETIME,100\r\n",
         b"HEX: #102030\nRGB: 1,2,3\nOK\n",
         b"\r\nXYZ: 0.4120, 0.3770, 0.2010\r\nOK\r\nDIST: 88mm  XYZ: 0.1, 0.2, 0.3\r\n",
         b"X" * 300 + b"XYZ: 1,1,1\n"]
write("kromel_usb_line_fuzzer", [s for line in lines for s in cuts(line)[:2]] + cuts(b"".join(lines)))


# Distance-sensor binary frames.
def dystan_frame(type_, seq, n, flags, values, trailing=0, length=-1):
    l = length if length >= 0 else 4 + 2 * len(values) + trailing
    out = bytes([0xA5, 0x5A, l & 0xFF, l >> 8, type_, seq, n, flags])
    out += b"".join(struct.pack("<h", v) for v in values)
    return out + bytes((0xA5 + i) & 0xFF for i in range(trailing))


def scan_frame(seq, values):
    return dystan_frame(1, seq, len(values), 1, values)


three = [1, 2, 3]
mixed = (dystan_frame(1, 1, 4, 1, three) + dystan_frame(2, 2, 3, 1, three) + dystan_frame(1, 3, 3, 0, three)
         + dystan_frame(1, 4, 3, 0xFE, three) + dystan_frame(1, 5, 3, 0x81, three)
         + dystan_frame(1, 6, 2, 1, three, 5) + dystan_frame(1, 7, 0, 1, []) + scan_frame(8, [-1, -32768, 32767]))
resync = (bytes([0x00, 0xA5, 0xA5, 0x13, 0x5A, 0xFF]) + dystan_frame(1, 1, 0, 1, [], 0, 2)
          + scan_frame(2, [10]) + bytes([0xA5]))
overlong = bytes([0xA5, 0x5A, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x01]) + scan_frame(4, [1, 2])
write("dystan_usb_frame_fuzzer", cuts(mixed) + cuts(resync) + cuts(overlong)
      + cuts(scan_frame(9, list(range(-32, 32)))) + cuts(scan_frame(10, list(range(80)))))


# LiDAR packets; the target's input starts with a filter selector and seven 4-byte parameters.
def lidar_packet(type_, start, end, samples, count=-1):
    out = bytes([0xAA, 0x55, type_, len(samples) if count < 0 else count])
    out += struct.pack("<HHH", start, end, 0)
    return out + b"".join(struct.pack("<H", s) for s in samples)


stream = (bytes([0x13, 0x55, 0x00]) + lidar_packet(1, 0, 0, [4000]) + bytes([0xAA, 0x00, 0x7F])
          + lidar_packet(0, 10 * 128, 20 * 128, [4000, 2000, 1600, 1200])
          + lidar_packet(0, 350 * 128, 10 * 128, [3000, 0, 5000]))
packets = [stream,
           lidar_packet(1, 90 * 128, 100 * 128, [4000, 2000, 800]),
           lidar_packet(0, 90 * 128, 100 * 128, [0xFA0] * 128, 128),
           lidar_packet(1, 360 * 128, 360 * 128, [0]),
           bytes([0xAA, 0x55, 0x00, 0x02, 0xC0, 0xB3, 0x80, 0xB3, 0x00, 0x00, 0x04, 0x00, 0x04, 0x00]),
           lidar_packet(1, 226, 226, [796]) + lidar_packet(1, 0, 0, [0, 479, 480, 32000, 32004]),
           b"".join(lidar_packet(0, (k * 10 % 360) * 128, (k * 10 % 360 + 9) * 128,
                                 [4000 + 37 * (k % 5)] * 10) for k in range(40))]
seeds = []
for selector in range(6):  # every filter off, then each filter on
    params = struct.pack("<fifffif", 50.0, 5, 1e-5, 0.1, 1.0, 5, 50.0)
    for p in packets:
        seeds.append(bytes([selector | (5 << 3)]) + params + p)
write("lidar_packet_fuzzer", seeds)


# Mini-LiDAR scan packets.
def raw_angle(deg):
    return (int(deg * 64) * 2 + 1) & 0xFFFF


def mini_packet(start, first, last, samples):
    out = bytes([0xAA, 0x55, 1 if start else 0, len(samples)])
    out += struct.pack("<HHH", raw_angle(first), raw_angle(last), 0)
    for intensity, mm, invalid in samples:
        out += bytes([intensity, ((mm & 0x3F) << 2) | (2 if invalid else 0), (mm >> 6) & 0xFF])
    return out


def mini_samples(n, first_mm):
    return [(10 + i, first_mm + i, False) for i in range(n)]


revolution = b"".join(mini_packet(True, 0, 0, [(200, 1000, False)]) + mini_packet(False, a, a + 29, mini_samples(30, 400))
                      for a in range(0, 360, 30))
write("lidarmini_scan_fuzzer", cuts(revolution) + cuts(
    bytes([0xAA, 0x55, 0x00, 0x03, 0x01, 0x0A, 0x01, 0x14, 0x00, 0x00]) + bytes(9)
    + bytes([0xAA, 0x55, 0x01, 0x05, 0x01, 0x0A, 0x01, 0x14, 0x00, 0x00, 0x64, 0xE8, 0x0F])
    + mini_packet(False, 1, 2, mini_samples(2, 500))) + cuts(
    bytes([0xAA, 0x56, 0xAA, 0x00, 0x55, 0xAA]) + mini_packet(False, 0, 10, mini_samples(2, 900))
    + bytes([0x00, 0x11]) + mini_packet(False, 0, 0, []) + mini_packet(False, 0, 90, mini_samples(9, 400))[:20]))


# CAN frames: selector (index into the target's identifiers), size, eight data bytes.
def frame(selector, data):
    return bytes([selector, len(data)]) + bytes(data) + bytes(8 - len(data))


write("kromel_can_fuzzer", [
    bytes([26]) + frame(0, [0x34, 0x12, 0x10, 0x27, 0xF0, 0xD8, 0x88, 0x13]),
    bytes([26]) + frame(0, [0x34, 0x12, 0x10, 0x27, 0xF0, 0xD8, 0x00]) + frame(1, [26, 0, 111, 0, 0, 0]),
    bytes([3]) + frame(0, [0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x7F, 0, 0]) + frame(1, [27, 0, 0, 0, 0, 0])
    + frame(1, [26, 0, 0, 0, 0]) + frame(2, [26, 0, 0, 0, 0, 0]) + frame(1, [26, 1, 7, 0, 0, 0])
    + frame(1, [26, 0, 9, 0, 0, 0, 0xAA, 0xBB]),
])

write("dystan_can_fuzzer", [
    bytes([6]) + frame(0, [6, 0, 1, 0, 2, 0, 3, 0]) + frame(0, [6, 1, 4, 0, 5, 0, 6, 0]),
    bytes([64]) + b"".join(frame(0, [9, k, k, 0, k + 1, 0, 0xFF, 0xFF]) for k in range(22))
    + frame(0, [8, 0, 1, 0, 1, 0, 1, 0]) + frame(2, [9, 0, 7, 7, 7, 7, 7, 7]),
    bytes([10]) + frame(1, [3, 1, 0, 2, 9, 0xEE, 0xEE, 0xEE]),
    bytes([10]) + frame(1, [3, 1, 0, 0, 9, 0, 0]) + frame(0, [1, 0, 1, 0, 2, 0, 3]),
])

# Identifiers in the torqa target: 0 info record, 1-3 serial words, 4 frequency, 5 Orvix,
# 6 limit switches, 7 temperature, then encoder/RPM/target RPM for motors 0..3 (8 + 3k + 0/1/2).
write("torqa_can_fuzzer", [
    bytes([1]) + frame(0, [7, 1, 2, 3, 1, 4, 0, 0]) + frame(1, [0x78, 0x56, 0x34, 0x12])
    + frame(2, [1, 0, 0, 0]) + frame(3, [0xFF, 0xFF, 0xFF, 0xFF]),
    bytes([4]) + frame(12, [0x18, 0xFC, 0xFF, 0xFF, 0, 0, 0, 0]) + frame(7, [0x2A, 0x32, 0, 0, 0, 0, 0, 0])
    + frame(4, [0x20, 0x4E, 0, 0, 0, 0, 0, 0]) + frame(6, [0x00, 0x01, 0x01, 0x00, 0, 0, 0x00, 0x07]),
    bytes([0x83]) + frame(6, [0xFF] * 8) + frame(8, [0xD0, 0x07, 0, 0, 0, 0, 0, 0])
    + frame(14, [0xD0, 0x07, 0, 0, 0, 0, 0, 0]) + frame(17, [0x30, 0xF8, 0xFF, 0xFF, 0, 0, 0, 0])
    + frame(5, [0x00, 0x00, 0x10, 0x27, 0x90, 0x8C, 0, 0]) + frame(9, [0x39, 0x30, 0, 0, 0, 0, 0, 0])
    + frame(10, [0x18, 0xFC, 0xFF, 0xFF, 0, 0, 0, 0]) + frame(0, [9, 0, 0, 0, 2, 1, 0, 0]),
])

# Mini-LiDAR query answers: the first byte chooses getInfo (even) or getHealth (odd), then the
# bytes the device sends (response header A5 5A, length, mode, type, then the payload).
info = bytes([0xA5, 0x5A, 0x14, 0x00, 0x00, 0x00, 0x04]) + bytes([0x96, 0x02, 0x01, 0x03]) + bytes(range(16))
health = bytes([0xA5, 0x5A, 0x03, 0x00, 0x00, 0x00, 0x06]) + bytes([0x02, 0x34, 0x12])
write("lidarmini_query_fuzzer", [bytes([0]) + info, bytes([1]) + health, bytes([0]) + health,
                                 bytes([1]) + bytes([0xA5, 0x5B]) + health[2:], bytes([0]) + info[:12]])
