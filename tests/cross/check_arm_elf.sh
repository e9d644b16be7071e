#!/usr/bin/env bash
# Shows the ELF header of a cross-built program or library and fails unless it is of the given ARM
# ABI: 32-bit ARM with the hard-float calling convention (coprocessors, the default) or the
# soft-float one (the roboRIO), or 64-bit ARM (aarch64: Systemcore). Usage: check_arm_elf.sh
# <file> [hard|soft|aarch64]
set -euo pipefail
abi=${2:-hard}
header=$(readelf -h "$1")
grep -E '^ *(Class|Machine|Flags):' <<<"$header"
if [ "$abi" = aarch64 ]; then
  grep -q 'Class: *ELF64$' <<<"$header" || { echo "$1: not a 64-bit program"; exit 1; }
  grep -q 'Machine: *AArch64$' <<<"$header" || { echo "$1: not a 64-bit ARM program"; exit 1; }
  exit 0
fi
grep -q 'Class: *ELF32$' <<<"$header" || { echo "$1: not a 32-bit program"; exit 1; }
grep -q 'Machine: *ARM$' <<<"$header" || { echo "$1: not an ARM program"; exit 1; }
grep -q 'Version5 EABI' <<<"$header" || { echo "$1: not built for the ARM EABI version 5"; exit 1; }
grep -q "$abi-float ABI" <<<"$header" || { echo "$1: not built for the $abi-float ABI"; exit 1; }
