#include "ProcessFootprint.h"

#include <dirent.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace korvane::soak {
namespace {

// Entries of a /proc folder, without "." and "..". The descriptor opendir uses is counted too,
// the same way every time.
int entries(const char* folder) {
  DIR* dir = opendir(folder);
  if (dir == nullptr) return -1;
  int count = 0;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') ++count;
  }
  closedir(dir);
  return count;
}

long residentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

}  // namespace

Footprint footprint() {
  Footprint f;
  f.descriptors = entries("/proc/self/fd");
  f.threads = entries("/proc/self/task");
  f.rssKb = residentKb();
  return f;
}

std::string describe(const Footprint& f) {
  std::ostringstream text;
  text << "descriptors " << f.descriptors << ", threads " << f.threads << ", VmRSS " << f.rssKb
       << " kB";
  return text.str();
}

int cycles(int ciCount, int fullCount) {
  const char* factor = std::getenv("KORVANE_SOAK_CYCLES");
  if (factor == nullptr || *factor == '\0') return ciCount;
  double scaled = std::strtod(factor, nullptr) * fullCount;
  if (!(scaled >= 1.0)) return 1;
  return static_cast<int>(std::lround(scaled));
}

}  // namespace korvane::soak
