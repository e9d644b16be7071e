#pragma once

// Simulation controls of the simulated CAN buses that stand in for the robot's.
//
// Buses are numbered from 0; WPILib 2026 (and the stand-in, which mirrors it) has bus 0 only,
// WPILib 2027 one per CAN connector of the controller. Every frame carries its bus; the controls
// without a bus argument act on bus 0.
//
// The same buses sit behind every HAL:
// - the stand-in's HAL CAN functions call it directly;
// - over WPILib's simulation HAL it serves WPILib's CAN simulation callbacks (send, receive, open,
//   read and close stream), registered once, when the platform library loads (with the drivers;
//   it initializes WPILib's HAL if the program has not yet). Devices opened before their
//   simulators attach are served once they do.
//
// The HAL stamps each device frame when it arrives, in the clock its own CAN layer stamps with:
// whole milliseconds of HAL_GetCANPacketBaseTime with WPILib 2026 (the monotonic clock on the
// stand-in, as on the robot; the simulated FPGA clock over WPILib's simulation HAL), microseconds
// of HAL_GetMonotonicTime with WPILib 2027. Packet reads, receives and stream sessions hand out
// that stamp.
//
// Either HAL's packet reads work as WPILib's CAN API: HAL_ReadCANPacketNew and
// HAL_ReadCANPacketLatest receive the device's frame through HAL_CAN_ReceiveMessage, which gives
// each device frame once; the latest read falls back on the handle's copy of the last frame it
// received. Every HAL_InitializeCAN makes a handle of its own while it is open: the lowest one
// free, so a closed controller's handle is given again to the next opening.
//
// Threading: every function may be called from any thread at any time, concurrently with the HAL
// CAN functions. Device listeners are called on the thread that sent the frame, with no bus lock
// held, so a listener may inject frames or call any function here. Over WPILib's HAL a listener
// runs inside WPILib's send callback, under its callback lock: it must not block.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace korvane::sim {

struct CanFrame {
  int32_t bus = 0;
  uint32_t id = 0;  // 29-bit extended identifier
  std::array<uint8_t, 8> data{};
  uint8_t size = 0;
  int64_t timestampUs = 0;  // when sent or injected: monotonic, same clock as hal::fpga_clock
};

// Frames sent by the robot side (HAL_CAN_SendMessage), oldest first. The log keeps the newest
// kSentLogCapacity frames.
constexpr size_t kSentLogCapacity = 1 << 16;
std::vector<CanFrame> sentFrames();
void clearSentFrames();
// Waits until `done` holds for the sent log (checked at once and after every new frame).
bool waitForSentFrames(const std::function<bool(const std::vector<CanFrame>&)>& done,
                       std::chrono::milliseconds timeout);

// A frame from the device side: it becomes the newest frame of its identifier, to be received
// once, and goes to every matching stream session, as a frame received from the bus would.
void injectFrame(uint32_t id, const uint8_t* data, uint8_t size);
void injectFrame(uint32_t id, std::initializer_list<uint8_t> bytes);
// The same on another bus.
void injectFrame(int32_t bus, uint32_t id, const uint8_t* data, uint8_t size);
void injectFrame(int32_t bus, uint32_t id, std::initializer_list<uint8_t> bytes);

// A device on the buses: sees every frame the robot side sends, on any bus (frame.bus says which).
class CanDevice {
 public:
  virtual ~CanDevice() = default;
  virtual void onFrameSent(const CanFrame& frame) = 0;
};
using ListenerId = int;
ListenerId attachDevice(std::shared_ptr<CanDevice> device);
// After it returns no new delivery to the device starts; one already running may still finish.
void detachDevice(ListenerId id);

enum class CanCall : int {
  InitializeCAN = 0,
  SendMessage = 1,
  ReceiveMessage = 2,
  ReadPacketLatest = 3,
  ReadPacketNew = 4,
  OpenStreamSession = 5,
  ReadStreamSession = 6,
};
constexpr int kCanCallCount = 7;

// The next `count` calls (every call when count < 0) of that kind fail with `status` and do
// nothing else. With throwInstead, they raise std::runtime_error instead.
//
// Over WPILib's HAL only the calls that reach its callbacks can fail: SendMessage,
// ReceiveMessage, OpenStreamSession and ReadStreamSession (a raise passes through WPILib's HAL
// function to the caller). InitializeCAN, ReadPacketLatest and ReadPacketNew are WPILib's own
// and cannot be made to fail there; its packet reads go through ReceiveMessage, so a failing
// receive makes HAL_ReadCANPacketNew fail and HAL_ReadCANPacketLatest answer with the handle's
// last frame (or fail if it has none), on either HAL.
void failCanCalls(CanCall call, int32_t status, int count = -1, bool throwInstead = false);
void clearCanFailures();

// Number of CAN handles open now: -1 over WPILib's HAL, which does not tell.
int openCanHandles();
// Number of stream sessions open now.
int openStreamSessions();

// Back to a bus as at load time: no frames, sessions, failures or devices. Handles stay open, as
// the HAL's do. Over WPILib's HAL the callbacks stay registered.
void resetCan();

}  // namespace korvane::sim
