#!/usr/bin/env bash
# Builds the fuzz targets (the `fuzz` preset, clang) and runs each for a bounded time, starting
# from its committed seed corpus. Fails when any target finds a crash, a leak or undefined
# behaviour; the input that did it is kept in build/fuzz/findings/<target>/.
# Usage: fuzz/run.sh [seconds per target, default 30]
# Longer runs by hand: build/fuzz/bin/<target> -runs=10000000 build/fuzz/work/<target> fuzz/corpus/<target>
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

failed=()
for program in build/fuzz/bin/*_fuzzer; do
  target=$(basename "$program")
  # New inputs go to a scratch folder; the committed seeds are only read.
  work=build/fuzz/work/$target
  findings=build/fuzz/findings/$target
  mkdir -p "$work" "$findings"
  log=build/fuzz/$target.log
  if "$program" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" \
      "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
    done_line=$(grep -a 'DONE' "$log" | tail -n1 || true)
    echo "fuzz: $target passed ${seconds}s: ${done_line#*DONE }"
  else
    echo "fuzz: $target FAILED (log: $log, input: $findings/)" >&2
    grep -a -A12 -E '^==[0-9]+==ERROR|runtime error|deadly signal' "$log" | head -n40 >&2 || true
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failing targets: ${failed[*]}" >&2
  exit 1
fi
