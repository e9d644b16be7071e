# The robot's own platform libraries in place of the stand-in: headers and shared libraries from
# KORVANE_WPILIB_ROOT (include/hal/CAN.h, include/wpi/Logger.h, lib/libwpiHal.so, lib/libwpiutil.so).
set(_wpilib_missing "")
foreach(_file include/hal/CAN.h include/hal/CANAPI.h include/hal/HALBase.h include/hal/I2C.h
              include/hal/SerialPort.h
              include/wpi/Logger.h include/wpi/UDPClient.h lib/libwpiHal.so lib/libwpiutil.so)
  if(NOT EXISTS "${KORVANE_WPILIB_ROOT}/${_file}")
    list(APPEND _wpilib_missing "${_file}")
  endif()
endforeach()
if(KORVANE_WPILIB_ROOT STREQUAL "" OR _wpilib_missing)
  message(FATAL_ERROR
    "KORVANE_WITH_WPILIB is ON but KORVANE_WPILIB_ROOT ('${KORVANE_WPILIB_ROOT}') does not hold "
    "the robot's WPILib HAL and wpiutil. Missing: ${_wpilib_missing}. Set "
    "-DKORVANE_WPILIB_ROOT=<folder with include/ and lib/>.")
endif()
add_library(korvane_platform INTERFACE)
target_include_directories(korvane_platform INTERFACE "${KORVANE_WPILIB_ROOT}/include")
target_link_libraries(korvane_platform INTERFACE
  "${KORVANE_WPILIB_ROOT}/lib/libwpiHal.so" "${KORVANE_WPILIB_ROOT}/lib/libwpiutil.so")
