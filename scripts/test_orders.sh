#!/usr/bin/env bash
# Runs every test binary of a build folder in one process per mode: each
# test twice (--gtest_repeat=2), then in shuffled orders under several seeds
# (--gtest_shuffle --gtest_random_seed=S).  A test that passes only in a
# fresh process, or only after some other test, fails here.  Prints one line
# per binary and mode, and exits non-zero when any run failed.
#
#     scripts/test_orders.sh BUILD [SEED ...]     (default seeds: 1 7 23 101)
set -uo pipefail
build=$(cd "${1:?usage: scripts/test_orders.sh BUILD [SEED ...]}" && pwd)
shift
seeds=("$@")
((${#seeds[@]})) || seeds=(1 7 23 101)
jobs=${JOBS:-4}
log=$(mktemp -d)
trap 'rm -rf "$log"' EXIT

# One run: the binary in its own folder (the folder ctest runs it in).
run_one() {
  local bin=$1 mode=$2 log=$3
  local args=(--gtest_repeat=2)
  [[ $mode == repeat ]] || args=(--gtest_shuffle "--gtest_random_seed=${mode#shuffle-}")
  local out="$log/$(basename "$bin").$mode"
  if (cd "$(dirname "$bin")" && ASAN_OPTIONS=detect_leaks=0 "$bin" "${args[@]}") > "$out" 2>&1; then
    echo "ok    $(basename "$bin") $mode"
  else
    echo "FAIL  $(basename "$bin") $mode"
    grep -E '^\[  FAILED  \]' "$out" | sort -u | sed 's/^/        /'
  fi
}
export -f run_one

mapfile -t bins < <(find "$build" -type f -executable -name 'test_*' -not -path '*/CMakeFiles/*' | sort)
((${#bins[@]})) || { echo "no test binaries under $build" >&2; exit 2; }
modes=(repeat)
for s in "${seeds[@]}"; do modes+=("shuffle-$s"); done

for bin in "${bins[@]}"; do
  for mode in "${modes[@]}"; do printf '%s\0%s\0%s\0' "$bin" "$mode" "$log"; done
done | xargs -0 -n 3 -P "$jobs" bash -c 'run_one "$@"' _ | tee "$log/summary"

failed=$(grep -c '^FAIL' "$log/summary")
echo "${#bins[@]} binaries, ${#modes[@]} modes each: $failed failed runs"
((failed == 0))
