#include "ContextSwitches.h"

#include <fstream>
#include <string>

namespace korvane::test {

long voluntaryContextSwitches(pid_t tid) {
  std::ifstream status("/proc/self/task/" + std::to_string(tid) + "/status");
  std::string key;
  while (status >> key) {
    if (key == "voluntary_ctxt_switches:") {
      long count = -1;
      status >> count;
      return count;
    }
  }
  return -1;
}

}  // namespace korvane::test
