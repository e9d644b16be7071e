#!/usr/bin/env bash
# The robot controller's native zip, unpacked as a robot project does: linux/athena/shared holds
# libKorvaneDriver.so alone, a 32-bit ARM soft-float shared object with its own soname that
# needs nothing from the controller but its C library and WPILib's libraries (the C++ runtime is
# linked in), and asks for no C library newer than the given version.
# Usage: check_athena_library.sh <zip> <scratch folder> <newest GLIBC_ version allowed>
set -euo pipefail
zip=$1
scratch=$2
glibc_allowed=$3
here=$(dirname "$0")
rm -rf "$scratch" && mkdir -p "$scratch"
(cd "$scratch" && cmake -E tar xf "$zip")
files=$(cd "$scratch" && find . -type f | sort)
[ "$files" = "./linux/athena/shared/libKorvaneDriver.so" ] ||
  { echo "$zip holds, instead of linux/athena/shared/libKorvaneDriver.so alone:"; echo "$files"; exit 1; }
library=$scratch/linux/athena/shared/libKorvaneDriver.so
"$here/../cross/check_arm_elf.sh" "$library" soft
readelf -d "$library" | grep -q 'Library soname: \[libKorvaneDriver.so\]' || { echo "wrong soname"; exit 1; }
needed=$(readelf -d "$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
echo "NEEDED: $(tr '\n' ' ' <<<"$needed")"
status=0
for name in $needed; do
  case $name in
    libwpiHal.so | libwpiutil.so | libwpinet.so | libc.so.6 | libm.so.6 | ld-linux.so.3) ;;
    *) echo "needs $name, which is neither WPILib's nor the C library"; status=1 ;;
  esac
done
grep -q '^libwpiHal.so$' <<<"$needed" || { echo "does not need libwpiHal.so"; status=1; }
glibc=$(readelf -V -W "$library" | grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//' | sort -uV | tail -n1)
echo "newest C library version needed: GLIBC_$glibc (allowed: GLIBC_$glibc_allowed)"
if [ "$(printf '%s\n' "$glibc" "$glibc_allowed" | sort -V | tail -n1)" != "$glibc_allowed" ]; then
  echo "needs a C library newer than GLIBC_$glibc_allowed:"
  readelf --dyn-syms -W "$library" | grep "GLIBC_$glibc" | awk '{print "  " $8}'
  status=1
fi
echo "size: $(stat -c %s "$library") bytes"
exit $status
