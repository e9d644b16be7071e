# A cross build has no GoogleTest libraries for its target: build them from Debian's googletest
# sources (/usr/src/googletest) with the target's compiler. Gives GTest::gtest and GTest::gtest_main
# like find_package(GTest) does on the build machine.
set(KORVANE_GOOGLETEST_SOURCE /usr/src/googletest/googletest CACHE PATH "GoogleTest sources for a cross build")
if(NOT EXISTS ${KORVANE_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${KORVANE_GOOGLETEST_SOURCE}: install Debian's googletest")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(${KORVANE_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
