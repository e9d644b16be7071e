#pragma once

// The open controllers, keyed by CAN handle: device number and cached info record. The maps sit
// behind a reader/writer lock, held only inside these functions: lookups from any number of
// threads run side by side, and a create or destroy on another thread never changes a map while
// it is read. DeviceIDForHandle (TorqaJNI.h), which every command calls, reads a lock-free copy
// of the device numbers.

#include <array>
#include <cstdint>
#include <optional>

namespace torqa_registry {

using InfoRecord = std::array<unsigned char, 8>;

// Registers (or re-registers) the handle with its device number and an invalid info cache.
void registerController(int32_t handle, int32_t deviceID);
// Forgets the handle; an absent handle is ignored.
void forgetController(int32_t handle);
// The cached info record, or nothing while none has been obtained for the handle.
std::optional<InfoRecord> cachedInfo(int32_t handle);
void storeInfo(int32_t handle, const InfoRecord& record);

}  // namespace torqa_registry
