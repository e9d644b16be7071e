#!/usr/bin/env bash
# Starts the virtual robot, waits for the four devices' paths and the robot program settings,
# checks each path is a terminal (the mini LiDAR's link leading to its terminal), stops it with
# SIGINT as Ctrl-C does, and checks it ended at once, with status 0, removing its link folder.
# With a JVM, the jar, the native libraries' folder and VirtualRobotClient.java, also runs that
# program with the printed settings in its environment: the LiDAR's HAL port and the mini LiDAR
# must reach the emulated devices.
# Usage: check_virtual_robot.sh <korvane_virtual_robot> <work folder>
#        [<java> <jar> <library folder> <VirtualRobotClient.java>]
set -euo pipefail
program=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
out="$work/stdout"

"$program" >"$out" 2>"$work/stderr" &
pid=$!
trap 'kill -KILL $pid 2>/dev/null || true' EXIT

# Waits up to 30 s for the pattern in the output, or fails saying what was missing.
wait_for() {
  for _ in $(seq 300); do
    grep -q -E "$1" "$out" && return 0
    kill -0 $pid 2>/dev/null || { echo "the virtual robot ended early"; cat "$out" "$work/stderr"; exit 1; }
    sleep 0.1
  done
  echo "no line matching '$1' within 30 s:"; cat "$out" "$work/stderr"; exit 1
}
wait_for '^Serving the four devices'
cat "$out"

path_of() { sed -n -E "s|^$1: (/dev/pts/[0-9]+).*|\1|p" "$out"; }
for device in 'colour sensor \(Kromel, USB\)' 'distance sensor \(Dystan, USB\)' 'LiDAR \(room\)' \
              'mini LiDAR \(T-mini Plus\)'; do
  path=$(path_of "$device")
  [ -n "$path" ] || { echo "no path for $device"; exit 1; }
  [ -c "$path" ] || { echo "$device: $path is not a terminal"; exit 1; }
done
lidar=$(path_of 'LiDAR \(room\)')
grep -q "export KORVANE_SIM_SERIAL_PORT_2=$lidar " "$out" || { echo "no port setting for the LiDAR"; exit 1; }
folder=$(sed -n -E 's|.*export KORVANE_SIM_SERIAL_DEVICE_DIR=([^ ]+).*|\1|p' "$out")
[ -n "$folder" ] || { echo "no device folder setting for the mini LiDAR"; exit 1; }
[ "$(readlink "$folder/ttyUSB0")" = "$(path_of 'mini LiDAR \(T-mini Plus\)')" ] ||
  { echo "$folder/ttyUSB0 does not lead to the mini LiDAR"; exit 1; }

if [ $# -ge 6 ]; then
  KORVANE_SIM_SERIAL_PORT_2=$lidar KORVANE_SIM_SERIAL_DEVICE_DIR=$folder \
    "$3" -Djava.library.path="$5" -cp "$4" "$6" 2 "$lidar"
fi

kill -INT $pid
for _ in $(seq 300); do
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
if kill -0 $pid 2>/dev/null; then echo "still running 30 s after SIGINT"; exit 1; fi
status=0
wait $pid || status=$?
trap - EXIT
[ $status -eq 0 ] || { echo "ended with status $status"; cat "$work/stderr"; exit 1; }
grep -q '^Virtual robot stopped' "$out" || { echo "no stop line"; exit 1; }
[ ! -e "$folder" ] || { echo "$folder left behind"; exit 1; }
echo "virtual robot served four devices and stopped on SIGINT"
