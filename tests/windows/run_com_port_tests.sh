#!/usr/bin/env bash
# Runs the Windows COM-port test program under Wine against the project's emulators: each Linux
# emulator serves a pseudo-terminal, which the Wine prefix maps to a COM port (a dosdevices link),
# and the program finds each port in KORVANE_COM_<DEVICE>.
# Usage: run_com_port_tests.sh <prefix folder> <folder of the Linux emulator programs> <program.exe>
set -euo pipefail
prefix=$1
emulators=$2
program=$3
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=${KORVANE_WINE:-/usr/lib/wine/wine64}

for tool in kromel_usb_emulator dystan_usb_emulator lidarmini_emulator lidar_room_emulator; do
  if [ ! -x "$emulators/$tool" ]; then
    echo "run_com_port_tests.sh: no $tool in $emulators: build the default preset first" >&2
    exit 1
  fi
done
if [ ! -d "$WINEPREFIX/dosdevices" ]; then
  echo "run_com_port_tests.sh: $WINEPREFIX is no Wine prefix (the windows.wine-prefix test makes it)" >&2
  exit 1
fi

work=$(mktemp -d)
pids=()
links=()
cleanup() {
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  for link in "${links[@]}"; do rm -f "$link"; done
  rm -rf "$work"
}
trap cleanup EXIT

# Starts an emulator, waits for the path it prints and maps the COM port to it.
serve() {
  local variable=$1 port=$2 tool=$3
  shift 3
  # Files of this port's own: two emulators of one kind must not write into one file.
  local out="$work/$tool-$port.out" err="$work/$tool-$port.err"
  "$emulators/$tool" "$@" >"$out" 2>"$err" &
  pids+=($!)
  for _ in $(seq 100); do
    [ -s "$out" ] && break
    sleep 0.1
  done
  local path
  path=$(head -n1 "$out")
  if [ -z "$path" ]; then
    echo "run_com_port_tests.sh: $tool printed no terminal:" >&2
    cat "$err" >&2
    exit 1
  fi
  local link="$WINEPREFIX/dosdevices/${port,,}"
  ln -sfn "$path" "$link"
  links+=("$link")
  export "$variable=$port"
  echo "$tool on $path as $port"
}

serve KORVANE_COM_KROMEL COM11 kromel_usb_emulator 20
serve KORVANE_COM_DYSTAN COM12 dystan_usb_emulator 10
serve KORVANE_COM_LIDARMINI COM13 lidarmini_emulator
serve KORVANE_COM_LIDAR COM14 lidar_room_emulator
# A mini LiDAR that is never started: quiet until asked, for the serial layer's own calls.
serve KORVANE_COM_QUIET COM16 lidarmini_emulator
# One more colour sensor, unplugged when the test asks: it creates the file named in
# KORVANE_HANGUP_REQUEST (a Linux path; the test reaches it through Wine's Z: drive).
serve KORVANE_COM_HANGUP COM15 kromel_usb_emulator 20
hangup_pid=${pids[-1]}
export KORVANE_HANGUP_REQUEST="$work/hang-up"
(
  while [ ! -e "$KORVANE_HANGUP_REQUEST" ]; do sleep 0.1; done
  kill -TERM "$hangup_pid" 2>/dev/null || true
) &
pids+=($!)

status=0
"$wine" "$program" || status=$?
exit $status
