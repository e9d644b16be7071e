# The platform port (src/port): the one place where the drivers meet the platform, and which
# implementation of each of its pieces this build takes. Sets port_sources.
#   - The WPILib generation's C HAL (KORVANE_WPILIB_YEAR): CAN with its buses, frames and receive
#     clock, the robot's enabled state and runtime, I2C, simulated-device values, the driver
#     station's error reports, whether the mock driver station's packets do anything there; hal2026/ (WPILib 2026, which the
#     stand-in mirrors) or hal2027/ (WPILib 2027: headers under wpi/hal/, CAN buses and message
#     structs, HAL_GetOutputsEnabled).
#   - The family (KORVANE_PORT) of what the drivers take from WPILib beyond its C HAL (clock, UDP
#     sender, error stream): wpilib/, WPILib's own C++ classes, where our compiler shares WPILib's
#     C++ ABI (WPILib 2026 on Linux, the stand-in); hal/, the generation's C clock and the
#     operating system (hal/<os>/), wherever only WPILib's C functions may be called (Windows,
#     WPILib 2027).
#   - The controller's serial ports: the HAL's own (hal2026/: the roboRIO, the stand-in); ttys
#     through the platform library over WPILib's simulation HALs, whose serial ports are stubs
#     (simulated/); USB serial ttys on Systemcore, whose HAL has none (systemcore/).
#   - Where USB serial devices are listed: the robot's /dev (robot/), or where our platform
#     library's simulation controls say (simulated/).
set(_year ${KORVANE_WPILIB_YEAR})
set(port_sources port/hal${_year}/Can.cpp port/hal${_year}/RobotState.cpp port/hal${_year}/I2c.cpp
                 port/hal${_year}/SimValues.cpp port/hal${_year}/MockDriverStation.cpp
                 port/hal${_year}/DriverStationError.cpp)
if(KORVANE_PORT STREQUAL "wpilib")
  list(APPEND port_sources port/wpilib/Clock.cpp port/wpilib/ErrorStream.cpp
       port/wpilib/UdpSender.cpp)
else()
  list(APPEND port_sources port/hal${_year}/Clock.cpp port/hal/ErrorStream.cpp
       port/hal/${KORVANE_OS}/UdpSender.cpp)
endif()
if(KORVANE_WPILIB_SIMULATION)
  list(APPEND port_sources port/simulated/ControllerSerialPorts.cpp)
elseif(_year STREQUAL "2027")
  list(APPEND port_sources port/systemcore/ControllerSerialPorts.cpp)
else()
  list(APPEND port_sources port/hal2026/ControllerSerialPorts.cpp)
endif()
if(KORVANE_ROBOT_BUILD)
  list(APPEND port_sources port/robot/SerialDeviceLocation.cpp)
else()
  list(APPEND port_sources port/simulated/SerialDeviceLocation.cpp)
endif()
list(TRANSFORM port_sources PREPEND ${CMAKE_CURRENT_LIST_DIR}/../)
