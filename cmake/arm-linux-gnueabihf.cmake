# Cross build for the robot controller's processor: 32-bit ARMv7-A, Cortex-A9 with VFPv3, hard-float
# calling convention, using Debian's arm-linux-gnueabihf toolchain. Programs built here (the C++
# tests, the simulators' command-line programs) run on this machine under qemu-arm user-mode
# emulation of a Cortex-A9, with the ARM C library from /usr/arm-linux-gnueabihf.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)

set(KORVANE_ARM_SYSROOT /usr/arm-linux-gnueabihf)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_C_FLAGS_INIT "-mcpu=cortex-a9 -mfpu=vfpv3 -mfloat-abi=hard")
set(CMAKE_CXX_FLAGS_INIT "-mcpu=cortex-a9 -mfpu=vfpv3 -mfloat-abi=hard")

find_program(KORVANE_QEMU_ARM qemu-arm)
if(NOT KORVANE_QEMU_ARM)
  message(FATAL_ERROR "qemu-arm not found: install Debian's qemu-user to run the ARM tests")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVANE_QEMU_ARM} -cpu cortex-a9 -L ${KORVANE_ARM_SYSROOT})

# Libraries and packages come from the ARM side only. Headers may also come from the build
# machine: the JDK's jni.h and jni_md.h hold no machine-specific layout (jlong follows _LP64).
set(CMAKE_FIND_ROOT_PATH ${KORVANE_ARM_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
