// The utility library's own standard-error stream.

#include "port/ErrorStream.h"

#include "wpi/raw_ostream.h"

namespace korvane::port {

void writeError(const char* data, size_t size) {
  wpi::errs().write(data, size);
}

}  // namespace korvane::port
