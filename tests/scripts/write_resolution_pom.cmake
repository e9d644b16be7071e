# Writes a Maven project that depends on everything the vendor-dependency file makes a robot
# project fetch, from one repository: each Java dependency's jar with its -sources and -javadoc
# jars, each JNI dependency's archive for every listed platform, by its classifier, and each C++
# dependency's headers and sources zips and its zip and debug zip for every binary platform. Versions
# are exact ranges ([v]), so Maven reads each artifact folder's maven-metadata.xml as well.
# Usage: cmake -DVENDORDEP=<json> -DURL=<repository URL> -DPOM=<pom.xml to write>
#              -P write_resolution_pom.cmake
cmake_minimum_required(VERSION 3.25)
file(READ "${VENDORDEP}" json)
set(dependencies "")
macro(add_dependency group artifact version type classifier)
  string(APPEND dependencies "    <dependency>\n      <groupId>${group}</groupId>\n"
         "      <artifactId>${artifact}</artifactId>\n      <version>[${version}]</version>\n"
         "      <type>${type}</type>\n")
  if(NOT "${classifier}" STREQUAL "")
    string(APPEND dependencies "      <classifier>${classifier}</classifier>\n")
  endif()
  string(APPEND dependencies "    </dependency>\n")
endmacro()

macro(coordinates kind index)
  string(JSON group GET "${json}" ${kind} ${index} groupId)
  string(JSON artifact GET "${json}" ${kind} ${index} artifactId)
  string(JSON version GET "${json}" ${kind} ${index} version)
endmacro()

string(JSON java_count LENGTH "${json}" javaDependencies)
string(JSON jni_count LENGTH "${json}" jniDependencies)
if(java_count EQUAL 0 OR jni_count EQUAL 0)
  message(FATAL_ERROR "${VENDORDEP} names no Java or no JNI dependency")
endif()
math(EXPR last "${java_count} - 1")
foreach(i RANGE ${last})
  coordinates(javaDependencies ${i})
  add_dependency(${group} ${artifact} ${version} jar "")
  add_dependency(${group} ${artifact} ${version} jar sources)
  add_dependency(${group} ${artifact} ${version} jar javadoc)
endforeach()
math(EXPR last "${jni_count} - 1")
foreach(i RANGE ${last})
  coordinates(jniDependencies ${i})
  string(JSON is_jar GET "${json}" jniDependencies ${i} isJar)
  set(type zip)
  if(is_jar)
    set(type jar)
  endif()
  string(JSON platform_count LENGTH "${json}" jniDependencies ${i} validPlatforms)
  math(EXPR last_platform "${platform_count} - 1")
  foreach(p RANGE ${last_platform})
    string(JSON platform GET "${json}" jniDependencies ${i} validPlatforms ${p})
    add_dependency(${group} ${artifact} ${version} ${type} ${platform})
  endforeach()
endforeach()

string(JSON cpp_count LENGTH "${json}" cppDependencies)
if(cpp_count GREATER 0)
  math(EXPR last "${cpp_count} - 1")
  foreach(i RANGE ${last})
    coordinates(cppDependencies ${i})
    foreach(field headerClassifier sourcesClassifier)
      string(JSON classifier GET "${json}" cppDependencies ${i} ${field})
      add_dependency(${group} ${artifact} ${version} zip ${classifier})
    endforeach()
    string(JSON platform_count LENGTH "${json}" cppDependencies ${i} binaryPlatforms)
    if(platform_count GREATER 0)
      math(EXPR last_platform "${platform_count} - 1")
      foreach(p RANGE ${last_platform})
        string(JSON platform GET "${json}" cppDependencies ${i} binaryPlatforms ${p})
        add_dependency(${group} ${artifact} ${version} zip ${platform})
        add_dependency(${group} ${artifact} ${version} zip ${platform}debug)
      endforeach()
    endif()
  endforeach()
endif()

file(WRITE "${POM}" "<?xml version=\"1.0\" encoding=\"UTF-8\"?>
<project xmlns=\"http://maven.apache.org/POM/4.0.0\">
  <modelVersion>4.0.0</modelVersion>
  <groupId>local.robot</groupId>
  <artifactId>robot-project</artifactId>
  <version>1</version>
  <packaging>pom</packaging>
  <repositories>
    <repository>
      <id>korvane</id>
      <url>${URL}</url>
    </repository>
  </repositories>
  <dependencies>
${dependencies}  </dependencies>
</project>
")
