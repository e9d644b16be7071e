#!/usr/bin/env bash
# Every symbol a library leaves undefined must be defined by one of the given libraries (the
# platform's and the C library's): a symbol found in none would fail to resolve when the library
# is loaded. Weak references are allowed to stay unresolved. Lists the undefined HAL, wpiutil and
# wpinet symbols. Usage: check_undefined_symbols.sh <library> <defining library>...
set -euo pipefail
library=$1
shift
# readelf reads every ELF machine, unlike nm; names lose their @version suffix.
symbols() { readelf --dyn-syms -W "$1" | awk 'NR > 3 && $8 != "" {sub(/@.*/, "", $8); print $7, $5, $8}'; }
defined=$(for lib in "$@"; do
  [ -f "$lib" ] || { echo "no such library: $lib" >&2; exit 1; }
  symbols "$lib" | awk '$1 != "UND" && ($2 == "GLOBAL" || $2 == "WEAK") {print $3}'
done | sort -u)
undefined=$(symbols "$library" | awk '$1 == "UND" && $2 == "GLOBAL" {print $3}' | sort -u)
missing=$(comm -23 <(echo "$undefined") <(echo "$defined"))
platform=$(grep -E '^(HAL_|_ZN3hal|_ZN3wpi|_ZNK3wpi)' <<<"$undefined" || true)
echo "$library: $(wc -l <<<"$undefined") undefined symbols, $(grep -c . <<<"$platform" || true) of them WPILib's:"
c++filt <<<"$platform" | sed 's/^/  /'
[ -n "$platform" ] || { echo "no HAL symbol is undefined: the library does not take the platform from WPILib"; exit 1; }
if [ -n "$missing" ]; then
  echo "defined by none of $*:"
  c++filt <<<"$missing" | sed 's/^/  /'
  exit 1
fi
echo "every one is defined by $(for lib in "$@"; do basename "$lib"; done | tr '\n' ' ')"
