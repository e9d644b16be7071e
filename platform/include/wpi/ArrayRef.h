#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <vector>

namespace wpi {

// A constant view of contiguous elements: a pointer and a length. It does not own them.
template <typename T>
class ArrayRef {
 public:
  using value_type = T;
  using iterator = const T*;
  using const_iterator = const T*;
  using size_type = size_t;

  ArrayRef() = default;
  ArrayRef(const T& one) : data_(&one), length_(1) {}
  ArrayRef(const T* data, size_t length) : data_(data), length_(length) {}
  ArrayRef(const T* begin, const T* end) : data_(begin), length_(end - begin) {}
  template <typename A>
  ArrayRef(const std::vector<T, A>& vector) : data_(vector.data()), length_(vector.size()) {}
  template <size_t N>
  constexpr ArrayRef(const std::array<T, N>& array) : data_(array.data()), length_(N) {}
  template <size_t N>
  constexpr ArrayRef(const T (&array)[N]) : data_(array), length_(N) {}
  // Valid only while the list lives, as with the real class.
  ArrayRef(const std::initializer_list<T>& list)
      : data_(list.begin() == list.end() ? nullptr : list.begin()), length_(list.size()) {}

  const T* data() const { return data_; }
  size_t size() const { return length_; }
  bool empty() const { return length_ == 0; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + length_; }
  const T& operator[](size_t index) const { return data_[index]; }
  const T& front() const { return data_[0]; }
  const T& back() const { return data_[length_ - 1]; }

 private:
  const T* data_ = nullptr;
  size_t length_ = 0;
};

}  // namespace wpi
