# The motor controller's and the colour sensor's Java tests against the robot library as shipped
# (its zip, unpacked as a robot project does), in a JVM of the robot's own architecture (see
# cmake/RobotJvm.cmake), CAN through WPILib's simulation callbacks. The jar and the test classes
# are built here from the same sources; the platform library and the simulators go to
# <build>/test-lib, apart from the shipped library.
find_package(Java 17 REQUIRED COMPONENTS Development)
include(UseJava)
find_file(JUNIT_CONSOLE_JAR junit-platform-console-standalone.jar PATHS /usr/share/java
          NO_DEFAULT_PATH REQUIRED)
set(CMAKE_JAVA_COMPILE_FLAGS -encoding UTF-8)
set(KORVANE_ROBOT_JAVA_TESTS TorqaTest KromelTest CACHE STRING
    "Java test classes run in the robot's JVM")
# The tests of what the other WPILib generation has are left out (see java/CMakeLists.txt).
if(KORVANE_WPILIB_YEAR STREQUAL "2027")
  set(other_generation_tag wpilib-2026)
else()
  set(other_generation_tag wpilib-2027)
endif()

file(GLOB_RECURSE robot_class_sources CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/java/src/main/java/*.java)
set(build_info_version ${KORVANE_RELEASE_VERSION})
set(build_info_platforms ${KORVANE_ZIP_PLATFORMS})
set(robot_build_info ${CMAKE_BINARY_DIR}/generated-java/com/korvane/frc/jni/KorvaneBuildInfo.java)
configure_file(${PROJECT_SOURCE_DIR}/java/templates/KorvaneBuildInfo.java.in ${robot_build_info}
               @ONLY)
add_jar(korvane_robot_jar SOURCES ${robot_class_sources} ${robot_build_info}
        OUTPUT_NAME korvane OUTPUT_DIR ${CMAKE_BINARY_DIR}/jar)
file(GLOB_RECURSE robot_test_sources CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/java/src/test/java/*.java)
add_jar(korvane_robot_tests_jar SOURCES ${robot_test_sources}
        INCLUDE_JARS korvane_robot_jar ${JUNIT_CONSOLE_JAR}
        OUTPUT_NAME korvane-tests OUTPUT_DIR ${CMAKE_BINARY_DIR}/jar)
get_target_property(robot_jar korvane_robot_jar JAR_FILE)
get_target_property(robot_tests_jar korvane_robot_tests_jar JAR_FILE)
set_target_properties(korvane_platform korvane_sim_jni PROPERTIES
                      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-lib)

# WPILib's libraries for the controller, and what they need beside them.
set(robot_library_dirs "")
foreach(library ${KORVANE_WPILIB_LIBRARIES})
  list(APPEND robot_library_dirs "$<PATH:GET_PARENT_PATH,${library}>")
endforeach()
if(EXISTS "${KORVANE_WPILIB_ROOT}/libcxx-arm64/usr/lib/llvm-19/lib")
  list(APPEND robot_library_dirs "${KORVANE_WPILIB_ROOT}/libcxx-arm64/usr/lib/llvm-19/lib")
endif()
list(REMOVE_DUPLICATES robot_library_dirs)
list(JOIN robot_library_dirs ":" robot_library_path)

set(unpacked ${CMAKE_BINARY_DIR}/package-test/robot-jvm)
set(jvm_prefix jvm-${KORVANE_ROBOT_JVM_NAME})
add_test(NAME ${jvm_prefix}.unpack-zip
         COMMAND ${CMAKE_COMMAND} -DZIP=${KORVANE_NATIVE_ZIP} -DOUT=${unpacked}
                 -DJVM=${KORVANE_ROBOT_JVM}
                 -P ${PROJECT_SOURCE_DIR}/tests/robot/unpack_robot_zip.cmake)
set_tests_properties(${jvm_prefix}.unpack-zip PROPERTIES FIXTURES_SETUP robot_jvm LABELS robot)
foreach(class ${KORVANE_ROBOT_JAVA_TESTS})
  add_test(NAME ${jvm_prefix}.${class}
           COMMAND ${CMAKE_COMMAND} -E env "LD_LIBRARY_PATH=${robot_library_path}"
                   ${KORVANE_ROBOT_EMULATOR} ${KORVANE_ROBOT_JVM} -Xcheck:jni
                   -Djava.library.path=${unpacked}/${KORVANE_NATIVE_PLATFORM_DIR}:${CMAKE_BINARY_DIR}/test-lib
                   -jar ${JUNIT_CONSOLE_JAR} --disable-banner --disable-ansi-colors
                   --fail-if-no-tests --details=summary --exclude-tag stand-in-hal
                   --exclude-tag ${other_generation_tag}
                   --class-path ${robot_jar}:${robot_tests_jar}
                   --select-class com.korvane.frc.${class})
  set_tests_properties(${jvm_prefix}.${class} PROPERTIES FIXTURES_REQUIRED robot_jvm TIMEOUT 1500
                       LABELS "robot;java")
endforeach()
