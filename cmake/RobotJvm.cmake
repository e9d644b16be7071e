# The robot library's Java tests in a JVM of the robot controller's own architecture, under
# qemu-user: Debian's OpenJDK 17 for armel (a Zero VM) for the roboRIO, for arm64 for Systemcore,
# unpacked into the cache by tests/robot/prepare_robot_jvms.sh. The shipped library is loaded
# beside WPILib's libraries cross-built for the controller (simulation HALs, whose CAN callbacks
# the simulators serve) and the platform library and simulators built here for the same
# architecture.
option(KORVANE_ROBOT_JVM_TESTS "Run the robot library's Java tests in a JVM of the robot's architecture" ON)
set(KORVANE_ROBOT_JVM "" CACHE FILEPATH
    "The java program of the controller's architecture (tests/robot/prepare_robot_jvms.sh)")
set(KORVANE_ROBOT_JVM_ROOT "/" CACHE PATH
    "The root its loader and C library come from (qemu's -L)")
if(KORVANE_NATIVE_PLATFORM STREQUAL "linuxathena")
  find_program(KORVANE_QEMU qemu-arm REQUIRED)
  set(KORVANE_ROBOT_EMULATOR ${KORVANE_QEMU} -cpu cortex-a9 -L ${KORVANE_ROBOT_JVM_ROOT})
  set(KORVANE_ROBOT_JVM_NAME armel)
else()
  find_program(KORVANE_QEMU qemu-aarch64 REQUIRED)
  set(KORVANE_ROBOT_EMULATOR ${KORVANE_QEMU} -L ${KORVANE_ROBOT_JVM_ROOT})
  set(KORVANE_ROBOT_JVM_NAME arm64)
endif()
