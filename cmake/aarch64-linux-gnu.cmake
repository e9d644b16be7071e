# Cross build for 64-bit ARM Linux, Systemcore's architecture, with Debian's aarch64-linux-gnu
# toolchain (GCC 12). Programs built here run on this machine under qemu-aarch64 user-mode
# emulation against the multiarch arm64 C and C++ libraries (libc6:arm64, libstdc++6:arm64):
# "-L /" makes qemu take the program's loader from /lib, so loader and C library are one
# installation. (The cross toolchain's own C library, which it links against, is of another patch
# level: its loader must not be mixed with the multiarch one.)
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(KORVANE_ARM_SYSROOT /usr/aarch64-linux-gnu)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

find_program(KORVANE_QEMU_AARCH64 qemu-aarch64)
if(KORVANE_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVANE_QEMU_AARCH64} -L /)
endif()

set(CMAKE_FIND_ROOT_PATH ${KORVANE_ARM_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
