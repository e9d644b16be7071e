#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wpi {

// An output stream of bytes. The stand-in's streams are unbuffered: every write reaches its
// destination at once, in one write when it fits the destination's atomic size.
class raw_ostream {
 public:
  virtual ~raw_ostream() = default;

  raw_ostream& write(const char* data, size_t size) {
    if (size > 0) write_impl(data, size);
    return *this;
  }
  raw_ostream& operator<<(std::string_view text) { return write(text.data(), text.size()); }
  raw_ostream& operator<<(const char* text) {
    return text ? *this << std::string_view(text) : *this;
  }
  raw_ostream& operator<<(const std::string& text) { return write(text.data(), text.size()); }
  raw_ostream& operator<<(char c) { return write(&c, 1); }
  raw_ostream& operator<<(unsigned long long value);
  raw_ostream& operator<<(long long value);
  raw_ostream& operator<<(unsigned long value) {
    return *this << static_cast<unsigned long long>(value);
  }
  raw_ostream& operator<<(long value) { return *this << static_cast<long long>(value); }
  raw_ostream& operator<<(unsigned int value) {
    return *this << static_cast<unsigned long long>(value);
  }
  raw_ostream& operator<<(int value) { return *this << static_cast<long long>(value); }
  raw_ostream& flush() { return *this; }

 protected:
  virtual void write_impl(const char* data, size_t size) = 0;
};

// A stream onto a file descriptor that it does not close.
class raw_fd_ostream : public raw_ostream {
 public:
  explicit raw_fd_ostream(int fd) : fd_(fd) {}
  bool has_error() const { return error_; }

 protected:
  void write_impl(const char* data, size_t size) override;

 private:
  int fd_;
  bool error_ = false;
};

// The process's standard error, unbuffered.
raw_ostream& errs();

}  // namespace wpi
