# The Java side of the Maven-layout repository (cmake/NativeZip.cmake makes the natives' side), and
# the vendor-dependency file <build>/vendordeps/KorvaneDriver.json naming it, laid out the way WPILib
# robot projects take vendor libraries:
#   com/korvane/frc/KorvaneDriver-java/<v>/   the jar, its -sources and -javadoc jars, its pom
#   com/korvane/frc/KorvaneDriver-driver/<v>/ the natives' zips per platform, their pom
#   com/korvane/frc/KorvaneDriver-cpp/<v>/    the C++ headers, sources and library zips, their pom
# Native zips of other builds join this repository: KORVANE_MAVEN_MERGE lists their repositories
# (the default preset names the cross builds'). Each build of maven_repository copies the zips of
# this version it finds there, lists every platform it holds in the vendor-dependency file, and
# then writes each artifact folder's maven-metadata.xml and every file's .md5 and .sha1
# (cmake/maven/IndexRepository.cmake), so Maven with strict checksums reads it.
set(KORVANE_MAVEN_MERGE "" CACHE STRING "Maven-layout repositories whose native zips join this one")
set(KORVANE_WPILIB_DESKTOP_LIBRARIES "" CACHE PATH
    "WPILib's desktop libraries (libwpiHal.so ...), which a robot project's simulation places beside the desktop zip's")
set(KORVANE_VENDORDEP ${CMAKE_BINARY_DIR}/vendordeps/KorvaneDriver.json)

string(REPLACE "." "/" group_path ${KORVANE_MAVEN_GROUP})
set(java_dir ${KORVANE_MAVEN_REPOSITORY}/${group_path}/${KORVANE_JAVA_ARTIFACT}/${PROJECT_VERSION})
set(java_base ${java_dir}/${KORVANE_JAVA_ARTIFACT}-${PROJECT_VERSION})

set(pom_artifact ${KORVANE_JAVA_ARTIFACT})
set(pom_packaging jar)
set(pom_name "Korvane driver library, Java classes")
configure_file(cmake/maven/pom.xml.in ${java_base}.pom @ONLY)

