#!/usr/bin/env bash
# A team's C++ robot program built from the C++ artifacts alone, as GradleRIO lays them out, and
# run in WPILib's desktop simulation: the headers zip and this platform's library zip are
# unpacked into folders of their own, the program (tests/cpprobot/program) is configured against
# them and WPILib's headers and libraries (its Maven zips' layout), and runs with the libraries on
# the search path as a simulation runs it, the test's simulators loaded by the program.
# Usage: check_cpp_robot.sh <repository> <version> <platform> <WPILib include/ and lib/ folder>
#        <program source folder> <simulators library> <simulators header folder> <work folder>
set -euo pipefail
repository=$(realpath "$1") version=$2 platform=$3 wpilib=$4 source=$5 simulators=$6 simulators_header=$7
work=$8
base=$repository/com/korvane/frc/KorvaneDriver-cpp/$version/KorvaneDriver-cpp-$version
shared=$(sed -E 's/^(linux|windows|osx)(.*)$/\1\/\2\/shared/' <<<"$platform")
rm -rf "$work"
mkdir -p "$work/headers" "$work/$platform"
(cd "$work/headers" && cmake -E tar xf "$base-headers.zip")
(cd "$work/$platform" && cmake -E tar xf "$base-$platform.zip")
[ -f "$work/headers/korvane/Torqa.h" ] || { echo "the headers zip has no korvane/Torqa.h"; exit 1; }
cmake -S "$source" -B "$work/build" -DCMAKE_BUILD_TYPE=Release \
  -DKORVANE_HEADERS="$work/headers" -DKORVANE_LIBRARIES="$work/$platform/$shared" \
  -DWPILIB_ROOT="$wpilib" -DSIMULATORS_HEADER="$simulators_header" \
  >"$work/configure.log" || { cat "$work/configure.log"; exit 1; }
cmake --build "$work/build" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
LD_LIBRARY_PATH="$work/$platform/$shared:$wpilib/lib" "$work/build/cpp_robot" "$simulators"
