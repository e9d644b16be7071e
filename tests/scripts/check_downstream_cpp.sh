#!/usr/bin/env bash
# Installs the build into a fresh prefix, then configures, builds and runs a C++ program that
# finds the library with find_package(KorvaneDriver) in that prefix alone.
# Usage: check_downstream_cpp.sh <build folder> <downstream source folder> <work folder>
#        <whether the build made the jar: ON/OFF>
set -euo pipefail
build=$1
source=$2
work=$3
expect_jar=$4
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log"
cmake -S "$source" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_BUILD_TYPE=Release \
  -DEXPECT_JAR="$expect_jar" \
  >"$work/configure.log" || { cat "$work/configure.log"; exit 1; }
cmake --build "$work/build" >"$work/build.log" || { cat "$work/build.log"; exit 1; }
"$work/build/colour_sensor_check"
