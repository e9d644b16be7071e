#pragma once

#include <chrono>

namespace hal {

class fpga_clock {
 public:
  using duration = std::chrono::microseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<fpga_clock>;

  static time_point now() noexcept;
  static constexpr bool is_steady = true;
};

}  // namespace hal
