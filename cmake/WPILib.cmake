# The robot's platform, WPILib's HAL, in place of the stand-in. For WPILib 2026 with its wpiutil
# and wpinet, whose C++ classes the drivers use where our compiler shares WPILib's C++ ABI.
# KORVANE_WPILIB_ROOT is one of the two layouts a team has at hand:
#   - a WPILib CMake install prefix (what WPILib's own CMake build installs): share/hal,
#     share/wpinet and share/wpiutil with their package files, found with find_package;
#   - a folder laid out as WPILib's unpacked Maven zips (hal-cpp, wpiutil-cpp, wpinet-cpp):
#     include/hal, include/wpi, include/wpinet and the third-party headers beside them, and
#     lib/libwpiHal.so, lib/libwpiutil.so, lib/libwpinet.so.
# Either way korvane_wpilib carries their headers and libraries, and WPILib's C++ needs C++20.
# A Windows build takes only the headers and WPILib's C HAL (cmake/WPILibWindows.cmake). WPILib
# 2027 is taken differently (cmake/WPILib2027.cmake).
if(KORVANE_WPILIB_YEAR STREQUAL "2027")
  include(${CMAKE_CURRENT_LIST_DIR}/WPILib2027.cmake)
  return()
endif()
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/WPILibWindows.cmake)
  return()
endif()
set(KORVANE_WPILIB_LAYOUT "")
if(EXISTS "${KORVANE_WPILIB_ROOT}/share/hal/hal-config.cmake")
  set(KORVANE_WPILIB_LAYOUT "CMake install prefix")
  # The package files sit outside a cross build's sysroot: search only the given prefix, as it is.
  foreach(package wpiutil wpinet hal)
    find_package(${package} CONFIG REQUIRED PATHS "${KORVANE_WPILIB_ROOT}/share/${package}"
                 NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  endforeach()
  add_library(korvane_wpilib INTERFACE)
  target_link_libraries(korvane_wpilib INTERFACE hal wpinet wpiutil)
  set(KORVANE_WPILIB_LIBRARIES $<TARGET_FILE:hal> $<TARGET_FILE:wpinet> $<TARGET_FILE:wpiutil>)
else()
  set(_wpilib_missing "")
  foreach(_file include/hal/CAN.h include/hal/CANAPI.h include/hal/HALBase.h include/hal/I2C.h
                include/hal/SerialPort.h include/hal/SimDevice.h include/wpi/Logger.h
                include/wpi/raw_ostream.h include/wpinet/UDPClient.h
                lib/libwpiHal.so lib/libwpiutil.so lib/libwpinet.so)
    if(NOT EXISTS "${KORVANE_WPILIB_ROOT}/${_file}")
      list(APPEND _wpilib_missing "${_file}")
    endif()
  endforeach()
  if(KORVANE_WPILIB_ROOT STREQUAL "" OR _wpilib_missing)
    message(FATAL_ERROR
      "KORVANE_WITH_WPILIB is ON but KORVANE_WPILIB_ROOT ('${KORVANE_WPILIB_ROOT}') holds neither "
      "a WPILib CMake install (share/hal/hal-config.cmake) nor WPILib's unpacked Maven headers "
      "and libraries. Missing: ${_wpilib_missing}. Set -DKORVANE_WPILIB_ROOT=<folder>.")
  endif()
  set(KORVANE_WPILIB_LAYOUT "Maven zips")
  add_library(korvane_wpilib INTERFACE)
  target_include_directories(korvane_wpilib INTERFACE "${KORVANE_WPILIB_ROOT}/include")
  target_compile_features(korvane_wpilib INTERFACE cxx_std_20)
  set(KORVANE_WPILIB_LIBRARIES "${KORVANE_WPILIB_ROOT}/lib/libwpiHal.so"
      "${KORVANE_WPILIB_ROOT}/lib/libwpinet.so" "${KORVANE_WPILIB_ROOT}/lib/libwpiutil.so")
  target_link_libraries(korvane_wpilib INTERFACE ${KORVANE_WPILIB_LIBRARIES} Threads::Threads)
endif()
message(STATUS "WPILib (${KORVANE_WPILIB_LAYOUT}) from ${KORVANE_WPILIB_ROOT}")
