# The Java side of the Maven-layout repository (cmake/NativeZip.cmake makes the natives' side), and
# the vendor-dependency files naming it, one per season, laid out the way WPILib robot projects
# take vendor libraries:
#   com/korvane/frc/KorvaneDriver-java/<v>/   the jar, its -sources and -javadoc jars, its pom
#   com/korvane/frc/KorvaneDriver-driver/<v>/ the natives' zips per platform, their pom
#   com/korvane/frc/KorvaneDriver-cpp/<v>/    the C++ headers, sources and library zips, their pom
#                                               (cmake/CppArtifacts.cmake)
#   <build>/vendordeps/KorvaneDriver.json       the 2026 season: version <v>
#   <build>/vendordeps/KorvaneDriver-2027.json  the 2027 season: version <v>-2027, its own UUID
# The two seasons share the artifact names and differ in version, so a robot project of either
# season resolves exactly its own files from the one repository.
# Native zips of other builds join this repository: KORVANE_MAVEN_MERGE lists their repositories
# (the default preset names the cross builds'). Each build of maven_repository copies the zips of
# each season's version it finds there, lists every platform it holds in that season's
# vendor-dependency file, and then writes each artifact folder's maven-metadata.xml and every
# file's .md5 and .sha1 (cmake/maven/IndexRepository.cmake), so Maven with strict checksums reads
# it.
set(KORVANE_MAVEN_MERGE "" CACHE STRING "Maven-layout repositories whose native zips join this one")
set(KORVANE_WPILIB_DESKTOP_LIBRARIES "" CACHE PATH
    "WPILib 2026's desktop libraries (libwpiHal.so ...), which a robot project's simulation places beside the desktop zip's")
set(KORVANE_WPILIB_DESKTOP_LIBRARIES_2027 "" CACHE PATH
    "WPILib 2027's desktop libraries, the same for the 2027 desktop zip")
set(KORVANE_VENDORDEP ${CMAKE_BINARY_DIR}/vendordeps/KorvaneDriver.json)
set(KORVANE_VENDORDEP_2027 ${CMAKE_BINARY_DIR}/vendordeps/KorvaneDriver-2027.json)

include(cmake/CppArtifacts.cmake)

