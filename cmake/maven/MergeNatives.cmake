# Copies the native zips of this version from other builds' Maven-layout repositories (any number)
# into this one, then writes the vendor-dependency file for the season FRC_YEAR, listing every
# platform whose zip this repository holds.
# skipInvalidPlatforms stays true: GradleRIO stops configuring a robot project outright when a
# platform it builds for is missing from validPlatforms and skipping is off, and it builds for the
# team's desktop too (Windows, macOS), for which there is no zip. A repository without the robot's
# zip is caught by the package tests instead (KORVANE_EXPECT_PLATFORMS).
# The C++ library's platform zips (CPP_ARTIFACT) are merged and listed (binaryPlatforms) the same
# way.
# Usage: cmake -DREPOSITORY= -DSOURCES=<list> -DGROUP= -DJAVA_ARTIFACT= -DNATIVE_ARTIFACT=
#              -DCPP_ARTIFACT= -DVERSION= -DFRC_YEAR= -DUUID= -DTEMPLATE=<json.in>
#              -DVENDORDEP=<json> -P MergeNatives.cmake
string(REPLACE "." "/" group_path "${GROUP}")

# merge_platform_zips(<artifact> <variable>): copies the artifact's platform zips of this version
# from SOURCES (with their debug twins; not its headers and sources, which this build makes) and
# sets <variable> to the JSON lines naming every platform this repository holds.
function(merge_platform_zips artifact variable)
  set(relative "${group_path}/${artifact}/${VERSION}")
  set(prefix "${artifact}-${VERSION}-")
  foreach(source ${SOURCES})
    file(GLOB zips "${source}/${relative}/${prefix}*.zip")
    foreach(zip ${zips})
      if(NOT zip MATCHES "-(headers|sources)\\.zip$")
        file(COPY "${zip}" DESTINATION "${REPOSITORY}/${relative}")
      endif()
    endforeach()
  endforeach()
  file(GLOB held RELATIVE "${REPOSITORY}/${relative}" "${REPOSITORY}/${relative}/${prefix}*.zip")
  list(SORT held)
  set(platforms "")
  foreach(zip ${held})
    string(REGEX REPLACE "^${prefix}(.*)\\.zip$" "\\1" platform "${zip}")
    if(NOT platform MATCHES "^(headers|sources)$|debug$")
      list(APPEND platforms "        \"${platform}\"")
    endif()
  endforeach()
  set(${variable} "${platforms}" PARENT_SCOPE)
endfunction()

merge_platform_zips(${NATIVE_ARTIFACT} platforms)
merge_platform_zips(${CPP_ARTIFACT} cpp_platforms)
set(relative "${group_path}/${NATIVE_ARTIFACT}/${VERSION}")
if(NOT platforms)
  message(WARNING "${REPOSITORY}/${relative} holds no native zip: build the presets that make the "
                  "${FRC_YEAR} season's zips first (KORVANE_MAVEN_MERGE). The vendor-dependency "
                  "file lists no platform.")
endif()
list(JOIN platforms ",\n" KORVANE_VALID_PLATFORMS)
list(JOIN cpp_platforms ",\n" KORVANE_CPP_PLATFORMS)
get_filename_component(VENDORDEP_NAME "${VENDORDEP}" NAME)
configure_file("${TEMPLATE}" "${VENDORDEP}" @ONLY)
