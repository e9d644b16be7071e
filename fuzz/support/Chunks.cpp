#include "Chunks.h"

#include <algorithm>

bool Chunks::next(const uint8_t** chunk, size_t* length) {
  if (size_ == 0 || position_ >= size_) return false;
  const unsigned seed = data_[0];
  size_t want = 1 + (seed * 7 + step_ * (seed | 1)) % 64;
  ++step_;
  *chunk = data_ + position_;
  *length = std::min(want, size_ - position_);
  position_ += *length;
  return true;
}
