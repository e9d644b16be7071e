#!/usr/bin/env bash
# The desktop simulation's zip, as a robot project unpacks it beside WPILib's own libraries: one HAL
# in the process, WPILib's. No library in it defines a HAL_ or HALSIM_ function; it holds the
# driver, the platform library and the simulators' bindings; each needs nothing but these, WPILib's
# three libraries and the C and C++ runtimes; each finds the others beside itself.
# Usage: check_desktop_zip.sh <zip> <work folder>
set -euo pipefail
zip=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && cmake -E tar xf "$zip")
natives="$work/linux/x86-64/shared"
status=0
for expected in libKorvaneDriver.so libKorvanePlatform.so libKorvaneSim.so; do
  if [ ! -f "$natives/$expected" ]; then
    echo "the zip lacks linux/x86-64/shared/$expected"
    status=1
  fi
done
held=$(cd "$natives" && ls)
for library in "$natives"/*.so; do
  name=$(basename "$library")
  hal=$(nm -D --defined-only "$library" | awk '{print $NF}' | grep -E '^(HAL_|HALSIM_)' || true)
  if [ -n "$hal" ]; then
    echo "$name defines HAL functions of its own ($(echo "$hal" | wc -l)), e.g.:"
    echo "$hal" | head -5
    status=1
  fi
  while read -r needed; do
    case "$needed" in
      libwpiHal.so | libwpiutil.so | libwpinet.so) ;;
      libc.so.* | libm.so.* | libstdc++.so.* | libgcc_s.so.* | ld-linux*) ;;
      *)
        if ! grep -qx "$needed" <<<"$held"; then
          echo "$name needs $needed, which is neither in the zip nor WPILib's nor the runtime's"
          status=1
        fi
        ;;
    esac
  done < <(readelf -d "$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  if readelf -d "$library" | grep -E 'R(UN)?PATH' | grep -v -q '\[\$ORIGIN\]'; then
    echo "$name looks for libraries outside its own folder"
    status=1
  fi
  echo "$name: NEEDED $(readelf -d "$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')"
done
if readelf -d "$natives/libKorvaneDriver.so" | grep -q 'NEEDED.*libwpiHal.so'; then
  echo "libKorvaneDriver.so takes its HAL from WPILib's libwpiHal.so"
else
  echo "libKorvaneDriver.so does not link WPILib's HAL"
  status=1
fi
exit $status
