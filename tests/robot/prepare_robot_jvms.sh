#!/usr/bin/env bash
# Unpacks Debian's OpenJDK 17 for the two robot controllers' ABIs into the cache folder
# $KORVANE_WPILIB_CACHE, so that each robot library is loaded by a JVM of its own architecture
# under qemu-user:
#   jre-arm64/          openjdk-17-jre-headless:arm64 (Systemcore's architecture), run with
#                       qemu-aarch64 -L / against the multiarch arm64 C library installed beside
#                       the system's (libc6:arm64, libstdc++6:arm64, zlib1g:arm64, libatomic1:arm64)
#   armel-jvm-sysroot/  openjdk-17-jre-headless:armel with its C and C++ libraries (libc6,
#                       libstdc++6, zlib1g, libgcc-s1, libatomic1 for armel), run with
#                       qemu-arm -cpu cortex-a9 -L <that folder>: a private root, because multiarch
#                       armel libraries installed beside the cross toolchain's make its own test
#                       programs load a C library of another patch level.
# Nothing is installed for armel: the architecture is added only to download, and removed again
# afterwards when nothing of it is installed. A folder that holds the same package versions is
# reused as it is.
# Usage: KORVANE_WPILIB_CACHE=<folder> tests/robot/prepare_robot_jvms.sh
set -euo pipefail
cache=${KORVANE_WPILIB_CACHE:?set KORVANE_WPILIB_CACHE to a folder outside the clone}
started=$SECONDS

candidate() {  # the version apt would fetch for package:arch, empty when it knows none
  apt-cache policy "$1" 2>/dev/null | sed -n 's/^  Candidate: //p' | grep -v '(none)' || true
}

# Downloads packages (name:arch ...) and unpacks them into folder, unless its stamp names the same
# versions. The stamp is written last, so an interrupted unpack is redone.
unpack() {
  local folder=$1 stamp=$2
  shift 2
  if [ -f "$folder/.korvane-stamp" ] && [ "$(cat "$folder/.korvane-stamp")" = "$stamp" ]; then
    echo "prepare_robot_jvms.sh: $folder already holds $*"
    return
  fi
  local work
  work=$(mktemp -d)
  chown _apt "$work" 2>/dev/null || chmod 777 "$work"  # apt downloads as its own user
  (cd "$work" && apt-get download "$@" >/dev/null)
  rm -rf "$folder"
  mkdir -p "$folder"
  for deb in "$work"/*.deb; do dpkg-deb -x "$deb" "$folder"; done
  rm -rf "$work"
  echo "$stamp" >"$folder/.korvane-stamp"
  echo "prepare_robot_jvms.sh: unpacked $* into $folder"
}

# 64-bit ARM: the JRE alone (its libraries come from the multiarch arm64 packages).
arm64_jre=openjdk-17-jre-headless:arm64
version=$(candidate "$arm64_jre")
[ -n "$version" ] || { echo "apt knows no $arm64_jre: dpkg --add-architecture arm64 && apt-get update" >&2; exit 1; }
unpack "$cache/jre-arm64" "$arm64_jre=$version" "$arm64_jre"

# 32-bit soft-float ARM: the JRE and the libraries it and the robot's libraries load, in a root of
# their own.
armel_packages=(openjdk-17-jre-headless:armel libc6:armel libstdc++6:armel zlib1g:armel
                libgcc-s1:armel libatomic1:armel)
sysroot=$cache/armel-jvm-sysroot
added_armel=false
if [ -z "$(candidate libc6:armel)" ]; then
  if [ -f "$sysroot/.korvane-stamp" ]; then
    echo "prepare_robot_jvms.sh: $sysroot is kept (armel is not an architecture of this system)"
    armel_packages=()
  elif [ "$(id -u)" -ne 0 ]; then
    echo "prepare_robot_jvms.sh: $sysroot is missing; run as root to download the armel JVM" >&2
    exit 1
  else
    dpkg --add-architecture armel
    added_armel=true
    apt-get update -qq
  fi
fi
if [ ${#armel_packages[@]} -gt 0 ]; then
  stamp=""
  for package in "${armel_packages[@]}"; do stamp+="$package=$(candidate "$package") "; done
  unpack "$sysroot" "$stamp" "${armel_packages[@]}"
fi
if $added_armel && ! dpkg -l | awk '$1 == "ii" && $2 ~ /:armel$/ { found = 1 } END { exit !found }'; then
  dpkg --remove-architecture armel
  apt-get update -qq
fi

for java in "$cache/jre-arm64/usr/lib/jvm/java-17-openjdk-arm64/bin/java" \
            "$sysroot/usr/lib/jvm/java-17-openjdk-armel/bin/java"; do
  [ -x "$java" ] || { echo "prepare_robot_jvms.sh: $java is missing" >&2; exit 1; }
done
echo "prepare_robot_jvms.sh: the robot JVMs are ready after $((SECONDS - started)) s"
