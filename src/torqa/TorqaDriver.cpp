#include <exception>
#include <iostream>

#include "Torqa.h"
#include "TorqaFrames.h"
#include "TorqaJNI.h"
#include "TorqaRegistry.h"
#include "hal/CANAPI.h"
#include "hal/HALBase.h"

std::unordered_map<int32_t, int32_t> s_deviceIDMap;
std::unordered_map<int32_t, std::array<unsigned char, 8>> s_infoCache;
std::unordered_map<int32_t, bool> s_infoCacheValid;

std::atomic<bool> TorqaJNI::stop{false};
std::thread* TorqaJNI::task = nullptr;

namespace {

void report(int code) {
  std::cout << Torqa::getErrorMessage(code) << std::endl;
}

void heartbeat(long handle, int deviceID) {
  while (!TorqaJNI::stop.load()) {
    int32_t status = 0;
    bool enabled = HAL_GetSystemActive(&status);
    unsigned char data[8] = {};
    Torqa::sendMessage(enabled ? torqa_frames::kHeartbeatEnabled : torqa_frames::kHeartbeatDisabled,
                       data, deviceID);
    Torqa::delay(handle, 0.1);
  }
}

}  // namespace

int DeviceIDForHandle(long handle) {
  auto it = s_deviceIDMap.find(static_cast<int32_t>(handle));
  return it == s_deviceIDMap.end() ? 0 : it->second;
}

long TorqaJNI::c_Torqa_create(int deviceID, int frequency) {
  if (deviceID < 1 || deviceID > 63) {
    report(1002);
    return 0;
  }
  if (static_cast<unsigned int>(frequency) > 20000) {
    report(1001);
    return 0;
  }
  try {
    int32_t status = 0;
    HAL_CANHandle handle =
        HAL_InitializeCAN(static_cast<HAL_CANManufacturer>(torqa_frames::kManufacturer), deviceID,
                          static_cast<HAL_CANDeviceType>(torqa_frames::kDeviceType), &status);
    if (status != 0) {
      report(1000);
      return 0;
    }
    s_deviceIDMap[handle] = deviceID;
    s_infoCacheValid[handle] = false;
    s_infoCache.erase(handle);
    for (signed char motor = 0; motor < 4; ++motor)
      c_Torqa_configureMotor(handle, motor, frequency);
    stop.store(false);
    auto* thread = new std::thread(heartbeat, static_cast<long>(handle), deviceID);
    // An older heartbeat thread is left to end by itself when it next sees the stop flag.
    if (task != nullptr) {
      if (task->joinable()) task->detach();
      delete task;
    }
    task = thread;
    return handle;
  } catch (const std::exception&) {
    report(1000);
    return 0;
  }
}

void TorqaJNI::c_Torqa_destroy(long handle) {
  stop.store(true);
  if (task != nullptr) {
    if (task->joinable()) task->join();
    delete task;
    task = nullptr;
  }
  auto key = static_cast<int32_t>(handle);
  s_deviceIDMap.erase(key);
  s_infoCache.erase(key);
  s_infoCacheValid.erase(key);
  HAL_CleanCAN(key);
}

void TorqaJNI::c_Torqa_configureMotor(long handle, signed char motor, int frequency) {
  unsigned char data[8] = {static_cast<unsigned char>(motor),
                           static_cast<unsigned char>(frequency & 0xFF),
                           static_cast<unsigned char>((frequency >> 8) & 0xFF)};
  Torqa::sendMessage(torqa_frames::kConfigureMotor, data, DeviceIDForHandle(handle));
}
