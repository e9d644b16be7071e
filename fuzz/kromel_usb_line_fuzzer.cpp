// The USB colour sensor's reader path: bytes cut into reads as a port would deliver them, through
// the sensor's line assembly and line parser; every reading handed over is valid and numbered one
// above the last.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "Chunks.h"
#include "kromel/KromelLines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvane::kromel::LineReader lines;
  uint16_t expected = 0;
  Chunks chunks(data, size);
  const uint8_t* chunk;
  size_t length;
  while (chunks.next(&chunk, &length)) {
    lines.feed(chunk, static_cast<int>(length),
               [&](const korvane::kromel::LineReader::Reading& reading) {
                 if (!reading.valid || reading.sequence != ++expected) std::abort();
               });
  }
  return 0;
}
