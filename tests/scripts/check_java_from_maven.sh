#!/usr/bin/env bash
# Compiles and runs tests/packaging/MavenConsumer.java against the Maven repository's jar and the
# natives unpacked from its native zip, and nothing from the build tree.
# Usage: check_java_from_maven.sh <javac> <java> <jar> <native zip> <MavenConsumer.java>
#        <work folder> <version>
set -euo pipefail
javac=$1 java=$2 jar=$3 zip=$4 program=$5 work=$6 version=$7
rm -rf "$work"
mkdir -p "$work/natives" "$work/classes"
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
"$javac" -d "$work/classes" -cp "$jar" "$program"
exec "$java" -Xcheck:jni -Djava.library.path="$natives" -cp "$jar:$work/classes" MavenConsumer \
  "$version"
