# WPILib 2027 for our code: the C declarations of its HAL and its libwpiHal.so, nothing more.
# WPILib 2027 is C++23 and its libraries are built with another C++ library than ours (LLVM's
# libc++ here, GCC 14's libstdc++ in WPILib's own builds): our code stays C++20, built with
# Debian's GCC, and calls only its HAL's C functions. Its CMake package files are therefore not
# used (their targets ask for C++23); KORVANE_WPILIB_ROOT is one of the two layouts a team has:
#   - a WPILib CMake install prefix: include/hal/wpi/hal/*.h, include/wpiutil/wpi/util/*.h,
#     lib/libwpiHal.so (and the libraries it needs beside it);
#   - WPILib's unpacked Maven zips (hal-cpp, wpiutil-cpp): include/wpi/hal/*.h,
#     include/wpi/util/*.h, lib/libwpiHal.so.
# A Windows build takes only the headers (cmake/WPILibWindows.cmake).
if(EXISTS "${KORVANE_WPILIB_ROOT}/include/hal/wpi/hal/HAL.h")
  set(KORVANE_WPILIB_LAYOUT "CMake install prefix")
  set(_wpilib_includes "${KORVANE_WPILIB_ROOT}/include/hal" "${KORVANE_WPILIB_ROOT}/include/wpiutil")
elseif(EXISTS "${KORVANE_WPILIB_ROOT}/include/wpi/hal/HAL.h")
  set(KORVANE_WPILIB_LAYOUT "Maven zips")
  set(_wpilib_includes "${KORVANE_WPILIB_ROOT}/include")
else()
  message(FATAL_ERROR "KORVANE_WPILIB_YEAR is 2027 but KORVANE_WPILIB_ROOT ('${KORVANE_WPILIB_ROOT}') "
                      "holds no WPILib 2027 HAL headers (include/hal/wpi/hal/HAL.h or "
                      "include/wpi/hal/HAL.h). Set -DKORVANE_WPILIB_ROOT=<folder>.")
endif()
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/WPILibWindows.cmake)
  return()
endif()
set(KORVANE_WPILIB_LIBRARIES "${KORVANE_WPILIB_ROOT}/lib/libwpiHal.so")
if(NOT EXISTS "${KORVANE_WPILIB_LIBRARIES}")
  message(FATAL_ERROR "KORVANE_WPILIB_ROOT ('${KORVANE_WPILIB_ROOT}') holds WPILib 2027's headers "
                      "but no lib/libwpiHal.so")
endif()
add_library(korvane_wpilib INTERFACE)
target_include_directories(korvane_wpilib INTERFACE ${_wpilib_includes})
target_link_libraries(korvane_wpilib INTERFACE ${KORVANE_WPILIB_LIBRARIES} Threads::Threads)
target_compile_features(korvane_wpilib INTERFACE cxx_std_20)
# The libraries libwpiHal.so needs are found beside it (and, for this project's own build of
# WPILib 2027 for 64-bit ARM, in the LLVM C++ library unpacked beside that): only for linking.
set(_link_dirs "${KORVANE_WPILIB_ROOT}/lib")
if(EXISTS "${KORVANE_WPILIB_ROOT}/libcxx-arm64/usr/lib/llvm-19/lib")
  list(APPEND _link_dirs "${KORVANE_WPILIB_ROOT}/libcxx-arm64/usr/lib/llvm-19/lib")
endif()
list(JOIN _link_dirs ":" _link_path)
target_link_options(korvane_wpilib INTERFACE "-Wl,-rpath-link,${_link_path}")
message(STATUS "WPILib 2027 (${KORVANE_WPILIB_LAYOUT}) from ${KORVANE_WPILIB_ROOT}")
