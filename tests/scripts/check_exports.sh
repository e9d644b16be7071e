#!/usr/bin/env bash
# libKorvaneDriver.so must define nothing but the Java natives (Java_com_korvane_frc_jni_*) and
# the C++ API's classes (korvane::Torqa and the other classes of include/korvane), every symbol
# with the symbol version KorvaneDriver, have the soname libKorvaneDriver.so, and take the HAL
# from the platform library (undefined here): the stand-in's, or WPILib's HAL. Given the drivers'
# static archive, every function of the API's classes defined there must be exported, so that a
# C++ program links against all of the API.
# Usage: check_exports.sh <library> [platform library name, libKorvanePlatform.so unless given]
#                         [the drivers' static archive]
set -euo pipefail
shopt -s extglob
lib="$1"
platform="${2:-libKorvanePlatform.so}"
archive="${3:-}"
api_classes='DeviceHandle|Dystan|Kromel|Lidar|LidarMini|Linvo|MockDS|Torqa'
api_pattern="^korvane::($api_classes)::"
syms=$(readelf --dyn-syms -W "$lib")
# Local symbols (the section symbols an ARM link leaves in .dynsym) are not exports.
defined=$(awk '$7 != "UND" && $5 != "LOCAL" && $8 != "" && NR > 3 {print $4, $8}' <<<"$syms")
status=0
natives=0
api=0
instantiations=0
while read -r type name; do
  [ -z "$name" ] && continue
  # The version definition itself appears as an absolute OBJECT named after the version.
  [ "$type" = OBJECT ] && [ "$name" = KorvaneDriver ] && continue
  if [[ "$type" == FUNC && "$name" =~ ^Java_com_korvane_frc_jni_[A-Za-z0-9_]+@@KorvaneDriver$ ]]; then
    natives=$((natives + 1))
  elif [[ ("$type" == FUNC || "$type" == OBJECT) && "$name" == _ZN?(K)7korvane*@@KorvaneDriver &&
          "$(c++filt "${name%@@KorvaneDriver}")" =~ $api_pattern ]]; then
    api=$((api + 1))
  elif [[ "$type" == FUNC && "$name" == _Z?(N)?(K)St*@@KorvaneDriver &&
          "$(c++filt "${name%@@KorvaneDriver}")" =~ $api_pattern ]]; then
    # A standard-library template instantiated over an API type and not inlined (unoptimised
    # builds): the version script's C++ patterns match its demangled name through its return
    # type. Weak, and the same code a team's program would instantiate; counted, not failed.
    instantiations=$((instantiations + 1))
  else
    echo "unexpected export: $type $name ($(c++filt "${name%%@*}"))"
    status=1
  fi
done <<<"$defined"
[ "$natives" -gt 0 ] || { echo "no Java natives exported"; status=1; }
grep -q 'UND HAL_CAN_SendMessage$' <<<"$syms" || { echo "HAL_CAN_SendMessage is not undefined"; status=1; }
readelf -d "$lib" | grep -q 'Library soname: \[libKorvaneDriver.so\]' || { echo "wrong soname"; status=1; }
readelf -d "$lib" | grep -q "NEEDED.*\\[$platform\\]" || { echo "$platform not linked"; status=1; }
if readelf --dyn-syms -W "$lib" | grep -E -q ' (JNI_OnLoad|JNI_OnUnload)'; then echo "JNI_OnLoad exported"; status=1; fi

if [ -n "$archive" ]; then
  # The API's functions the archive defines (T: in its text; W: inline ones some object emitted,
  # which a program compiles itself and need not be exported), against the library's exports.
  in_archive=$(nm -g --defined-only "$archive" 2>/dev/null | awk '$2 == "T" {print $3}' |
               grep -E "^_ZNK?7korvane" | sort -u | c++filt | grep -E "$api_pattern" | sort -u || true)
  exported=$(awk '{print $2}' <<<"$defined" | sed 's/@.*//' | grep -E "^_ZNK?7korvane" | c++filt | sort -u)
  [ -n "$in_archive" ] || { echo "$archive defines no function of the C++ API"; status=1; }
  missing=$(comm -23 <(echo "$in_archive") <(echo "$exported"))
  if [ -n "$missing" ]; then
    echo "C++ API functions in $(basename "$archive") but not exported:"
    sed 's/^/  /' <<<"$missing"
    status=1
  fi
  for class in ${api_classes//|/ }; do
    grep -q "^korvane::$class::" <<<"$exported" || { echo "korvane::$class exports nothing"; status=1; }
  done
fi
[ $status -eq 0 ] && echo "$natives Java natives and $api C++ API functions exported, all @@KorvaneDriver"
exit $status
