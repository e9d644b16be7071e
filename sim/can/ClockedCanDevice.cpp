#include "ClockedCanDevice.h"

namespace korvane::sim {

ClockedCanDevice::~ClockedCanDevice() {
  detach();
}

void ClockedCanDevice::start(const std::shared_ptr<ClockedCanDevice>& device) {
  device->listener_ = attachDevice(device);
  device->clock_ = std::thread([raw = device.get()] { raw->run(); });
}

void ClockedCanDevice::detach() {
  ListenerId listener;
  {
    std::lock_guard lock(mutex_);
    listener = listener_;
    listener_ = 0;
    stopping_ = true;
  }
  wake_.notify_all();
  if (listener != 0) detachDevice(listener);
  if (clock_.joinable() && clock_.get_id() != std::this_thread::get_id()) clock_.join();
}

}  // namespace korvane::sim
