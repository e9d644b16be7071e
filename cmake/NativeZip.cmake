# The natives as robot projects unpack them, as one zip per platform in a Maven-layout repository
# (<build>/maven), with WPILib's platform names:
#   com/korvane/frc/KorvaneDriver-driver/<v>/KorvaneDriver-driver-<v>-<platform>.zip and its pom
# (and the C++ artifacts of the same libraries beside them, see cmake/CppArtifacts.cmake)
#   linuxx86-64  linux/x86-64/shared  desktop simulation: driver, platform library (no HAL of its own),
#                                     simulators' bindings, built against WPILib's simulation HAL
#   linuxarm32   linux/arm32/shared   the same for hard-float 32-bit ARM Linux coprocessors
#   linuxathena  linux/athena/shared  the robot controller: the driver alone, built soft-float against
#                                     WPILib 2026 (KORVANE_WITH_WPILIB); the robot's WPILib loads it
#   linuxsystemcore  linux/systemcore/shared  Systemcore: the driver alone, 64-bit ARM against WPILib
#                                     2027, whose robot libraries load it
#   windowsx86-64  windows/x86-64/shared  Windows desktop simulation: the same three DLLs as the Linux
#                                     desktop's, built with MinGW-w64 against WPILib's C HAL only
# The version is the season's (KORVANE_RELEASE_VERSION: <v> for 2026, <v>-2027 for 2027). Built by
# the maven_natives target, part of every build that makes the driver library.
set(KORVANE_MAVEN_GROUP com.korvane.frc)
set(KORVANE_JAVA_ARTIFACT KorvaneDriver-java)
set(KORVANE_NATIVE_ARTIFACT KorvaneDriver-driver)
set(KORVANE_MAVEN_REPOSITORY ${CMAKE_BINARY_DIR}/maven)

if(NOT KORVANE_NATIVE_PLATFORM)
  return()
endif()
set(native_platform_dir ${KORVANE_NATIVE_PLATFORM_DIR})
string(REGEX REPLACE "/.*" "" native_top_folder ${native_platform_dir})  # linux, windows

string(REPLACE "." "/" group_path ${KORVANE_MAVEN_GROUP})
set(native_dir
    ${KORVANE_MAVEN_REPOSITORY}/${group_path}/${KORVANE_NATIVE_ARTIFACT}/${KORVANE_RELEASE_VERSION})
set(native_base ${native_dir}/${KORVANE_NATIVE_ARTIFACT}-${KORVANE_RELEASE_VERSION})
set(KORVANE_NATIVE_ZIP ${native_base}-${KORVANE_NATIVE_PLATFORM}.zip)

set(pom_artifact ${KORVANE_NATIVE_ARTIFACT})
set(pom_version ${KORVANE_RELEASE_VERSION})
set(pom_packaging pom)
set(pom_name "Korvane driver library, JNI natives per platform")
configure_file(cmake/maven/pom.xml.in ${native_base}.pom @ONLY)

# The desktop's zip is the build against WPILib's simulation HAL: a robot project's simulation
# loads WPILib's HAL, and a second one beside it would leave our devices unreachable. The
# stand-in's desktop builds ship nothing (on Windows the stand-in is a test-only wpiHal.dll); the
# default build's repository takes the desktop zips in (KORVANE_MAVEN_MERGE).
if(NOT KORVANE_WITH_WPILIB AND (NOT CMAKE_CROSSCOMPILING OR WIN32))
  return()
endif()

# The natives find each other beside themselves wherever they are unpacked: RUNPATH $ORIGIN, in the
# build tree as when installed.
set(native_libraries KorvaneDriver)
if(TARGET korvane_sim_jni AND NOT KORVANE_ROBOT_BUILD)
  list(APPEND native_libraries korvane_platform korvane_sim_jni)
endif()
set_target_properties(${native_libraries} PROPERTIES BUILD_WITH_INSTALL_RPATH ON)
set(native_files "")
foreach(library ${native_libraries})
  list(APPEND native_files $<TARGET_FILE:${library}>)
endforeach()

set(native_stage ${CMAKE_BINARY_DIR}/maven-stage/${KORVANE_NATIVE_PLATFORM})
add_custom_command(OUTPUT ${KORVANE_NATIVE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${native_stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${native_stage}/${native_platform_dir}
  COMMAND ${CMAKE_COMMAND} -E copy ${native_files} ${native_stage}/${native_platform_dir}
  COMMAND ${CMAKE_COMMAND} -E chdir ${native_stage} ${CMAKE_COMMAND} -E tar cf
          ${KORVANE_NATIVE_ZIP} --format=zip ${native_top_folder}
  DEPENDS ${native_libraries} VERBATIM)
add_custom_target(maven_natives ALL DEPENDS ${KORVANE_NATIVE_ZIP})

# The C++ artifacts (cmake/CppArtifacts.cmake): the same driver library with the platform library
# it needs (not the simulators' Java bindings), and the headers and sources. None for Windows.
include(cmake/CppArtifacts.cmake)
if(NOT WIN32)
  set(cpp_libraries ${native_libraries})
  list(REMOVE_ITEM cpp_libraries korvane_sim_jni)
  korvane_cpp_platform_zips(${KORVANE_MAVEN_REPOSITORY} ${KORVANE_RELEASE_VERSION} ${cpp_libraries})
  korvane_cpp_headers_and_sources(${KORVANE_MAVEN_REPOSITORY} ${KORVANE_RELEASE_VERSION})
endif()

if(KORVANE_NATIVE_PLATFORM STREQUAL "linuxarm32")
  add_test(NAME package.arm-native-zip
           COMMAND ${PROJECT_SOURCE_DIR}/tests/cross/check_arm_native_zip.sh ${KORVANE_NATIVE_ZIP}
                   ${CMAKE_BINARY_DIR}/package-test/arm-native-zip)
  set_tests_properties(package.arm-native-zip PROPERTIES LABELS package)
endif()
