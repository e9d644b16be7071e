#!/usr/bin/env bash
# Shows the ELF header of a cross-built program or library and fails unless it is 32-bit ARM with
# the given floating-point calling convention: hard-float (coprocessors, the default) or
# soft-float (the robot controller). Usage: check_arm_elf.sh <file> [hard|soft]
set -euo pipefail
abi=${2:-hard}
header=$(readelf -h "$1")
grep -E '^ *(Class|Machine|Flags):' <<<"$header"
grep -q 'Class: *ELF32$' <<<"$header" || { echo "$1: not a 32-bit program"; exit 1; }
grep -q 'Machine: *ARM$' <<<"$header" || { echo "$1: not an ARM program"; exit 1; }
grep -q 'Version5 EABI' <<<"$header" || { echo "$1: not built for the ARM EABI version 5"; exit 1; }
grep -q "$abi-float ABI" <<<"$header" || { echo "$1: not built for the $abi-float ABI"; exit 1; }
