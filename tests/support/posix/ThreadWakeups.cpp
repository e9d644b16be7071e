#include "ThreadWakeups.h"

#include <fstream>
#include <string>

namespace korvane::test {

int64_t threadWakeups(pid_t tid) {
  std::ifstream status("/proc/self/task/" + std::to_string(tid) + "/status");
  std::string line;
  const std::string key = "voluntary_ctxt_switches:";
  while (std::getline(status, line)) {
    if (line.compare(0, key.size(), key) == 0) return std::stoll(line.substr(key.size()));
  }
  return -1;
}

}  // namespace korvane::test
