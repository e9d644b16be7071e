// Mock driver station cadence over 10 s, seen from a UDP receiver on 127.0.0.1:1110 with kernel
// receive timestamps: packets per second, mean, 99th-percentile and worst gap between packets,
// and the worker thread's CPU use.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

#include "DsReceiver.h"
#include "MockDSJNI.h"
#include "ThreadCpu.h"

namespace {

// Kernel arrival time of the next datagram in microseconds (realtime clock), or -1.
int64_t receiveStamped(int fd) {
  pollfd pfd{fd, POLLIN, 0};
  if (::poll(&pfd, 1, 1000) != 1) return -1;
  uint8_t data[64];
  char control[CMSG_SPACE(sizeof(timespec))];
  iovec iov{data, sizeof data};
  msghdr msg{};
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  if (::recvmsg(fd, &msg, 0) < 0) return -1;
  for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
    if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
      const auto* ts = reinterpret_cast<const timespec*>(CMSG_DATA(c));
      return static_cast<int64_t>(ts->tv_sec) * 1000000 + ts->tv_nsec / 1000;
    }
  }
  return -1;
}

void MockDSCadence(benchmark::State& state) {
  korvane::test::DsReceiver receiver;
  int on = 1;
  if (!receiver.bound() || ::setsockopt(static_cast<int>(receiver.native()), SOL_SOCKET,
                                        SO_TIMESTAMPNS, &on, sizeof on) != 0) {
    state.SkipWithError("UDP 127.0.0.1:1110 is taken or gives no kernel timestamps");
    return;
  }
  double rate = 0, meanMs = 0, p99Ms = 0, worstMs = 0, cpuPercent = 0, cpuUsPerPacket = 0;
  for (auto _ : state) {
    auto before = korvane::test::threadIds();
    MockDSJNI::c_MockDS_create();
    MockDSJNI::c_MockDS_enable();
    auto worker = korvane::test::threadsStartedSince(before);
    double cpuBefore = korvane::test::threadCpuSeconds(worker);
    std::vector<int64_t> arrivals;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
      int64_t at = receiveStamped(static_cast<int>(receiver.native()));
      if (at >= 0) arrivals.push_back(at);
    }
    double cpu = korvane::test::threadCpuSeconds(worker) - cpuBefore;
    MockDSJNI::c_MockDS_destroy();
    if (arrivals.size() < 3) {
      state.SkipWithError("no packets");
      break;
    }
    std::vector<double> gaps;
    for (size_t i = 1; i < arrivals.size(); ++i) {
      gaps.push_back((arrivals[i] - arrivals[i - 1]) / 1000.0);
    }
    double span = (arrivals.back() - arrivals.front()) / 1e6;
    rate = (arrivals.size() - 1) / span;
    meanMs = span * 1000.0 / gaps.size();
    std::sort(gaps.begin(), gaps.end());
    p99Ms = gaps[static_cast<size_t>(0.99 * (gaps.size() - 1))];
    worstMs = gaps.back();
    cpuPercent = cpu / 10.0 * 100.0;
    cpuUsPerPacket = cpu * 1e6 / arrivals.size();
  }
  state.counters["packets_per_s"] = rate;
  state.counters["mean_gap_ms"] = meanMs;
  state.counters["p99_gap_ms"] = p99Ms;
  state.counters["worst_gap_ms"] = worstMs;
  state.counters["worker_cpu_percent"] = cpuPercent;
  state.counters["worker_cpu_us_per_packet"] = cpuUsPerPacket;
}

BENCHMARK(MockDSCadence)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
