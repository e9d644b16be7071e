#!/usr/bin/env bash
# A robot controller's native zip, unpacked as a robot project does: <platform folder>/shared holds
# libKorvaneDriver.so alone, a shared object of the controller's architecture with its own soname
# that needs nothing from the controller but its C library and WPILib's libraries (the C++ runtime
# is linked in), and asks for no C library newer than the given version. Prints its size, its
# NEEDED entries and its newest GLIBC_ version.
#   linuxathena      linux/athena/shared: 32-bit ARM, EABI 5, soft-float (the roboRIO)
#   linuxsystemcore  linux/systemcore/shared: 64-bit ARM (Systemcore)
# Usage: check_robot_library.sh <platform> <zip> <scratch folder> <newest GLIBC_ version allowed>
set -euo pipefail
platform=$1 zip=$2 scratch=$3 glibc_allowed=$4
here=$(dirname "$0")
case $platform in
  linuxathena) folder=linux/athena/shared loader=ld-linux.so.3 ;;
  linuxsystemcore) folder=linux/systemcore/shared loader=ld-linux-aarch64.so.1 ;;
  *) echo "no robot controller is called $platform"; exit 2 ;;
esac
rm -rf "$scratch" && mkdir -p "$scratch"
(cd "$scratch" && cmake -E tar xf "$zip")
files=$(cd "$scratch" && find . -type f | sort)
[ "$files" = "./$folder/libKorvaneDriver.so" ] ||
  { echo "$zip holds, instead of $folder/libKorvaneDriver.so alone:"; echo "$files"; exit 1; }
library=$scratch/$folder/libKorvaneDriver.so
if [ "$platform" = linuxathena ]; then
  "$here/../cross/check_arm_elf.sh" "$library" soft
else
  header=$(readelf -h "$library")
  grep -E '^ *(Class|Machine):' <<<"$header"
  grep -q 'Class: *ELF64$' <<<"$header" || { echo "not a 64-bit shared object"; exit 1; }
  grep -q 'Machine: *AArch64$' <<<"$header" || { echo "not a 64-bit ARM shared object"; exit 1; }
fi
readelf -d "$library" | grep -q 'Library soname: \[libKorvaneDriver.so\]' || { echo "wrong soname"; exit 1; }
needed=$(readelf -d "$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
echo "NEEDED: $(tr '\n' ' ' <<<"$needed")"
status=0
for name in $needed; do
  case $name in
    libwpiHal.so | libwpiutil.so | libwpinet.so | libc.so.6 | libm.so.6 | "$loader") ;;
    *) echo "needs $name, which is neither WPILib's nor the C library"; status=1 ;;
  esac
done
grep -q '^libwpiHal.so$' <<<"$needed" || { echo "does not need libwpiHal.so"; status=1; }
glibc=$(readelf -V -W "$library" | grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//' | sort -uV | tail -n1)
echo "newest C library version needed: GLIBC_$glibc (allowed: GLIBC_$glibc_allowed), for:" \
     "$(readelf --dyn-syms -W "$library" | grep -o "[^ ]*@GLIBC_$glibc\b" | sed 's/@.*//' |
        sort -u | tr '\n' ' ')"
if [ "$(printf '%s\n' "$glibc" "$glibc_allowed" | sort -V | tail -n1)" != "$glibc_allowed" ]; then
  echo "needs a C library newer than GLIBC_$glibc_allowed"
  status=1
fi
echo "size: $(stat -c %s "$library") bytes"
exit $status
