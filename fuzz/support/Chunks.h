#pragma once

// Splits a fuzz input the way a serial port splits a stream: into reads whose sizes come from
// the input itself, so the parsers see every cut a reader thread might see.

#include <cstddef>
#include <cstdint>

class Chunks {
 public:
  Chunks(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  // The first byte chooses the read sizes (1..64 bytes, varying from read to read); the rest is
  // the stream.
  bool next(const uint8_t** chunk, size_t* length);

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 1;
  unsigned step_ = 0;
};
