#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, in the build's own Wine prefix (made on first use),
# quietly, and ends with the program's status.
# Usage: run_under_wine.sh <prefix folder> <program.exe> [arguments...]
set -euo pipefail
export WINEPREFIX=$1
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer dialogs in a fresh prefix
wine=${KORVANE_WINE:-/usr/lib/wine/wine64}
if [ ! -x "$wine" ]; then
  echo "run_under_wine.sh: no Wine at $wine (Debian's wine64)" >&2
  exit 1
fi
mkdir -p "$WINEPREFIX"
exec "$wine" "$@"
