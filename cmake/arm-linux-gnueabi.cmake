# Cross build for the robot controller itself: 32-bit ARMv7-A, Cortex-A9 with VFPv3, soft-float
# calling convention (floating-point arguments in integer registers, VFP instructions inside
# functions), as the controller's own C library and WPILib's robot libraries are built. Uses
# Debian's arm-linux-gnueabi toolchain and C library (libc6-armel-cross). Programs built here
# run on this machine under qemu-arm user-mode emulation of a Cortex-A9.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)

set(KORVANE_ARM_SYSROOT /usr/arm-linux-gnueabi)
set(CMAKE_C_COMPILER arm-linux-gnueabi-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)
set(CMAKE_C_FLAGS_INIT "-mcpu=cortex-a9 -mfpu=vfpv3 -mfloat-abi=softfp")
set(CMAKE_CXX_FLAGS_INIT "-mcpu=cortex-a9 -mfpu=vfpv3 -mfloat-abi=softfp")

find_program(KORVANE_QEMU_ARM qemu-arm)
if(KORVANE_QEMU_ARM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVANE_QEMU_ARM} -cpu cortex-a9 -L ${KORVANE_ARM_SYSROOT})
endif()

set(CMAKE_FIND_ROOT_PATH ${KORVANE_ARM_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
