#pragma once
// What the process holds open: descriptors (/proc/self/fd), threads (/proc/self/task) and
// resident memory (VmRSS in /proc/self/status). A soak compares a footprint taken before many
// create/destroy cycles with one taken after.

#include <string>

namespace korvane::soak {

struct Footprint {
  int descriptors = -1;
  int threads = -1;
  long rssKb = -1;
};

Footprint footprint();
std::string describe(const Footprint& f);

// How many cycles a device gets: its CI count when KORVANE_SOAK_CYCLES is unset, otherwise
// fullCount times that factor (KORVANE_SOAK_CYCLES=1 gives the full counts, 0.1 a tenth), at
// least one.
int cycles(int ciCount, int fullCount);

}  // namespace korvane::soak
