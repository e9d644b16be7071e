# Copies the native zips of this version from other builds' Maven-layout repositories into this
# one, then writes the vendor-dependency file listing every platform whose zip this repository
# holds. Usage: cmake -DREPOSITORY= -DSOURCES=<list> -DGROUP= -DJAVA_ARTIFACT= -DNATIVE_ARTIFACT=
#               -DVERSION= -DTEMPLATE=<json.in> -DVENDORDEP=<json> -P MergeNatives.cmake
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
  message(FATAL_ERROR "${REPOSITORY}/${relative} holds no native zip")
endif()
list(JOIN platforms ",\n" KORVANE_VALID_PLATFORMS)
configure_file("${TEMPLATE}" "${VENDORDEP}" @ONLY)
