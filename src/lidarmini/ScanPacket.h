#pragma once

// Scan packets of the T-mini Plus, cut out of the received byte stream wherever the reads fell.
//
// A packet: AA 55, type (bit 0: first packet of a revolution), sample count N, start angle,
// end angle, check code (16 bits each, little-endian), then N samples of 3 bytes. A start packet
// always carries exactly one sample, whatever its count byte says.

#include <cstdint>
#include <vector>

#include "korvane/LidarMini.h"

namespace korvane::lidarmini {

struct ScanPacket {
  bool start = false;
  std::vector<korvane::LidarMini::DataPoint> points;  // in sample order
};

// Drops bytes at the front of the buffer that cannot begin a packet. When a complete packet then
// stands at the front, decodes it into packet (replacing its points), erases its bytes and returns
// true. Otherwise returns false: more data is needed, and a partial packet, or a last byte 0xAA
// that may begin one, stays at the front. No state: a stateless function of the buffer.
bool ExtractScanPacket(std::vector<uint8_t>& buffer, ScanPacket& packet);

}  // namespace korvane::lidarmini
