# Checks of a build against WPILib: the library exports only its natives and takes the HAL from
# WPILib; every symbol it leaves undefined is defined by WPILib's libraries or the C library (and,
# where it is not linked in, the C++ runtime); a robot controller's zip holds the library alone,
# of the controller's architecture (the roboRIO's soft-float 32-bit ARM, Systemcore's 64-bit ARM),
# needing no C++ runtime and no C library newer than KORVANE_ATHENA_GLIBC (roboRIO) or
# KORVANE_SYSTEMCORE_GLIBC (Systemcore).
set(KORVANE_ATHENA_GLIBC 2.34 CACHE STRING
    "Newest GLIBC_ symbol version the roboRIO's library may need")
# Our own code needs GLIBC_2.34 (its threads) on both; on 64-bit ARM the C++ runtime's unwinder
# (GCC 12's static libgcc_eh) finds exception tables with _dl_find_object alone, new in glibc 2.35.
set(KORVANE_SYSTEMCORE_GLIBC 2.35 CACHE STRING
    "Newest GLIBC_ symbol version Systemcore's library may need")

# The C library's files as the compiler links them (the sysroot's in a cross build).
set(runtime_names libc.so.6 libm.so.6 ld-linux.so.3 ld-linux-x86-64.so.2 ld-linux-aarch64.so.1)
if(NOT KORVANE_ROBOT_BUILD)
  list(APPEND runtime_names libstdc++.so.6 libgcc_s.so.1)
endif()
set(runtime_libraries "")
separate_arguments(compiler_flags UNIX_COMMAND "${CMAKE_CXX_FLAGS}")
foreach(name ${runtime_names})
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} ${compiler_flags} -print-file-name=${name}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(IS_ABSOLUTE "${path}" AND EXISTS "${path}")
    list(APPEND runtime_libraries "${path}")
  endif()
endforeach()

add_test(NAME robot.exports
         COMMAND ${PROJECT_SOURCE_DIR}/tests/scripts/check_exports.sh $<TARGET_FILE:KorvaneDriver>
                 libwpiHal.so $<TARGET_FILE:korvane_drivers>)
# In a desktop simulation the drivers also take the serial ports on ttys from the platform library.
set(symbol_providers ${KORVANE_WPILIB_LIBRARIES})
if(KORVANE_WPILIB_SIMULATION)
  list(APPEND symbol_providers $<TARGET_FILE:korvane_platform>)
endif()
add_test(NAME robot.undefined-symbols
         COMMAND ${PROJECT_SOURCE_DIR}/tests/robot/check_undefined_symbols.sh
                 $<TARGET_FILE:KorvaneDriver> ${symbol_providers} ${runtime_libraries})
set_tests_properties(robot.exports robot.undefined-symbols PROPERTIES LABELS robot)
if(KORVANE_NATIVE_PLATFORM STREQUAL "linuxathena")
  add_test(NAME robot.athena-zip
           COMMAND ${PROJECT_SOURCE_DIR}/tests/robot/check_robot_library.sh linuxathena
                   ${KORVANE_NATIVE_ZIP} ${CMAKE_BINARY_DIR}/package-test/athena-zip
                   ${KORVANE_ATHENA_GLIBC})
  set_tests_properties(robot.athena-zip PROPERTIES LABELS robot)
elseif(KORVANE_NATIVE_PLATFORM STREQUAL "linuxsystemcore")
  add_test(NAME robot.systemcore-zip
           COMMAND ${PROJECT_SOURCE_DIR}/tests/robot/check_robot_library.sh linuxsystemcore
                   ${KORVANE_NATIVE_ZIP} ${CMAKE_BINARY_DIR}/package-test/systemcore-zip
                   ${KORVANE_SYSTEMCORE_GLIBC})
  set_tests_properties(robot.systemcore-zip PROPERTIES LABELS robot)
endif()

# The stand-in's HAL functions, compiled against WPILib's own declarations: a definition whose
# signature differs from WPILib's (a C function declared twice differently) fails this build. The
# stand-in mirrors WPILib 2026.
if(NOT CMAKE_CROSSCOMPILING AND KORVANE_WPILIB_YEAR STREQUAL "2026")
  file(GLOB standin_hal_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/standin/*.cpp
       ${PROJECT_SOURCE_DIR}/platform/src/*.cpp)
  # The stand-in's wpiutil and wpinet classes are its own definitions of WPILib's C++ classes.
  list(FILTER standin_hal_sources EXCLUDE REGEX "/(RawOstream|UDPClient)\\.cpp$")
  add_library(korvane_standin_declarations OBJECT ${standin_hal_sources})
  # WPILib's headers first, so hal/*.h are WPILib's; the stand-in's own (korvane/sim) after them.
  target_link_libraries(korvane_standin_declarations PRIVATE korvane_wpilib)
  target_compile_options(korvane_standin_declarations PRIVATE -fsyntax-only
    "SHELL:-idirafter ${PROJECT_SOURCE_DIR}/platform/include"
    "SHELL:-idirafter ${PROJECT_SOURCE_DIR}/platform/controls/include"
    "SHELL:-idirafter ${PROJECT_SOURCE_DIR}/platform/src")
endif()

# The desktop simulation's zip: no HAL of its own beside WPILib's.
if(KORVANE_WPILIB_SIMULATION AND KORVANE_NATIVE_ZIP)
  add_test(NAME robot.desktop-zip-one-hal
           COMMAND ${PROJECT_SOURCE_DIR}/tests/robot/check_desktop_zip.sh ${KORVANE_NATIVE_ZIP}
                   ${CMAKE_BINARY_DIR}/package-test/desktop-zip)
  set_tests_properties(robot.desktop-zip-one-hal PROPERTIES LABELS robot)
endif()

# A team's C++ robot program built from this build's C++ zips alone reads the motor controller
# and the colour sensor from their simulators in WPILib's desktop simulation.
# (WPILib 2026: the program takes WPILib's HAL headers of that generation.)
if(KORVANE_WPILIB_SIMULATION AND KORVANE_BUILD_TESTS AND KORVANE_NATIVE_PLATFORM STREQUAL "linuxx86-64"
   AND KORVANE_WPILIB_YEAR STREQUAL "2026" AND NOT CMAKE_CROSSCOMPILING)
  add_subdirectory(tests/cpprobot)
endif()
