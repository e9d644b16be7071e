// The mini LiDAR's scan reader path: bytes cut into reads as a port would deliver them, and every
// scan packet cut out of the receive buffer and decoded.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Chunks.h"
#include "lidarmini/ScanPacket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> buffer;
  korvane::lidarmini::ScanPacket packet;
  Chunks chunks(data, size);
  const uint8_t* chunk;
  size_t length;
  while (chunks.next(&chunk, &length)) {
    buffer.insert(buffer.end(), chunk, chunk + length);
    while (korvane::lidarmini::ExtractScanPacket(buffer, packet)) {
      if (packet.start && packet.points.size() != 1) std::abort();  // one sample per start packet
      for (const auto& point : packet.points) {
        if (std::isnan(point.angle) || std::isnan(point.distance)) std::abort();
      }
    }
  }
  return 0;
}
