#!/usr/bin/env bash
# Runs every test. First WPILib 2026 (../shared/wpilib) and WPILib 2027 (../shared/wpilib-2027) are
# built for the desktop and for the robot controllers into a cache outside the clone
# ($KORVANE_WPILIB_CACHE; reused when it holds the same build), and Debian's OpenJDK 17 for the
# controllers' ABIs is unpacked there. Then: the roboRIO's library against WPILib 2026 (the
# linuxathena zip, with its Java tests in an armel JVM under qemu-arm) and the library against
# WPILib 2026's desktop build in both layouts a team may have, with their symbol checks; the 2027
# desktop zip against WPILib 2027's simulation HAL with the tests there, and Systemcore's library
# (the linuxsystemcore zip, with its Java tests in an arm64 JVM under qemu-aarch64); the
# coprocessors' hard-float ARM natives (the linuxarm32 zip); the C++ tests cross-built for the
# controller's soft-float ABI under qemu-arm and for 64-bit ARM under qemu-aarch64; the Windows
# desktop natives of both seasons cross-built with MinGW-w64 against WPILib's C HAL (the
# windowsx86-64 zips, with the checks of their DLLs); (the native zips come first so that the
# default build's Maven repository takes them in)
# the C++ tests, the Java tests in a real JVM and the demo; the C++ tests cross-built for Windows
# and run under Wine (the serial devices on COM ports served by the default build's emulators); the C++ tests again under AddressSanitizer and UndefinedBehaviorSanitizer
# and under ThreadSanitizer; then every fuzz target for 10 s from its seeds (fuzz/run.sh; longer
# runs by hand). ctest runs three tests at a time (the test presets' jobs): most of them wait on
# devices rather than compute, and tests that share the mock driver station's UDP port hold a
# lock. First installs what a fresh Debian machine lacks for that (when run as root); otherwise
# names the missing packages and stops.
# Usage: tests/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."

have() { command -v "$1" >/dev/null 2>&1; }
cmake_is_recent() {
  have cmake || return 1
  local version
  version=$(cmake --version | sed -n 's/^cmake version \([0-9]*\.[0-9]*\).*/\1/p')
  [ "$(printf '%s\n' 3.25 "$version" | sort -V | head -n1)" = 3.25 ]
}

missing=()
cmake_is_recent || missing+=(cmake)
have g++ || missing+=(g++)
have clang++ || missing+=(clang)
[ -n "$(find /usr/lib/llvm-* -name 'libclang_rt.fuzzer-*.a' 2>/dev/null)" ] || missing+=(libclang-rt-dev)
have javac || missing+=(openjdk-17-jdk-headless)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev libgmock-dev)
[ -f /usr/include/benchmark/benchmark.h ] || missing+=(libbenchmark-dev)
[ -f /usr/share/java/junit-platform-console-standalone.jar ] || missing+=(junit5)
# The 32-bit ARM builds: cross compilers for the controller (soft-float) and coprocessors
# (hard-float), user-mode emulation, GoogleTest sources to build for ARM.
have arm-linux-gnueabi-g++ || missing+=(g++-arm-linux-gnueabi)
have arm-linux-gnueabihf-g++ || missing+=(g++-arm-linux-gnueabihf)
have qemu-arm || missing+=(qemu-user)
[ -f /usr/src/googletest/googletest/CMakeLists.txt ] || missing+=(googletest)
# Strict resolution of the Maven repository: Debian's Maven and its dependency plugin.
have mvn || missing+=(maven)
compgen -G '/usr/share/maven-repo/org/apache/maven/plugins/maven-dependency-plugin/*/*.jar' >/dev/null ||
  missing+=(libmaven-dependency-plugin-java)
