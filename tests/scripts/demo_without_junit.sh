#!/usr/bin/env bash
# The demo needs nothing that a fresh machine lacks: with JUnit's files hidden (an empty folder
# mounted over /usr/share/java in a mount namespace of this script's own), the build configures,
# says that the Java tests are skipped, and builds the demo.
# Usage: demo_without_junit.sh <source folder> <build folder>
# Exits 77 (skipped) where no mount namespace can be made.
set -euo pipefail
source_dir=$1
build_dir=$2

if [ "${KORVANE_JUNIT_HIDDEN:-}" != 1 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    exec unshare --mount --propagation private env KORVANE_JUNIT_HIDDEN=1 "$0" "$@"
  elif unshare --map-root-user --mount true 2>/dev/null; then
    exec unshare --map-root-user --mount --propagation private env KORVANE_JUNIT_HIDDEN=1 "$0" "$@"
  fi
  echo "No mount namespace can be made here, so JUnit cannot be hidden: skipped."
  exit 77
fi

empty=$(mktemp -d)
trap 'rmdir "$empty"' EXIT
mount --bind "$empty" /usr/share/java
if [ -e /usr/share/java/junit-platform-console-standalone.jar ]; then
  echo "JUnit is still visible"
  exit 1
fi

rm -f "$build_dir/CMakeCache.txt"
if ! output=$(cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE= \
  -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_BENCH=OFF 2>&1); then
  echo "$output"
  echo "Configuring failed without JUnit"
  exit 1
fi
if ! grep -q "JUnit 5 is missing" <<<"$output"; then
  echo "$output"
  echo "Configuring said nothing about the skipped Java tests"
  exit 1
fi
cmake --build "$build_dir" --target korvane_demo_jar -j2
test -f "$build_dir/jar/korvane-demo.jar"
echo "The demo configures and builds without JUnit"
