#!/usr/bin/env bash
# Unpacks the 32-bit ARM native zip the way a robot project does and checks that it holds the
# driver library, the platform stand-in and the simulators' bindings under linux/arm32/shared,
# each a 32-bit ARM hard-float shared object whose soname is its file name.
# Usage: check_arm_native_zip.sh <zip> <scratch folder>
set -euo pipefail
zip=$1
scratch=$2
here=$(dirname "$0")
rm -rf "$scratch" && mkdir -p "$scratch"
(cd "$scratch" && cmake -E tar xf "$zip")
shared=$scratch/linux/arm32/shared
for library in libKorvaneDriver.so libKorvanePlatform.so libKorvaneSim.so; do
  [ -f "$shared/$library" ] || { echo "$zip: no linux/arm32/shared/$library"; exit 1; }
  echo "$library:"
  "$here/check_arm_elf.sh" "$shared/$library"
  readelf -d "$shared/$library" | grep -q "Library soname: \[$library\]" ||
    { echo "$library: soname is not $library"; exit 1; }
done
extra=$(cd "$scratch" && find . -type f | grep -v '^./linux/arm32/shared/' || true)
[ -z "$extra" ] || { echo "$zip: unexpected files: $extra"; exit 1; }
echo "$zip: the three libraries, all 32-bit ARM"
