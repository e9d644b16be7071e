# Copies the native zips of this version from other builds' Maven-layout repositories (any number)
# into this one, then writes the vendor-dependency file for the season FRC_YEAR, listing every
# platform whose zip this repository holds.
# skipInvalidPlatforms stays true: GradleRIO stops configuring a robot project outright when a
# platform it builds for is missing from validPlatforms and skipping is off, and it builds for the
# team's desktop too (Windows, macOS), for which there is no zip. A repository without the robot's
# zip is caught by the package tests instead (KORVANE_EXPECT_PLATFORMS).
# Usage: cmake -DREPOSITORY= -DSOURCES=<list> -DGROUP= -DJAVA_ARTIFACT= -DNATIVE_ARTIFACT=
#              -DVERSION= -DFRC_YEAR= -DUUID= -DTEMPLATE=<json.in> -DVENDORDEP=<json>
#              -P MergeNatives.cmake
string(REPLACE "." "/" group_path "${GROUP}")
set(relative "${group_path}/${NATIVE_ARTIFACT}/${VERSION}")
set(prefix "${NATIVE_ARTIFACT}-${VERSION}-")

foreach(source ${SOURCES})
  file(GLOB zips "${source}/${relative}/${prefix}*.zip")
  foreach(zip ${zips})
    file(COPY "${zip}" DESTINATION "${REPOSITORY}/${relative}")
  endforeach()
endforeach()

file(GLOB held RELATIVE "${REPOSITORY}/${relative}" "${REPOSITORY}/${relative}/${prefix}*.zip")
list(SORT held)
set(platforms "")
foreach(zip ${held})
  string(REGEX REPLACE "^${prefix}(.*)\\.zip$" "\\1" platform "${zip}")
  list(APPEND platforms "        \"${platform}\"")
endforeach()
if(NOT platforms)
  message(WARNING "${REPOSITORY}/${relative} holds no native zip: build the presets that make the "
                  "${FRC_YEAR} season's zips first (KORVANE_MAVEN_MERGE). The vendor-dependency "
                  "file lists no platform.")
endif()
list(JOIN platforms ",\n" KORVANE_VALID_PLATFORMS)
get_filename_component(VENDORDEP_NAME "${VENDORDEP}" NAME)
configure_file("${TEMPLATE}" "${VENDORDEP}" @ONLY)
