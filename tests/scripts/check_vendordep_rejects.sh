#!/usr/bin/env bash
# check_vendordep.cmake refuses what WPILib's tools or a robot would: each case spoils a copy of
# the vendor-dependency file or of the repository in one way and expects the check to fail,
# naming the fault. The unspoilt copy passes first, so each failure is the spoiling's.
# Usage: check_vendordep_rejects.sh <vendor-dependency json> <repository> <platform> <season>
#        <check_vendordep.cmake> <work folder>
set -euo pipefail
vendordep=$1 repository=$2 platform=$3 season=$4 checker=$5 work=$6
rm -rf "$work"
mkdir -p "$work"
unset KORVANE_EXPECT_PLATFORMS KORVANE_EXPECT_PLATFORMS_2027
version=$(sed -n 's/^  "version": "\([^"]*\)".*/\1/p' "$vendordep")
failures=0

# case <name> <expected message> <command spoiling $json or $repo...>
case_() {
  local name=$1 expected=$2
  shift 2
  local folder="$work/$name"
  mkdir -p "$folder"
  json="$folder/$(basename "$vendordep")" repo="$folder/repository"
  cp "$vendordep" "$json"
  cp -r "$repository" "$repo"
  platform_zip=$(find "$repo" -path "*/KorvaneDriver-driver/*" -name "*-$version-$platform.zip")
  cpp_zip=$(find "$repo" -path "*/KorvaneDriver-cpp/*" -name "*-$version-$platform.zip")
  "$@"
  if cmake -DVENDORDEP="$json" -DREPOSITORY="$repo" -DPLATFORM="$platform" -DFRC_YEAR="$season" \
       -P "$checker" > "$folder.log" 2>&1; then
    if [ "$name" != unspoilt ]; then
      echo "$name: accepted"
      failures=$((failures + 1))
    fi
  elif [ "$name" = unspoilt ]; then
    cat "$folder.log"
    echo "the unspoilt copy fails the check"
    exit 1
  elif ! tr -s ' \n' ' ' < "$folder.log" | grep -qF "$expected"; then
    cat "$folder.log"
    echo "$name: refused, but not for: $expected"
    failures=$((failures + 1))
  fi
  rm -rf "$folder"
}
# The spoilers, run inside case_ once the copies are made.
edit() { sed -i "$1" "$json"; }
remove_zip() { rm "$platform_zip"; }
remove_javadoc() { rm "$(find "$repo" -name "*-$version-javadoc.jar")"; }
unlisted_zip() { cp "$platform_zip" "${platform_zip%-"$platform".zip}-windowsarm64.zip"; }
library_elsewhere() { # the zip holds its library under another platform's folder
  local stage="$work/stage"
  rm -rf "$stage" "$platform_zip"
  mkdir -p "$stage/linux/nowhere/shared"
  echo not-a-library > "$stage/linux/nowhere/shared/libKorvaneDriver.so"
  (cd "$stage" && cmake -E tar cf "$platform_zip" --format=zip linux)
}
remove_cpp_debug_zip() { rm "${cpp_zip%.zip}debug.zip"; }
stray_header() { # a header beside korvane/ in the headers zip
  local stage="$work/stage" headers
  headers=$(find "$repo" -name "*-$version-headers.zip")
  rm -rf "$stage" && mkdir -p "$stage"
  (cd "$stage" && cmake -E tar xf "$headers" && echo '#pragma once' > TorqaJNI.h &&
     rm "$headers" && cmake -E tar cf "$headers" --format=zip korvane TorqaJNI.h)
}
cpp_windows() { # the C++ library listed for Windows, with a zip to match
  cp "$cpp_zip" "${cpp_zip%-"$platform".zip}-windowsx86-64.zip"
  cp "$cpp_zip" "${cpp_zip%-"$platform".zip}-windowsx86-64debug.zip"
  sed -i '/"binaryPlatforms": \[/a\        "windowsx86-64",' "$json"
}
expect_windowsarm64() { export KORVANE_EXPECT_PLATFORMS=windowsarm64; }

case_ unspoilt "" true
case_ last-season "frcYear is 2025, this build is for the $season season" \
  edit 's/"frcYear": "[^"]*"/"frcYear": "2025"/'
case_ no-uuid "missing uuid" edit '/"uuid":/d'
case_ bad-uuid "is not a UUID" edit 's/"uuid": "[^"]*"/"uuid": "korvane"/'
case_ file-name "fileName says Korvane.json" edit 's/"fileName": "[^"]*"/"fileName": "Korvane.json"/'
case_ is-jar-text "isJar is STRING, expected BOOLEAN" edit 's/"isJar": false/"isJar": "false"/'
case_ unknown-platform "lists linuxraspbian, which is no WPILib platform" \
  edit "s/\"$platform\"/\"$platform\", \"linuxraspbian\"/"
case_ platform-twice "lists $platform twice" edit "s/\"$platform\"/\"$platform\", \"$platform\"/"
case_ zip-missing "missing from" remove_zip
case_ javadoc-missing "missing from" remove_javadoc
case_ zip-unlisted "does not list windowsarm64, whose zip the repository holds" unlisted_zip
case_ library-elsewhere "holds no shared library under linux/" library_elsewhere
case_ expected-platform "does not list the platform windowsarm64" expect_windowsarm64
unset KORVANE_EXPECT_PLATFORMS
case_ cpp-debug-zip-missing "missing from" remove_cpp_debug_zip
case_ cpp-stray-header "holds TorqaJNI.h, which is not a header of korvane/" stray_header
case_ cpp-windows "lists windowsx86-64: the MinGW-built DLL cannot serve an MSVC-built program" \
  cpp_windows
case_ cpp-not-shared "is not a shared library" edit 's/"sharedLibrary": true/"sharedLibrary": false/'

[ "$failures" -eq 0 ] || exit 1
echo "the check refused each of 16 spoilt copies for its fault"