# The Windows desktop natives: MinGW-w64 with POSIX threads, Wine to run their tests, and Debian's
# pefile for the checks of the DLLs.
have x86_64-w64-mingw32-g++-posix || missing+=(g++-mingw-w64-x86-64-posix)
[ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
/usr/bin/python3 -c 'import pefile' 2>/dev/null || missing+=(python3-pefile)
# WPILib 2027 (its build.sh): clang 19 with LLVM's C++ library, lld and Debian's arm64 C library
# and GCC runtime for its 64-bit ARM build. Systemcore's library and the C++ tests for 64-bit ARM:
# Debian's aarch64 cross compiler; they and the arm64 JVM run against the multiarch arm64 C and C++
# libraries (one C library for loader and program, qemu-aarch64 -L /).
have clang++-19 || missing+=(clang-19)
[ -d /usr/lib/llvm-19/include/c++/v1 ] || missing+=(libc++-19-dev libc++abi-19-dev)
have ld.lld-19 || missing+=(lld-19)
have aarch64-linux-gnu-g++ || missing+=(g++-aarch64-linux-gnu)
have qemu-aarch64 || missing+=(qemu-user)
arm64_missing=()
[ -f /usr/lib/aarch64-linux-gnu/crt1.o ] || arm64_missing+=(libc6-dev:arm64)
[ -d /usr/lib/gcc/aarch64-linux-gnu/12 ] || arm64_missing+=(libgcc-12-dev:arm64)
[ -f /lib/aarch64-linux-gnu/libstdc++.so.6 ] || arm64_missing+=(libstdc++6:arm64)
[ -f /lib/aarch64-linux-gnu/libz.so.1 ] || arm64_missing+=(zlib1g:arm64)
[ -f /lib/aarch64-linux-gnu/libatomic.so.1 ] || arm64_missing+=(libatomic1:arm64)
if [ ${#arm64_missing[@]} -gt 0 ]; then
  missing+=("${arm64_missing[@]}")
fi

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "tests/run.sh: missing Debian packages: ${missing[*]}" >&2
    echo "Install them as root (apt-get install ${missing[*]}; the :arm64 ones after" \
         "dpkg --add-architecture arm64 && apt-get update) or run tests/run.sh as root." >&2
    exit 1
  fi
  echo "tests/run.sh: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [ ${#arm64_missing[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
    dpkg --add-architecture arm64
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# One step a line: with set -e the first failing step ends the run with its status. Each step
# that passes says how long it took.
step() {
  local started=$SECONDS
  "$@"
  echo "tests/run.sh: $* passed in $((SECONDS - started)) s"
}
# WPILib's builds live outside the clone, so later runs on this machine reuse them.
if [ -z "${KORVANE_WPILIB_CACHE:-}" ]; then
  if [ "$(id -u)" -eq 0 ]; then
    KORVANE_WPILIB_CACHE=/var/cache/korvane-wpilib
  else
    KORVANE_WPILIB_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/korvane-wpilib
  fi
fi
export KORVANE_WPILIB_CACHE
# The vendor-dependency files of a full run name every native zip of their season.
export KORVANE_EXPECT_PLATFORMS=linuxathena,linuxarm32,linuxx86-64,windowsx86-64
export KORVANE_EXPECT_PLATFORMS_2027=linuxsystemcore,linuxx86-64,windowsx86-64

step tests/robot/prepare_wpilib.sh
step tests/robot/prepare_wpilib2027.sh
step tests/robot/prepare_robot_jvms.sh
step cmake --workflow --preset athena
step cmake --workflow --preset wpilib
step cmake --workflow --preset wpilib-maven-layout
step cmake --workflow --preset wpilib2027
step cmake --workflow --preset systemcore
step cmake --workflow --preset arm
step cmake --workflow --preset armel
step cmake --workflow --preset arm64
step cmake --workflow --preset windows
step cmake --workflow --preset windows2027
step cmake --workflow --preset default
step cmake --workflow --preset windows-tests
step cmake --workflow --preset asan
step cmake --workflow --preset tsan
step fuzz/run.sh 10
