#!/usr/bin/env bash
# The motor controller on our stand-in, on WPILib 2026's simulation HAL and on WPILib 2027's, in
# one run: heartbeat cadence (5 s of frames) and the time setMotorSpeed and getRPM hold their
# caller, from the same benchmark programs built by the default, wpilib and wpilib2027 presets. A
# build given as "-" is left out.
# Usage: bench/compare_hals.sh [default build] [wpilib build] [wpilib2027 build]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
standin=${1:-$root/build/default}
wpilib=${2:-$root/build/wpilib}
wpilib2027=${3:-$root/build/wpilib2027}
filter='^(SetMotorSpeed|GetRPM)/'
builds=()
names=()
for entry in "stand-in HAL|$standin" "WPILib 2026 simulation HAL|$wpilib" \
             "WPILib 2027 simulation HAL|$wpilib2027"; do
  name=${entry%%|*} build=${entry#*|}
  [ "$build" = - ] && continue
  for program in bench_heartbeat_cadence bench_torqa_call_times; do
    if [ ! -x "$build/bin/$program" ]; then
      echo "missing $build/bin/$program: build the default, wpilib and wpilib2027 presets first"
      exit 1
    fi
  done
  builds+=("$build")
  names+=("$name")
done
for i in "${!builds[@]}"; do
  build=${builds[$i]}
  echo "== ${names[$i]} ($build)"
  "$build/bin/bench_heartbeat_cadence" 2>&1 | grep -E '^HeartbeatCadence'
  "$build/bin/bench_torqa_call_times" --benchmark_filter="$filter" --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true 2>&1 | grep -E '_(median|mean)'
done