get_target_property(maven_jar_file korvane_jar JAR_FILE)
set(java_source_root ${PROJECT_SOURCE_DIR}/java/src/main/java)
file(GLOB_RECURSE maven_java_sources CONFIGURE_DEPENDS ${java_source_root}/*.java)
set(generated_java_root ${CMAKE_BINARY_DIR}/generated-java)
file(GLOB_RECURSE generated_java_sources CONFIGURE_DEPENDS ${generated_java_root}/*.java)

add_custom_command(OUTPUT ${java_base}.jar
  COMMAND ${CMAKE_COMMAND} -E copy ${maven_jar_file} ${java_base}.jar
  DEPENDS korvane_jar ${maven_jar_file} VERBATIM)

add_custom_command(OUTPUT ${java_base}-sources.jar
  COMMAND ${Java_JAR_EXECUTABLE} cf ${java_base}-sources.jar -C ${java_source_root} .
          -C ${generated_java_root} .
  DEPENDS ${maven_java_sources} ${generated_java_sources} VERBATIM)

# Every doclint check, as the java.javadoc test runs them, so a fault shows here too; it warns
# without failing the build (the test fails on it).
set(javadoc_dir ${CMAKE_BINARY_DIR}/javadoc)
add_custom_command(OUTPUT ${java_base}-javadoc.jar
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${javadoc_dir}
  COMMAND ${Java_JAVADOC_EXECUTABLE} -quiet -Xdoclint:all -encoding UTF-8
          -d ${javadoc_dir} -sourcepath ${java_source_root}:${generated_java_root}
          -subpackages com.korvane.frc
  COMMAND ${Java_JAR_EXECUTABLE} cf ${java_base}-javadoc.jar -C ${javadoc_dir} .
  DEPENDS ${maven_java_sources} ${generated_java_sources} VERBATIM)

# The C++ headers and sources zips and the C++ pom; the C++ platform zips come with the natives.
include(cmake/CppArtifacts.cmake)
korvane_cpp_headers_and_sources(${KORVANE_MAVEN_REPOSITORY} ${PROJECT_VERSION})

# Every run copies the other builds' zips of this version and rewrites the vendor-dependency file,
# so a zip that appeared since the last build is listed.
add_custom_target(maven_merged_natives
  COMMAND ${CMAKE_COMMAND} -DREPOSITORY=${KORVANE_MAVEN_REPOSITORY} "-DSOURCES=${KORVANE_MAVEN_MERGE}"
          -DGROUP=${KORVANE_MAVEN_GROUP} -DJAVA_ARTIFACT=${KORVANE_JAVA_ARTIFACT}
          -DNATIVE_ARTIFACT=${KORVANE_NATIVE_ARTIFACT} -DCPP_ARTIFACT=${KORVANE_CPP_ARTIFACT}
          -DVERSION=${PROJECT_VERSION}
          -DFRC_YEAR=${KORVANE_FRC_YEAR} -DTEMPLATE=${PROJECT_SOURCE_DIR}/cmake/maven/KorvaneDriver.json.in
          -DVENDORDEP=${KORVANE_VENDORDEP} -P ${PROJECT_SOURCE_DIR}/cmake/maven/MergeNatives.cmake
  BYPRODUCTS ${KORVANE_VENDORDEP} VERBATIM)

add_custom_target(maven_repository ALL
  COMMAND ${CMAKE_COMMAND} -DREPOSITORY=${KORVANE_MAVEN_REPOSITORY}
          -P ${PROJECT_SOURCE_DIR}/cmake/maven/IndexRepository.cmake
  DEPENDS ${java_base}.jar ${java_base}-sources.jar ${java_base}-javadoc.jar VERBATIM)
add_dependencies(maven_repository maven_merged_natives maven_cpp_sources)

# The vendor-dependency file by WPILib's rules and against the repository (KORVANE_EXPECT_PLATFORMS
# names platforms a full run must list); Maven, offline with strict checksums, resolves everything
# it names from the repository; a Java program compiled and run against the repository's jar and
# natives alone opens a simulated device.
add_test(NAME package.vendordep-artifacts
         COMMAND ${CMAKE_COMMAND} -DVENDORDEP=${KORVANE_VENDORDEP}
                 -DREPOSITORY=${KORVANE_MAVEN_REPOSITORY}
                 -DPLATFORM=${KORVANE_NATIVE_PLATFORM} -DFRC_YEAR=${KORVANE_FRC_YEAR}
                 -P ${PROJECT_SOURCE_DIR}/tests/scripts/check_vendordep.cmake)
set_tests_properties(package.vendordep-artifacts PROPERTIES LABELS package)
add_test(NAME package.vendordep-rejects
         COMMAND ${PROJECT_SOURCE_DIR}/tests/scripts/check_vendordep_rejects.sh
                 ${KORVANE_VENDORDEP} ${KORVANE_MAVEN_REPOSITORY} ${KORVANE_NATIVE_PLATFORM}
                 ${KORVANE_FRC_YEAR} ${PROJECT_SOURCE_DIR}/tests/scripts/check_vendordep.cmake
                 ${CMAKE_BINARY_DIR}/package-test/vendordep-rejects)
set_tests_properties(package.vendordep-rejects PROPERTIES TIMEOUT 120 LABELS package)
add_test(NAME package.maven-strict-resolution
         COMMAND ${PROJECT_SOURCE_DIR}/tests/scripts/check_maven_resolution.sh
                 ${KORVANE_MAVEN_REPOSITORY} ${KORVANE_VENDORDEP}
                 ${CMAKE_BINARY_DIR}/package-test/maven-strict-resolution)
set_tests_properties(package.maven-strict-resolution PROPERTIES TIMEOUT 240 LABELS package)
add_test(NAME package.java-from-maven
         COMMAND ${PROJECT_SOURCE_DIR}/tests/scripts/check_java_from_maven.sh
                 ${Java_JAVAC_EXECUTABLE} ${Java_JAVA_EXECUTABLE} ${java_base}.jar
                 ${KORVANE_NATIVE_ZIP}
                 ${PROJECT_SOURCE_DIR}/tests/packaging/MavenConsumer.java
                 ${CMAKE_BINARY_DIR}/package-test/java-from-maven ${PROJECT_VERSION}
                 ${KORVANE_WPILIB_DESKTOP_LIBRARIES})
set_tests_properties(package.java-from-maven PROPERTIES TIMEOUT 120 LABELS package)
