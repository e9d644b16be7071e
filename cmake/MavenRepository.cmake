# A Maven-layout repository in <build>/maven, laid out the way WPILib robot projects take vendor
# libraries, and the vendor-dependency file <build>/vendordeps/KorvaneDriver.json naming it:
#   com/korvane/frc/KorvaneDriver-java/<v>/   the jar, its -sources and -javadoc jars, its pom
#   com/korvane/frc/KorvaneDriver-driver/<v>/ the natives as -linuxx86-64.zip
#                                             (linux/x86-64/shared/*.so), its pom
# Built by the maven_repository target, part of the default build.
set(KORVANE_MAVEN_GROUP com.korvane.frc)
set(KORVANE_JAVA_ARTIFACT KorvaneDriver-java)
set(KORVANE_NATIVE_ARTIFACT KorvaneDriver-driver)
set(KORVANE_MAVEN_REPOSITORY ${CMAKE_BINARY_DIR}/maven)
set(KORVANE_VENDORDEP ${CMAKE_BINARY_DIR}/vendordeps/KorvaneDriver.json)
set(KORVANE_NATIVE_PLATFORM linuxx86-64)

string(REPLACE "." "/" group_path ${KORVANE_MAVEN_GROUP})
set(java_dir ${KORVANE_MAVEN_REPOSITORY}/${group_path}/${KORVANE_JAVA_ARTIFACT}/${PROJECT_VERSION})
set(native_dir
    ${KORVANE_MAVEN_REPOSITORY}/${group_path}/${KORVANE_NATIVE_ARTIFACT}/${PROJECT_VERSION})
set(java_base ${java_dir}/${KORVANE_JAVA_ARTIFACT}-${PROJECT_VERSION})
set(native_base ${native_dir}/${KORVANE_NATIVE_ARTIFACT}-${PROJECT_VERSION})

set(pom_artifact ${KORVANE_JAVA_ARTIFACT})
set(pom_packaging jar)
set(pom_name "Korvane driver library, Java classes")
configure_file(cmake/maven/pom.xml.in ${java_base}.pom @ONLY)
set(pom_artifact ${KORVANE_NATIVE_ARTIFACT})
set(pom_packaging pom)
set(pom_name "Korvane driver library, JNI natives per platform")
configure_file(cmake/maven/pom.xml.in ${native_base}.pom @ONLY)
configure_file(cmake/maven/KorvaneDriver.json.in ${KORVANE_VENDORDEP} @ONLY)

get_target_property(maven_jar_file korvane_jar JAR_FILE)
set(java_source_root ${PROJECT_SOURCE_DIR}/java/src/main/java)
file(GLOB_RECURSE maven_java_sources CONFIGURE_DEPENDS ${java_source_root}/*.java)
set(generated_java_root ${CMAKE_BINARY_DIR}/generated-java)

add_custom_command(OUTPUT ${java_base}.jar
  COMMAND ${CMAKE_COMMAND} -E copy ${maven_jar_file} ${java_base}.jar
  DEPENDS korvane_jar ${maven_jar_file} VERBATIM)

add_custom_command(OUTPUT ${java_base}-sources.jar
  COMMAND ${Java_JAR_EXECUTABLE} cf ${java_base}-sources.jar -C ${java_source_root} .
          -C ${generated_java_root} .
  DEPENDS ${maven_java_sources} VERBATIM)

set(javadoc_dir ${CMAKE_BINARY_DIR}/javadoc)
add_custom_command(OUTPUT ${java_base}-javadoc.jar
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${javadoc_dir}
  COMMAND ${Java_JAVADOC_EXECUTABLE} -quiet -Xdoclint:none -encoding UTF-8
          -d ${javadoc_dir} -sourcepath ${java_source_root}:${generated_java_root}
          -subpackages com.korvane.frc
  COMMAND ${Java_JAR_EXECUTABLE} cf ${java_base}-javadoc.jar -C ${javadoc_dir} .
  DEPENDS ${maven_java_sources} VERBATIM)

# The natives find each other beside themselves wherever they are unpacked: RUNPATH $ORIGIN, in the
# build tree as when installed (all three are built into <build>/lib).
set_target_properties(KorvaneDriver korvane_platform korvane_sim_jni PROPERTIES
                      BUILD_WITH_INSTALL_RPATH ON)

# The natives as robot projects unpack them: linux/x86-64/shared/<library>. Off the robot the driver
# needs the platform stand-in beside it, and the simulators' bindings serve simulated devices.
set(native_stage ${CMAKE_BINARY_DIR}/maven-stage/${KORVANE_NATIVE_PLATFORM})
add_custom_command(OUTPUT ${native_base}-${KORVANE_NATIVE_PLATFORM}.zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${native_stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${native_stage}/linux/x86-64/shared
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:KorvaneDriver> $<TARGET_FILE:korvane_platform>
          $<TARGET_FILE:korvane_sim_jni> ${native_stage}/linux/x86-64/shared
  COMMAND ${CMAKE_COMMAND} -E chdir ${native_stage} ${CMAKE_COMMAND} -E tar cf
          ${native_base}-${KORVANE_NATIVE_PLATFORM}.zip --format=zip linux
  DEPENDS KorvaneDriver korvane_platform korvane_sim_jni VERBATIM)

add_custom_target(maven_repository ALL
  DEPENDS ${java_base}.jar ${java_base}-sources.jar ${java_base}-javadoc.jar
          ${native_base}-${KORVANE_NATIVE_PLATFORM}.zip)

# The vendor-dependency file parses and names only artifacts the repository holds; a Java program
# compiled and run against the repository's jar and natives alone opens a simulated device.
add_test(NAME package.vendordep-artifacts
         COMMAND ${CMAKE_COMMAND} -DVENDORDEP=${KORVANE_VENDORDEP}
                 -DREPOSITORY=${KORVANE_MAVEN_REPOSITORY}
                 -DPLATFORM=${KORVANE_NATIVE_PLATFORM}
                 -P ${PROJECT_SOURCE_DIR}/tests/scripts/check_vendordep.cmake)
set_tests_properties(package.vendordep-artifacts PROPERTIES LABELS package)
add_test(NAME package.java-from-maven
         COMMAND ${PROJECT_SOURCE_DIR}/tests/scripts/check_java_from_maven.sh
                 ${Java_JAVAC_EXECUTABLE} ${Java_JAVA_EXECUTABLE} ${java_base}.jar
                 ${native_base}-${KORVANE_NATIVE_PLATFORM}.zip
                 ${PROJECT_SOURCE_DIR}/tests/packaging/MavenConsumer.java
                 ${CMAKE_BINARY_DIR}/package-test/java-from-maven ${PROJECT_VERSION})
set_tests_properties(package.java-from-maven PROPERTIES TIMEOUT 120 LABELS package)
