#!/usr/bin/env bash
# Fuzzes eqtrans's reading and the reader of input.num with libFuzzer, each
# target for a fixed time, in a build of its own (clang, coverage, address
# and undefined-behaviour sanitizers; not part of scripts/test.sh).
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]   (default 600 s; eqtrans input_num)
#
# The kept corpus fuzz/corpus/TARGET seeds the run; new inputs go to
# build-fuzz/corpus/TARGET.  An input over 2 s is a hang (-timeout=2).  An
# input that crashes, hangs or breaks an invariant is copied into
# fuzz/corpus/TARGET, where every test run replays it (ctest
# fuzz_corpus_TARGET), and the script ends with status 1.  Prints
# libFuzzer's final figures for each target.  With MERGE=1 the inputs of the
# run that reach code the kept corpus does not are added to it (libFuzzer's
# -merge=1), so that the tests replay them too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
shift || true
targets=("$@")
[[ ${#targets[@]} -eq 0 ]] && targets=(eqtrans input_num)
build=$root/build-fuzz

command -v clang++ > /dev/null || { echo "clang++ is needed (apt-get install clang)"; exit 2; }
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g" -DHC_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ > /dev/null
ninja -C "$build" "${targets[@]/#/fuzz_}" > /dev/null

failed=0
for t in "${targets[@]}"; do
  work=$build/corpus/$t
  art=$build/artifacts/$t
  mkdir -p "$work" "$art"
  echo "== fuzz_$t for $seconds s"
  status=0
  "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=2 -rss_limit_mb=2048 \
    -max_len=4096 -print_final_stats=1 -artifact_prefix="$art/" \
    "$work" "$root/fuzz/corpus/$t" > "$build/fuzz_$t.log" 2>&1 || status=$?
  grep -E "^(stat::|Done|#[0-9]+ *DONE)" "$build/fuzz_$t.log" || true
  for a in "$art"/*; do
    [[ -e $a ]] || continue
    failed=1
    cp "$a" "$root/fuzz/corpus/$t/$(basename "$a")"
    echo "   kept $(basename "$a") in fuzz/corpus/$t"
  done
  if [[ ${MERGE:-0} == 1 && $status -eq 0 ]]; then
    before=$(ls "$root/fuzz/corpus/$t" | wc -l)
    "$build/fuzz/fuzz_$t" -merge=1 -timeout=2 -max_len=4096 "$root/fuzz/corpus/$t" "$work" \
      > "$build/merge_$t.log" 2>&1
    echo "   kept corpus: $before -> $(ls "$root/fuzz/corpus/$t" | wc -l) inputs"
  fi
  if [[ $status -ne 0 ]]; then
    failed=1
    echo "   fuzz_$t ended with status $status; see $build/fuzz_$t.log"
    grep -E "SUMMARY|ERROR|fuzz target:" "$build/fuzz_$t.log" | head -5 || true
  fi
done
exit $failed
