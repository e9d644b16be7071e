#!/usr/bin/env bash
# The committed C declarations of the Java natives (used by builds without Java, such as the
# robot's) must equal those javac generated from the current Java sources.
# Usage: check_native_headers.sh <generated folder> <committed folder>
set -euo pipefail
generated=$1
committed=$2
ls "$generated"/*.h >/dev/null || { echo "no generated headers in $generated"; exit 1; }
if ! diff -r -u "$committed" "$generated"; then
  echo "java/native-headers is out of date: refresh it with" \
       "'cmake --build <build folder> --target update_native_headers' and commit it."
  exit 1
fi
echo "$(ls "$committed" | wc -l) committed native headers match the Java declarations"
