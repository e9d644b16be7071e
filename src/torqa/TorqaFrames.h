#pragma once

// Message bases of the frames the library sends to the motor controller: 0x020C0000 plus the
// API number shifted left by 6 (device type 2, manufacturer 12). The device number is added
// on sending.

namespace korvane::torqa::frames {

constexpr unsigned int kHeartbeatDisabled = 0x020C0000;  // API 0
constexpr unsigned int kHeartbeatEnabled = 0x020C0040;   // API 1
constexpr unsigned int kMotorSpeed = 0x020C0080;         // API 2
constexpr unsigned int kDisableMotor = 0x020C00C0;       // API 3
constexpr unsigned int kInfoRequest = 0x020C0100;        // API 4
constexpr unsigned int kSerialRequest = 0x020C0180;      // API 6
constexpr unsigned int kConfigureMotor = 0x020C0280;     // API 10
constexpr unsigned int kResetEncoder = 0x020C0340;       // API 13
constexpr unsigned int kCurrentLimit = 0x020C0380;       // API 14
constexpr unsigned int kMotorStopMode = 0x020C03C0;      // API 15
constexpr unsigned int kTargetVelocity = 0x020C0400;     // API 16
constexpr unsigned int kTargetDistance = 0x020C0440;     // API 17
constexpr unsigned int kEncoderResolution = 0x020C0480;  // API 18
constexpr unsigned int kCurrentLimitMode = 0x020C04C0;   // API 19
constexpr unsigned int kPIDType = 0x020C0500;            // API 20
constexpr unsigned int kAutotuneAll = 0x020C0540;        // API 21
constexpr unsigned int kSensitivity = 0x020C0580;        // API 22
constexpr unsigned int kTargetAngle = 0x020C05C0;        // API 23
constexpr unsigned int kPositionHold = 0x020C0600;       // API 24
constexpr unsigned int kCANSensorDelay = 0x020C0680;     // API 26
constexpr unsigned int kAutotuneMotor = 0x020C06C0;      // API 27

// APIs of the frames the controller sends, read through the handle.
constexpr int kInfoRecordApi = 5;
constexpr int kSerialWordApi = 7;  // 7, 8, 9
constexpr int kFrequencyApi = 12;
constexpr int kOrvixApi = 36;
constexpr int kEncoderApi = 37;  // 37..40
constexpr int kRpmApi = 41;      // 41..44
constexpr int kLimitSwitchApi = 45;
constexpr int kTemperatureApi = 47;
constexpr int kTargetRpmApi = 48;  // 48..51

// The status frames a controller's stream session collects: those with API bit 5 set (APIs
// 32..63), every status frame but the frequency's. The session's identifier is kStatusSession plus
// the device number; its mask keeps the device number, device type, manufacturer and that bit.
constexpr unsigned int kCollectedApiBit = 32u << 6;
constexpr unsigned int kStatusSession = 0x020C0000u | kCollectedApiBit;
constexpr unsigned int kStatusSessionMask = 0x1FFF0000u | kCollectedApiBit | 0x3Fu;
constexpr bool collected(int api) {
  return api >= 32 && api < 64;
}
// The API of a frame the controller sent.
constexpr int apiOf(unsigned int id) {
  return static_cast<int>((id >> 6) & 0x3FF);
}

// The manufacturer and device type the controller is opened with.
constexpr int kManufacturer = 12;
constexpr int kDeviceType = 2;

}  // namespace korvane::torqa::frames
