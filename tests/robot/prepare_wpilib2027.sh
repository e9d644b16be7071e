#!/usr/bin/env bash
# Builds WPILib 2027's (development snapshot) wpiutil, datalog, wpinet, ntcore and hal from
# ../shared/wpilib-2027 (beside the clone) into the cache folder $KORVANE_WPILIB_CACHE, once per
# target, with its own build.sh: 2027-linuxx86-64 (the desktop simulation HAL) and
# 2027-linuxsystemcore (cross-built for 64-bit ARM, Systemcore's architecture, to link against).
# A target already built from the same sources is reused as it is.
# Usage: KORVANE_WPILIB_CACHE=<folder> tests/robot/prepare_wpilib2027.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cache=${KORVANE_WPILIB_CACHE:?set KORVANE_WPILIB_CACHE to a folder outside the clone}
build=$root/../shared/wpilib-2027/build.sh
[ -f "$build" ] || { echo "no WPILib 2027 sources: $build is missing" >&2; exit 1; }

started=$SECONDS
bash "$build" "$cache/2027-linuxx86-64"
echo "prepare_wpilib2027.sh: 2027-linuxx86-64 ready after $((SECONDS - started)) s"
started=$SECONDS
bash "$build" "$cache/2027-linuxsystemcore" arm64
echo "prepare_wpilib2027.sh: 2027-linuxsystemcore ready after $((SECONDS - started)) s"
