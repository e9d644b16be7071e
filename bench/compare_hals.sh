#!/usr/bin/env bash
# The motor controller on our stand-in and on WPILib's simulation HAL, in one run: heartbeat cadence
# (5 s of frames) and the time setMotorSpeed and getRPM hold their caller, from the same benchmark
# programs built by the default and the wpilib presets.
# Usage: bench/compare_hals.sh [default build] [wpilib build]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
standin=${1:-$root/build/default}
wpilib=${2:-$root/build/wpilib}
filter='^(SetMotorSpeed|GetRPM)/'
for build in "$standin" "$wpilib"; do
  for program in bench_heartbeat_cadence bench_torqa_call_times; do
    if [ ! -x "$build/bin/$program" ]; then
      echo "missing $build/bin/$program: build the default and wpilib presets first"
      exit 1
    fi
  done
done
for build in "$standin" "$wpilib"; do
  case $build in
    "$standin") echo "== stand-in HAL ($standin)" ;;
    *) echo "== WPILib 2026 simulation HAL ($wpilib)" ;;
  esac
  "$build/bin/bench_heartbeat_cadence" 2>&1 | grep -E '^HeartbeatCadence'
  "$build/bin/bench_torqa_call_times" --benchmark_filter="$filter" --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true 2>&1 | grep -E '_(median|mean)'
done
