#pragma once

// The open controllers, keyed by CAN handle. No lock: callers serialise create and destroy with
// every other operation (see TorqaJNI.h).

#include <array>
#include <cstdint>
#include <unordered_map>

extern std::unordered_map<int32_t, int32_t> s_deviceIDMap;
extern std::unordered_map<int32_t, std::array<unsigned char, 8>> s_infoCache;
extern std::unordered_map<int32_t, bool> s_infoCacheValid;
