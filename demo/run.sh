#!/usr/bin/env bash
# Builds everything and runs the demo robot program on the simulated platform.
# Usage: demo/run.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default
exec java -Djava.library.path=build/default/lib \
  -cp build/default/jar/korvane.jar:build/default/jar/korvane-demo.jar \
  com.korvane.frc.demo.Demo "$@"
