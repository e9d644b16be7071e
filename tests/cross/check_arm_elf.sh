#!/usr/bin/env bash
# Shows the ELF header of a cross-built program and fails unless it is a 32-bit ARM hard-float
# executable, i.e. built for the robot controller. Usage: check_arm_elf.sh <program>
set -euo pipefail
header=$(readelf -h "$1")
grep -E '^ *(Class|Machine|Flags):' <<<"$header"
grep -q 'Class: *ELF32$' <<<"$header" || { echo "$1: not a 32-bit program"; exit 1; }
grep -q 'Machine: *ARM$' <<<"$header" || { echo "$1: not an ARM program"; exit 1; }
grep -q 'hard-float ABI' <<<"$header" || { echo "$1: not built for the hard-float ABI"; exit 1; }
