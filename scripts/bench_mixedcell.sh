#!/usr/bin/env bash
# Times the mixed-cell enumeration (relation table, search and mixed volume)
# on cyclic, noon, katsura and eco systems, beside `gfan _mixedvolume` (one
# thread) on the same supports with constant terms completed, in the same
# run.  Prints both mixed volumes, both times and the ratio ours / gfan (< 1:
# ours is faster).  Not a test: nothing here fails on a slow result.
#
#   scripts/bench_mixedcell.sh [BUILD_DIR]   (default build-bench, Release)
#   REPS=3 sets the runs per system of each program (the medians are shown;
#   gfan's time is that of the whole process, reading its input included).
#   SEED=s fixes the liftings (seeds s, s+1, ...), so that two builds can be
#   compared on the same liftings; by default they come from the clock.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
reps=${REPS:-3}
seed=${SEED:-}
if [ ! -f "$build/build.ninja" ]; then
  cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release > /dev/null
fi
ninja -C "$build" bench_mixedcell > /dev/null
bench=$build/mixedcell/bench_mixedcell
have_gfan=1
command -v gfan > /dev/null || { have_gfan=0; echo "gfan not found (apt-get install gfan): its column stays empty"; }

printf '%-12s %10s %10s %8s %10s %10s %10s\n' system mv cells ours_s gfan_mv gfan_s ours/gfan
run() {
  local name=$1 n=$2
  local line mv cells total
  line=$("$bench" "$name" "$n" "$reps" $seed)
  mv=$(sed -E 's/.* mv=([0-9]+).*/\1/' <<< "$line")
  cells=$(sed -E 's/.* cells=([0-9]+).*/\1/' <<< "$line")
  total=$(sed -E 's/.* total=([0-9.]+).*/\1/' <<< "$line")
  local gmv="-" gt="-" ratio="-"
  if [ $have_gfan = 1 ]; then
    local input t0 t1
    input=$(mktemp)
    "$bench" --poly "$name" "$n" > "$input"
    local times=()
    for ((r = 0; r < reps; r++)); do
      t0=$(date +%s.%N)
      gmv=$(gfan _mixedvolume -j 1 < "$input" 2> /dev/null | tail -1)
      t1=$(date +%s.%N)
      times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }')")
    done
    rm -f "$input"
    gt=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
    ratio=$(awk -v g="$gt" -v o="$total" 'BEGIN { printf "%.2f", (g > 0 ? o / g : 0) }')
  fi
  printf '%-12s %10s %10s %8s %10s %10s %10s\n' "$name-$n" "$mv" "$cells" "$total" "$gmv" "$gt" "$ratio"
}
for n in 8 9 10 11 12; do run cyclic $n; done
for n in 6 7 8 9; do run noon $n; done
for n in 8 9 10 11 12; do run katsura $n; done
for n in 10 11 12; do run eco $n; done
