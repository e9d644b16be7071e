// The USB distance sensor's reader path: bytes cut into reads as a port would deliver them,
// appended to the receive buffer under its bound and cut into scan frames, exactly as the reader
// thread calls the framing functions.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Chunks.h"
#include "dystan/DystanFraming.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> buffer;
  Chunks chunks(data, size);
  const uint8_t* chunk;
  size_t length;
  while (chunks.next(&chunk, &length)) {
    korvane::dystan::framing::append(buffer, chunk, length);
    korvane::dystan::framing::consume(buffer, [](const korvane::dystan::framing::Scan& scan) {
      if (scan.count > korvane::dystan::framing::kMaxDistances) std::abort();
      for (int k = scan.count; k < korvane::dystan::framing::kMaxDistances; ++k) {
        if (scan.distances[k] != -1) std::abort();  // past count every value reads -1
      }
    });
    if (buffer.size() > korvane::dystan::framing::kMaxBuffered) std::abort();
  }
  return 0;
}
