// The USB colour sensor's reader path: bytes cut into reads as a port would deliver them, through
// the sensor's line assembly and line parser, then the reading a robot program would get.

#include <cstdint>
#include <string>

#include "Chunks.h"
#include "KromelLineProbe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto sensor = KromelLineProbe::sensor();
  Chunks chunks(data, size);
  const uint8_t* chunk;
  size_t length;
  while (chunks.next(&chunk, &length)) {
    KromelLineProbe::feed(*sensor, std::string(reinterpret_cast<const char*>(chunk), length));
    KromelLineProbe::reading(*sensor);
  }
  return 0;
}
