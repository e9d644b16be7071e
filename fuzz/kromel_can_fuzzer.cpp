// The CAN colour sensor's decoding: colour frames read through the latest-frame table, and
// acknowledgements read from its stream session while a configuration command waits for its
// reply. The simulated bus carries the input's frames; the sensor's own calls decode them.

#include <cstdint>
#include <memory>
#include <vector>

#include "FrameRecords.h"
#include "InstantSleep.h"
#include "KromelJNI.h"
#include "korvane/sim/Can.h"
#include "kromel/KromelFrames.h"

namespace {

using namespace korvane::kromel::frames;
namespace sim = korvane::sim;

// Answers the sensor's next command with the input's frames, oldest first, then with a
// well-formed acknowledgement, so a command whose reply the input lacks ends at once.
class ScriptedSensor : public sim::CanDevice {
 public:
  std::vector<FuzzFrame> replies;
  void onFrameSent(const sim::CanFrame& frame) override {
    if ((frame.id & ~0xFFu) != (kCommand & ~0xFFu)) return;
    for (const FuzzFrame& reply : replies) sim::injectFrame(reply.id, reply.data, reply.size);
    const uint8_t command = static_cast<uint8_t>(frame.id - kCommand);
    sim::injectFrame(kAck, {command, 0, 0, 0, 0, 0});
  }
};

struct Bench {
  std::shared_ptr<ScriptedSensor> device = std::make_shared<ScriptedSensor>();
  KromelJNI* sensor = nullptr;
  Bench() {
    skipSleepsOnThisThread();
    sim::attachDevice(device);
    sensor = KromelJNI::c_Kromel_create(1);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Bench bench;
  if (bench.sensor == nullptr || size < 1) return 0;
  // Fewer frames than the session holds, so the closing acknowledgement is never lost.
  bench.device->replies =
      readFrames(data + 1, size - 1, {kColor, kAck, kCommand + kGetConfig}, kSessionCapacity - 8);
  sim::injectFrame(kColor, nullptr, 0);  // no colour frame left from the last input
  unsigned int value = 0;
  bench.sensor->c_Kromel_getConfig(data[0], &value);
  bench.sensor->c_Kromel_getColor();
  sim::clearSentFrames();  // the log would grow, and be scanned for leaks, at every input
  return 0;
}
