# The C++ side of the Maven-layout repository, as GradleRIO takes a vendor's C++ library
# (the vendor-dependency file's cppDependencies):
#   com/korvane/frc/KorvaneDriver-cpp/<v>/KorvaneDriver-cpp-<v>-headers.zip   korvane/<Device>.h at
#                                          its root, the include folder a C++ robot program gets
#   ...-sources.zip                        the library's sources (src/), for the debugger
#   ...-<platform>.zip, ...-<platform>debug.zip  <os>/<arch>/shared/libKorvaneDriver.so, the same
#                                          library as the JNI zip's (it serves both languages),
#                                          with the platform library it needs where it needs one;
#                                          the debug classifier, which a debug build of the robot
#                                          program asks for, holds the same files
#   its pom
# No Windows zip: a team's C++ robot program on Windows is built with MSVC, and KorvaneDriver.dll
# is MinGW-built, with a C++ ABI MSVC cannot call (the DLL exports the Java natives alone).
set(KORVANE_CPP_ARTIFACT KorvaneDriver-cpp)
# Fixed entry times, so every build's headers and sources zips are byte for byte alike.
set(KORVANE_CPP_ZIP_MTIME "2026-01-01 00:00:00")

# The headers and sources zips and the pom in REPOSITORY for VERSION (target
# maven_cpp_sources_<version>).
function(korvane_cpp_headers_and_sources repository version)
  if(TARGET maven_cpp_sources_${version})
    return()
  endif()
  string(REPLACE "." "/" group_path ${KORVANE_MAVEN_GROUP})
  set(base ${repository}/${group_path}/${KORVANE_CPP_ARTIFACT}/${version}/${KORVANE_CPP_ARTIFACT}-${version})
  set(pom_artifact ${KORVANE_CPP_ARTIFACT})
  set(pom_version ${version})
  set(pom_packaging pom)
  set(pom_name "Korvane driver library, C++ headers, sources and library per platform")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/maven/pom.xml.in ${base}.pom @ONLY)

  file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/include/korvane/*.h)
  add_custom_command(OUTPUT ${base}-headers.zip
    COMMAND ${CMAKE_COMMAND} -E rm -f ${base}-headers.zip
    COMMAND ${CMAKE_COMMAND} -E chdir ${PROJECT_SOURCE_DIR}/include ${CMAKE_COMMAND} -E tar cf
            ${base}-headers.zip --format=zip --mtime=${KORVANE_CPP_ZIP_MTIME} korvane
    DEPENDS ${headers} VERBATIM)

  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*)
  file(GLOB source_entries RELATIVE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/src/*)
  list(SORT source_entries)
  add_custom_command(OUTPUT ${base}-sources.zip
    COMMAND ${CMAKE_COMMAND} -E rm -f ${base}-sources.zip
    COMMAND ${CMAKE_COMMAND} -E chdir ${PROJECT_SOURCE_DIR}/src ${CMAKE_COMMAND} -E tar cf
            ${base}-sources.zip --format=zip --mtime=${KORVANE_CPP_ZIP_MTIME} ${source_entries}
    DEPENDS ${sources} VERBATIM)
  add_custom_target(maven_cpp_sources_${version} ALL DEPENDS ${base}-headers.zip ${base}-sources.zip)
endfunction()

# This build's platform zips (with their debug twins) in REPOSITORY for VERSION, from the
# libraries of the targets given (target maven_cpp_natives). Sets KORVANE_CPP_ZIP.
function(korvane_cpp_platform_zips repository version)
  set(libraries ${ARGN})
  string(REPLACE "." "/" group_path ${KORVANE_MAVEN_GROUP})
  set(base ${repository}/${group_path}/${KORVANE_CPP_ARTIFACT}/${version}/${KORVANE_CPP_ARTIFACT}-${version})
  set(zip ${base}-${KORVANE_NATIVE_PLATFORM}.zip)
  set(debug_zip ${base}-${KORVANE_NATIVE_PLATFORM}debug.zip)
  string(REGEX REPLACE "/.*" "" top_folder ${KORVANE_NATIVE_PLATFORM_DIR})
  set(files "")
  foreach(library ${libraries})
    list(APPEND files $<TARGET_FILE:${library}>)
  endforeach()
  set(stage ${CMAKE_BINARY_DIR}/maven-stage/cpp-${KORVANE_NATIVE_PLATFORM})
  add_custom_command(OUTPUT ${zip} ${debug_zip}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/${KORVANE_NATIVE_PLATFORM_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy ${files} ${stage}/${KORVANE_NATIVE_PLATFORM_DIR}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
    COMMAND ${CMAKE_COMMAND} -E chdir ${stage} ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip
            ${top_folder}
    COMMAND ${CMAKE_COMMAND} -E copy ${zip} ${debug_zip}
    DEPENDS ${libraries} VERBATIM)
  add_custom_target(maven_cpp_natives ALL DEPENDS ${zip} ${debug_zip})
  set(KORVANE_CPP_ZIP ${zip} PARENT_SCOPE)
endfunction()
