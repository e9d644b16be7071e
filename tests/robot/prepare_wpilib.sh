#!/usr/bin/env bash
# Builds WPILib 2026's wpiutil, wpinet and hal from ../shared/wpilib (beside the clone) into the
# cache folder $KORVANE_WPILIB_CACHE, once per platform: linuxx86-64 (the desktop simulation HAL)
# and linuxathena (cross-built for the robot controller's soft-float ABI, to link against). A
# platform already built from the same sources and toolchain is reused as it is. Then lays the
# desktop build out a second time as a team's unpacked Maven zips are (include/hal, include/wpi,
# include/wpinet, ..., lib/), so the robot build can be tried against both layouts.
# Usage: KORVANE_WPILIB_CACHE=<folder> tests/robot/prepare_wpilib.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cache=${KORVANE_WPILIB_CACHE:?set KORVANE_WPILIB_CACHE to a folder outside the clone}
build=$root/../shared/wpilib/build.sh
[ -f "$build" ] || { echo "no WPILib sources: $build is missing" >&2; exit 1; }

started=$SECONDS
bash "$build" "$cache/linuxx86-64"
echo "prepare_wpilib.sh: linuxx86-64 ready after $((SECONDS - started)) s"
started=$SECONDS
bash "$build" "$cache/linuxathena" "$root/cmake/arm-linux-gnueabi.cmake"
echo "prepare_wpilib.sh: linuxathena ready after $((SECONDS - started)) s"

# The Maven-zip layout: every header folder's contents at the root of include/, the libraries
# in lib/. Links, not copies; remade every time so it follows the build it mirrors.
install=$cache/linuxx86-64
layout=$cache/linuxx86-64-maven-layout
rm -rf "$layout"
mkdir -p "$layout/include" "$layout/lib"
for headers in "$install"/include/*/; do
  for entry in "$headers"*; do
    ln -s "$entry" "$layout/include/$(basename "$entry")"
  done
done
for library in libwpiHal.so libwpiutil.so libwpinet.so; do
  ln -s "$install/lib/$library" "$layout/lib/$library"
done
echo "prepare_wpilib.sh: $layout laid out as WPILib's unpacked Maven zips"