string(REPLACE "." "/" group_path ${KORVANE_MAVEN_GROUP})
set(java_source_root ${PROJECT_SOURCE_DIR}/java/src/main/java)
file(GLOB_RECURSE maven_java_sources CONFIGURE_DEPENDS ${java_source_root}/*.java)

# One season's Java artifacts, merged natives and vendor-dependency file, and the package tests of
# them (named package.<check><test suffix>). jar_target is the season's jar; generated is the folder
# of its generated sources (its version); desktop_libraries the folder of the WPILib desktop
# libraries its desktop zip needs.
function(korvane_maven_season year version jar_target generated uuid vendordep test_suffix
         desktop_libraries)
  set(java_dir ${KORVANE_MAVEN_REPOSITORY}/${group_path}/${KORVANE_JAVA_ARTIFACT}/${version})
  set(java_base ${java_dir}/${KORVANE_JAVA_ARTIFACT}-${version})

  set(pom_artifact ${KORVANE_JAVA_ARTIFACT})
  set(pom_version ${version})
  set(pom_packaging jar)
  set(pom_name "Korvane driver library, Java classes")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/maven/pom.xml.in ${java_base}.pom @ONLY)
  # The natives' pom, for a season whose native zips all come from other builds.
  set(native_base ${KORVANE_MAVEN_REPOSITORY}/${group_path}/${KORVANE_NATIVE_ARTIFACT}/${version}/${KORVANE_NATIVE_ARTIFACT}-${version})
  set(pom_artifact ${KORVANE_NATIVE_ARTIFACT})
  set(pom_packaging pom)
  set(pom_name "Korvane driver library, JNI natives per platform")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/maven/pom.xml.in ${native_base}.pom @ONLY)

  get_target_property(jar_file ${jar_target} JAR_FILE)
  set(generated_root ${CMAKE_BINARY_DIR}/${generated})
  file(GLOB_RECURSE generated_sources CONFIGURE_DEPENDS ${generated_root}/*.java)

  add_custom_command(OUTPUT ${java_base}.jar
    COMMAND ${CMAKE_COMMAND} -E copy ${jar_file} ${java_base}.jar
    DEPENDS ${jar_target} ${jar_file} VERBATIM)

  add_custom_command(OUTPUT ${java_base}-sources.jar
    COMMAND ${Java_JAR_EXECUTABLE} cf ${java_base}-sources.jar -C ${java_source_root} .
            -C ${generated_root} .
    DEPENDS ${maven_java_sources} ${generated_sources} VERBATIM)

  # Every doclint check, as the java.javadoc test runs them, so a fault shows here too; it warns
  # without failing the build (the test fails on it).
  set(javadoc_dir ${CMAKE_BINARY_DIR}/javadoc-${year})
  add_custom_command(OUTPUT ${java_base}-javadoc.jar
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${javadoc_dir}
    COMMAND ${Java_JAVADOC_EXECUTABLE} -quiet -Xdoclint:all -encoding UTF-8
            -d ${javadoc_dir} -sourcepath ${java_source_root}:${generated_root}
            -subpackages com.korvane.frc
    COMMAND ${Java_JAR_EXECUTABLE} cf ${java_base}-javadoc.jar -C ${javadoc_dir} .
    DEPENDS ${maven_java_sources} ${generated_sources} VERBATIM)

  # The C++ headers and sources zips and the C++ pom; the C++ platform zips come with the natives.
  korvane_cpp_headers_and_sources(${KORVANE_MAVEN_REPOSITORY} ${version})

  # Every run copies the other builds' zips of this version and rewrites the vendor-dependency
  # file, so a zip that appeared since the last build is listed.
  add_custom_target(maven_merged_natives_${year}
    COMMAND ${CMAKE_COMMAND} -DREPOSITORY=${KORVANE_MAVEN_REPOSITORY} "-DSOURCES=${KORVANE_MAVEN_MERGE}"
            -DGROUP=${KORVANE_MAVEN_GROUP} -DJAVA_ARTIFACT=${KORVANE_JAVA_ARTIFACT}
            -DNATIVE_ARTIFACT=${KORVANE_NATIVE_ARTIFACT} -DCPP_ARTIFACT=${KORVANE_CPP_ARTIFACT}
            -DVERSION=${version}
            -DFRC_YEAR=${year} -DUUID=${uuid}
            -DTEMPLATE=${PROJECT_SOURCE_DIR}/cmake/maven/KorvaneDriver.json.in
            -DVENDORDEP=${vendordep} -P ${PROJECT_SOURCE_DIR}/cmake/maven/MergeNatives.cmake
    BYPRODUCTS ${vendordep} VERBATIM)
  add_custom_target(maven_java_${year}
    DEPENDS ${java_base}.jar ${java_base}-sources.jar ${java_base}-javadoc.jar)
  add_dependencies(maven_repository maven_merged_natives_${year} maven_java_${year}
                   maven_cpp_sources_${version})

  # The vendor-dependency file by WPILib's rules and against the repository (the environment
  # variable KORVANE_EXPECT_PLATFORMS<test suffix with - as _> names the platforms a full run must
  # list); Maven, offline with strict checksums, resolves everything it names from the repository;
  # a Java program compiled and run against the repository's jar and desktop natives alone opens a
  # simulated device.
  string(REPLACE "-" "_" expect_suffix "${test_suffix}")
  set(expect_variable KORVANE_EXPECT_PLATFORMS${expect_suffix})
  add_test(NAME package.vendordep-artifacts${test_suffix}
           COMMAND ${CMAKE_COMMAND} -DVENDORDEP=${vendordep}
                   -DREPOSITORY=${KORVANE_MAVEN_REPOSITORY}
                   -DPLATFORM=${KORVANE_NATIVE_PLATFORM} -DFRC_YEAR=${year}
                   -DEXPECT_VARIABLE=${expect_variable}
                   -P ${PROJECT_SOURCE_DIR}/tests/scripts/check_vendordep.cmake)
  set_tests_properties(package.vendordep-artifacts${test_suffix} PROPERTIES LABELS package)
  add_test(NAME package.vendordep-rejects${test_suffix}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/scripts/check_vendordep_rejects.sh
                   ${vendordep} ${KORVANE_MAVEN_REPOSITORY} ${KORVANE_NATIVE_PLATFORM}
                   ${year} ${PROJECT_SOURCE_DIR}/tests/scripts/check_vendordep.cmake
                   ${CMAKE_BINARY_DIR}/package-test/vendordep-rejects${test_suffix})
  set_tests_properties(package.vendordep-rejects${test_suffix} PROPERTIES TIMEOUT 120
                       LABELS package)
  add_test(NAME package.maven-strict-resolution${test_suffix}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/scripts/check_maven_resolution.sh
                   ${KORVANE_MAVEN_REPOSITORY} ${vendordep}
                   ${CMAKE_BINARY_DIR}/package-test/maven-strict-resolution${test_suffix})
  set_tests_properties(package.maven-strict-resolution${test_suffix} PROPERTIES TIMEOUT 240
                       LABELS package)
  set(desktop_zip ${native_base}-linuxx86-64.zip)
  add_test(NAME package.java-from-maven${test_suffix}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/scripts/check_java_from_maven.sh
                   ${Java_JAVAC_EXECUTABLE} ${Java_JAVA_EXECUTABLE} ${java_base}.jar
                   ${desktop_zip} ${PROJECT_SOURCE_DIR}/tests/packaging/MavenConsumer.java
                   ${CMAKE_BINARY_DIR}/package-test/java-from-maven${test_suffix} ${version}
                   ${desktop_libraries})
  set_tests_properties(package.java-from-maven${test_suffix} PROPERTIES TIMEOUT 120
                       LABELS package)
endfunction()

add_custom_target(maven_repository ALL
  COMMAND ${CMAKE_COMMAND} -DREPOSITORY=${KORVANE_MAVEN_REPOSITORY}
          -P ${PROJECT_SOURCE_DIR}/cmake/maven/IndexRepository.cmake VERBATIM)

korvane_maven_season(2026 ${KORVANE_RELEASE_VERSION_2026} korvane_jar generated-java
                     5f1c7a42-9d3e-4b8a-a6c1-2e7f0b9d4c11 ${KORVANE_VENDORDEP} ""
                     "${KORVANE_WPILIB_DESKTOP_LIBRARIES}")
korvane_maven_season(2027 ${KORVANE_RELEASE_VERSION_2027} korvane_jar_2027 generated-java-2027
                     d6edd292-b077-44f5-bfb6-e4bd1423affc ${KORVANE_VENDORDEP_2027} "-2027"
                     "${KORVANE_WPILIB_DESKTOP_LIBRARIES_2027}")

# The two seasons' files side by side: each a season of its own, with its own UUID and version,
# and no artifact of one in the other's folders.
add_test(NAME package.seasons-apart
         COMMAND ${CMAKE_COMMAND} -DVENDORDEPS=${KORVANE_VENDORDEP}\;${KORVANE_VENDORDEP_2027}
                 -DREPOSITORY=${KORVANE_MAVEN_REPOSITORY}
                 -P ${PROJECT_SOURCE_DIR}/tests/scripts/check_seasons_apart.cmake)
set_tests_properties(package.seasons-apart PROPERTIES LABELS package)
