# cmake --install: the driver library and its JNI exports, the platform stand-in and the
# simulators' bindings, the public headers, the jar, the emulator programs, and a CMake package
# (find_package(KorvaneDriver)) for C++ programs.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KORVANE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/KorvaneDriver)
set(KORVANE_INSTALL_JAVADIR ${CMAKE_INSTALL_DATADIR}/java)

set_target_properties(korvane_drivers PROPERTIES OUTPUT_NAME KorvaneDrivers EXPORT_NAME Drivers)
set_target_properties(korvane_platform PROPERTIES EXPORT_NAME Platform)
set_target_properties(KorvaneDriver PROPERTIES EXPORT_NAME Jni)

install(TARGETS KorvaneDriver korvane_drivers korvane_platform EXPORT KorvaneDriverTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS korvane_sim_jni LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(NOT WIN32)  # the emulators serve pseudo-terminals: Linux tools
  install(TARGETS korvane_virtual_robot kromel_usb_emulator dystan_usb_emulator lidarmini_emulator
                  lidar_room_emulator
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The drivers' headers under include/korvane-driver: the C++ API (korvane/<Device>.h) and the
# driver classes the exports call, which include it; the stand-in's platform headers (hal/, wpi/,
# korvane/sim/) under include.
file(GLOB driver_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/include/*.h)
install(FILES ${driver_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/korvane-driver)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/korvane
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/korvane-driver)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/platform/include/
                  ${PROJECT_SOURCE_DIR}/platform/controls/include/
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(KORVANE_BUILD_JAVA)
  get_target_property(installed_jar korvane_jar JAR_FILE)
  install(FILES ${installed_jar} DESTINATION ${KORVANE_INSTALL_JAVADIR}
          RENAME korvane-${PROJECT_VERSION}.jar)
endif()

install(EXPORT KorvaneDriverTargets NAMESPACE KorvaneDriver::
        DESTINATION ${KORVANE_INSTALL_CMAKEDIR})
configure_package_config_file(cmake/package/KorvaneDriverConfig.cmake.in
  ${CMAKE_BINARY_DIR}/package/KorvaneDriverConfig.cmake
  INSTALL_DESTINATION ${KORVANE_INSTALL_CMAKEDIR} PATH_VARS KORVANE_INSTALL_JAVADIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/KorvaneDriverConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/KorvaneDriverConfig.cmake
              ${CMAKE_BINARY_DIR}/package/KorvaneDriverConfigVersion.cmake
        DESTINATION ${KORVANE_INSTALL_CMAKEDIR})

# A C++ program of a team's own, configured against the installed tree, builds, links and runs.
# (Not in sanitizer or cross builds: the team's program is a plain build for this machine.)
if(KORVANE_BUILD_TESTS AND NOT KORVANE_SANITIZE AND NOT KORVANE_TSAN AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME package.downstream-cpp
           COMMAND ${PROJECT_SOURCE_DIR}/tests/scripts/check_downstream_cpp.sh ${CMAKE_BINARY_DIR}
                   ${PROJECT_SOURCE_DIR}/tests/packaging/downstream
                   ${CMAKE_BINARY_DIR}/package-test/downstream-cpp ${KORVANE_BUILD_JAVA})
  set_tests_properties(package.downstream-cpp PROPERTIES TIMEOUT 300 LABELS package)
endif()

# The virtual robot starts every emulator, prints their paths and stops cleanly on SIGINT (run
# directly by a script, so not in the cross build).
if(KORVANE_BUILD_TESTS AND NOT CMAKE_CROSSCOMPILING AND NOT WIN32)
  add_test(NAME sim.virtual-robot
           COMMAND ${PROJECT_SOURCE_DIR}/tests/scripts/check_virtual_robot.sh
                   $<TARGET_FILE:korvane_virtual_robot> ${CMAKE_BINARY_DIR}/package-test/virtual-robot
                   $<$<BOOL:${KORVANE_BUILD_JAVA}>:${Java_JAVA_EXECUTABLE}>
                   $<$<BOOL:${KORVANE_BUILD_JAVA}>:${CMAKE_BINARY_DIR}/jar/korvane.jar>
                   $<$<BOOL:${KORVANE_BUILD_JAVA}>:${CMAKE_BINARY_DIR}/lib>
                   $<$<BOOL:${KORVANE_BUILD_JAVA}>:${PROJECT_SOURCE_DIR}/tests/packaging/VirtualRobotClient.java>
                   COMMAND_EXPAND_LISTS)
  set_tests_properties(sim.virtual-robot PROPERTIES TIMEOUT 120 LABELS cpp)
  if(KORVANE_BUILD_JAVA)
    set_tests_properties(sim.virtual-robot PROPERTIES LABELS "cpp;java")
  endif()
endif()
