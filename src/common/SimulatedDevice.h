#pragma once

// Every open device shows itself in a desktop simulation (WPILib's simulation GUI, dashboards,
// HALSIM_* in tests) as a simulated device named "<Class>[<id>]", for example "Torqa[1]", with a
// few of its values. The driver writes them; the simulation only displays them.
//
// On the robot the HAL creates no simulated device: every handle stays 0, and an update costs one
// load and one branch (no call, no lock). In a simulation an update is one HAL call, made
// outside the driver's own locks.
//
// Threading: set() may be called from any thread, also while the device is being closed (the
// value is then empty, or the HAL ignores the freed handle). open() and close() are for the owner,
// one at a time.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "port/SimValues.h"

namespace korvane {

class SimulatedDevice;

// One value of a simulated device: double, int32_t or bool.
template <typename T>
class SimOutput {
 public:
  SimOutput() = default;
  SimOutput(const SimOutput&) = delete;
  SimOutput& operator=(const SimOutput&) = delete;

  void set(T value) const noexcept {
    const port::sim_values::Handle handle = handle_.load(std::memory_order_relaxed);
    if (handle != port::sim_values::kNone) port::sim_values::set(handle, value);
  }
  explicit operator bool() const noexcept {
    return handle_.load(std::memory_order_relaxed) != port::sim_values::kNone;
  }

 private:
  friend class SimulatedDevice;
  std::atomic<port::sim_values::Handle> handle_{port::sim_values::kNone};
};

using SimDoubleOutput = SimOutput<double>;
using SimIntOutput = SimOutput<int32_t>;
using SimBoolOutput = SimOutput<bool>;

class SimulatedDevice {
 public:
  SimulatedDevice() = default;
  ~SimulatedDevice() { close(); }
  SimulatedDevice(const SimulatedDevice&) = delete;
  SimulatedDevice& operator=(const SimulatedDevice&) = delete;

  // Registers the device as "<className>[<id>]" (closing one this object held before); while
  // another open device has that name, as "<className>[<id>] #2", "#3" and so on, up to 16 of
  // them. False where there is no simulation: the values then stay empty.
  bool open(std::string_view className, std::string_view id) noexcept;
  bool open(std::string_view className, int id) noexcept;
  // Creates the value on the open device with its first value; nothing without an open device.
  // The value must live until close().
  template <typename T>
  void add(SimOutput<T>& value, const char* name, T initial) noexcept;
  // Empties the values, then removes the device from the simulation.
  void close() noexcept;

  explicit operator bool() const noexcept { return handle_ != port::sim_values::kNone; }

 private:
  port::sim_values::Handle handle_ = port::sim_values::kNone;
  std::vector<std::atomic<port::sim_values::Handle>*> values_;
};

}  // namespace korvane
