#include "common/SimulatedDevice.h"

#include <cstdio>
#include <exception>
#include <string>

#include "port/RobotState.h"

namespace korvane {

namespace {

// Open devices of one class and id that each get a device of their own.
constexpr int kMaxSameName = 16;

}  // namespace

bool SimulatedDevice::open(std::string_view className, std::string_view id) noexcept {
  close();
  try {
    std::string name(className);
    name += '[';
    name += id;
    name += ']';
    handle_ = port::sim_values::createDevice(name.c_str());
    // The simulation takes a name once; another open device of the same class and id is
    // numbered. A HAL without a simulation refuses the first name already, and is not asked again.
    for (int n = 2; handle_ == port::sim_values::kNone && n <= kMaxSameName && port::isSimulation();
         ++n) {
      handle_ = port::sim_values::createDevice((name + " #" + std::to_string(n)).c_str());
    }
  } catch (const std::exception&) {
    handle_ = port::sim_values::kNone;  // no room for the name: the device goes unshown
  }
  return handle_ != port::sim_values::kNone;
}

bool SimulatedDevice::open(std::string_view className, int id) noexcept {
  char digits[16];
  const int length = std::snprintf(digits, sizeof digits, "%d", id);
  return open(className, std::string_view(digits, static_cast<size_t>(length)));
}

template <typename T>
void SimulatedDevice::add(SimOutput<T>& value, const char* name, T initial) noexcept {
  if (handle_ == port::sim_values::kNone) return;
  try {
    values_.reserve(values_.size() + 1);
  } catch (const std::exception&) {
    return;  // a value that could not be remembered for close() is not created
  }
  value.handle_.store(port::sim_values::createOutput(handle_, name, initial),
                      std::memory_order_relaxed);
  values_.push_back(&value.handle_);
}

template void SimulatedDevice::add(SimOutput<double>&, const char*, double) noexcept;
template void SimulatedDevice::add(SimOutput<int32_t>&, const char*, int32_t) noexcept;
template void SimulatedDevice::add(SimOutput<bool>&, const char*, bool) noexcept;

void SimulatedDevice::close() noexcept {
  if (handle_ == port::sim_values::kNone) return;
  for (std::atomic<port::sim_values::Handle>* value : values_) {
    value->store(port::sim_values::kNone, std::memory_order_relaxed);
  }
  values_.clear();
  port::sim_values::freeDevice(handle_);
  handle_ = port::sim_values::kNone;
}

}  // namespace korvane
