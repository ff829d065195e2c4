#!/usr/bin/env bash
# Where the mixed-cell enumeration spends its time on one standard system:
# samples one enumeration with perf and prints the share of each routine,
# first with what it calls (the phases of the search), then on its own.
# Not a test.
#
#   scripts/profile_mixedcell.sh NAME N [SEED] [BUILD_DIR]
#       NAME: cyclic, noon, katsura or eco; SEED fixes the lifting (default 1);
#       BUILD_DIR defaults to build-prof (Release with frame pointers).
#   Needs perf (Debian: apt-get install linux-perf).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
name=${1:?usage: profile_mixedcell.sh NAME N [SEED] [BUILD_DIR]}
n=${2:?usage: profile_mixedcell.sh NAME N [SEED] [BUILD_DIR]}
seed=${3:-1}
build=${4:-$root/build-prof}
command -v perf > /dev/null || { echo "perf not found (apt-get install linux-perf)"; exit 1; }
if [ ! -f "$build/build.ninja" ]; then
  cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS="-fno-omit-frame-pointer -g" > /dev/null
fi
ninja -C "$build" bench_mixedcell > /dev/null
data=$(mktemp)
trap 'rm -f "$data"' EXIT
perf record -q -g -o "$data" "$build/mixedcell/bench_mixedcell" "$name" "$n" 1 "$seed" 2> /dev/null
echo "with callees (share of all samples):"
perf report -i "$data" --children --stdio 2> /dev/null |
  awk '/^ +[0-9.]+% +[0-9.]+%/ && /hc::/ { p = $1; sub(/.*\] /, ""); printf "  %8s  %s\n", p, $0 }' |
  head -16
echo "own time:"
perf report -i "$data" --no-children --stdio 2> /dev/null |
  awk '/^ +[0-9.]+%/ { p = $1; sub(/.*\] /, ""); printf "  %8s  %s\n", p, $0 }' | head -12
