#!/usr/bin/env bash
# Compiles and runs tests/packaging/MavenConsumer.java against the Maven repository's jar and the
# natives unpacked from its native zip, and nothing from the build tree.
# The desktop zip is built against WPILib's simulation HAL: a robot project's simulation unpacks
# WPILib's own libraries beside it, which <WPILib library folder> stands for.
# Usage: check_java_from_maven.sh <javac> <java> <jar> <native zip> <MavenConsumer.java>
#        <work folder> <version> [WPILib library folder]
set -euo pipefail
javac=$1 java=$2 jar=$3 zip=$4 program=$5 work=$6 version=$7 wpilib=${8:-}
rm -rf "$work"
mkdir -p "$work/natives" "$work/classes"
if [ ! -f "$zip" ]; then
  echo "no desktop zip at $zip: build the wpilib (or wpilib2027) preset first (its repository" \
       "joins this one)"
  exit 1
fi
(cd "$work/natives" && cmake -E tar xf "$zip")
natives="$work/natives/linux/x86-64/shared"
ls "$natives"/libKorvaneDriver.so >/dev/null
# Each library finds the others beside itself, never in the build tree.
for library in "$natives"/*.so; do
  if readelf -d "$library" | grep -E 'R(UN)?PATH' | grep -v -q '\[\$ORIGIN\]'; then
    echo "$library looks for libraries outside its own folder:"
    readelf -d "$library" | grep -E 'R(UN)?PATH'
    exit 1
  fi
done
if readelf -d "$natives"/libKorvaneDriver.so | grep -q 'libwpiHal.so'; then
  if [ ! -f "$wpilib/libwpiHal.so" ]; then
    echo "the desktop zip needs WPILib's libraries; no libwpiHal.so in '$wpilib'"
    exit 1
  fi
  cp "$wpilib"/lib*.so "$natives"/
fi
"$javac" -d "$work/classes" -cp "$jar" "$program"
exec "$java" -Xcheck:jni -Djava.library.path="$natives" -cp "$jar:$work/classes" MavenConsumer \
  "$version"
