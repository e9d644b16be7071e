# Unpacks the robot's native zip into OUT as a robot project does, for the tests in the robot's
# JVM, after checking that the JVM they run is there.
# Usage: cmake -DZIP= -DOUT= -DJVM= -P unpack_robot_zip.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT EXISTS "${JVM}")
  message(FATAL_ERROR "no JVM of the robot's architecture at '${JVM}': run "
                      "tests/robot/prepare_robot_jvms.sh (KORVANE_WPILIB_CACHE) first")
endif()
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${ZIP}" WORKING_DIRECTORY "${OUT}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${ZIP} does not unpack")
endif()
