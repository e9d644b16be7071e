# Which of WPILib's native platforms this build's libraries are for, by its processor, its
# floating-point calling convention and the platform library it links:
#   linuxathena  soft-float 32-bit ARM against WPILib 2026: the robot controller (roboRIO)
#   linuxsystemcore  64-bit ARM against WPILib 2027: the next robot controller (Systemcore);
#                WPILib's tools unpack it from linux/systemcore/shared
#   linuxarm32   hard-float 32-bit ARM (coprocessors), against the stand-in
#   linuxx86-64  64-bit x86 Linux desktops
#   windowsx86-64  64-bit x86 Windows desktops (MinGW-w64)
# A soft-float ARM build against the stand-in (the controller-ABI test build) is none of them, nor
# is a 64-bit ARM build against the stand-in or against WPILib 2026.
# Sets KORVANE_NATIVE_PLATFORM (empty when none) and KORVANE_NATIVE_PLATFORM_DIR.
include(CheckCXXSymbolExists)
set(KORVANE_NATIVE_PLATFORM "")
set(KORVANE_NATIVE_PLATFORM_DIR "")
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(arm|ARM)")
  # The compiler defines __ARM_PCS_VFP when floating-point arguments go in VFP registers.
  check_cxx_symbol_exists(__ARM_PCS_VFP "" KORVANE_ARM_HARD_FLOAT)
  if(KORVANE_ARM_HARD_FLOAT)
    set(KORVANE_NATIVE_PLATFORM linuxarm32)
    set(KORVANE_NATIVE_PLATFORM_DIR linux/arm32/shared)
  elseif(KORVANE_WITH_WPILIB)
    set(KORVANE_NATIVE_PLATFORM linuxathena)
    set(KORVANE_NATIVE_PLATFORM_DIR linux/athena/shared)
  endif()
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64|ARM64)$")
  if(KORVANE_WITH_WPILIB AND KORVANE_WPILIB_YEAR STREQUAL "2027")
    set(KORVANE_NATIVE_PLATFORM linuxsystemcore)
    set(KORVANE_NATIVE_PLATFORM_DIR linux/systemcore/shared)
  endif()
elseif(WIN32 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(KORVANE_NATIVE_PLATFORM windowsx86-64)
  set(KORVANE_NATIVE_PLATFORM_DIR windows/x86-64/shared)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(KORVANE_NATIVE_PLATFORM linuxx86-64)
  set(KORVANE_NATIVE_PLATFORM_DIR linux/x86-64/shared)
endif()
if(NOT KORVANE_NATIVE_PLATFORM)
  message(STATUS "No native zip: no robot-project platform for this build")
endif()
