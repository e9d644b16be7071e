#!/usr/bin/env bash
# libKorvaneDriver.so must define nothing but Java_com_korvane_frc_jni_* functions, every one
# with the symbol version KorvaneDriver, have the soname libKorvaneDriver.so, and take the HAL
# from the platform library (undefined here): the stand-in's, or WPILib's HAL.
# Usage: check_exports.sh <library> [platform library name, libKorvanePlatform.so unless given]
set -euo pipefail
lib="$1"
platform="${2:-libKorvanePlatform.so}"
syms=$(readelf --dyn-syms -W "$lib")
# Local symbols (the section symbols an ARM link leaves in .dynsym) are not exports.
defined=$(awk '$7 != "UND" && $5 != "LOCAL" && $8 != "" && NR > 3 {print $4, $8}' <<<"$syms")
status=0
while read -r type name; do
  [ -z "$name" ] && continue
  # The version definition itself appears as an absolute OBJECT named after the version.
  [ "$type" = OBJECT ] && [ "$name" = KorvaneDriver ] && continue
  if [[ "$type" != FUNC || ! "$name" =~ ^Java_com_korvane_frc_jni_[A-Za-z0-9_]+@@KorvaneDriver$ ]]; then
    echo "unexpected export: $type $name"
    status=1
  fi
done <<<"$defined"
count=$(grep -c '@@KorvaneDriver' <<<"$syms" || true)
[ "$count" -gt 0 ] || { echo "no exports"; status=1; }
grep -q 'UND HAL_CAN_SendMessage$' <<<"$syms" || { echo "HAL_CAN_SendMessage is not undefined"; status=1; }
readelf -d "$lib" | grep -q 'Library soname: \[libKorvaneDriver.so\]' || { echo "wrong soname"; status=1; }
readelf -d "$lib" | grep -q "NEEDED.*\\[$platform\\]" || { echo "$platform not linked"; status=1; }
if readelf --dyn-syms -W "$lib" | grep -E -q ' (JNI_OnLoad|JNI_OnUnload)'; then echo "JNI_OnLoad exported"; status=1; fi
[ $status -eq 0 ] && echo "$count exports, all Java_com_korvane_frc_jni_*@@KorvaneDriver"
exit $status
