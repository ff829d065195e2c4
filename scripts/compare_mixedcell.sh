#!/usr/bin/env bash
# Compares the mixed cells that the search of this tree finds with those of
# an earlier revision, on thousands of fixed liftings: standard systems,
# random sparse supports and supports with large exponents.  Both sides run
# the tool mixedcell/tests/cellsets.cpp of this tree (the revision is built
# with it), so the same systems and the same certificate are used.
#
#   scripts/compare_mixedcell.sh REV [FAMILY...]   (default: anchors sparse large)
#   FAMILY: anchors, sparse, large, big (see cellsets.cpp).
#
# Per family it prints the number of runs, how many have the same set of
# cells, the same cells in the same order, the same mixed volume, and how
# many runs on either side have a cell that is not certified; then every run
# whose set of cells differs.  Exit status 1 when some set differs or some
# cell is not certified.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rev=${1:?usage: compare_mixedcell.sh REV [FAMILY...]}
shift
families=("$@")
((${#families[@]})) || families=(anchors sparse large)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build_tool() {  # build_tool SRC BUILD
  cmake -G Ninja -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release > /dev/null
  ninja -C "$2" cellsets > /dev/null
}

# The revision, with this tree's tool and test helpers.
mkdir -p "$work/old"
git -C "$root" archive "$rev" | tar -x -C "$work/old"
cp "$root"/mixedcell/tests/{cellsets.cpp,cellcheck.h,systems.h,fixed_lifting.h} \
  "$work/old/mixedcell/tests/"
if ! grep -q 'add_executable(cellsets' "$work/old/mixedcell/CMakeLists.txt"; then
  printf '\nadd_executable(cellsets tests/cellsets.cpp)\ntarget_link_libraries(cellsets PRIVATE mixedcell)\n' \
    >> "$work/old/mixedcell/CMakeLists.txt"
fi
build_tool "$work/old" "$work/old-build"
build_tool "$root" "$root/build-bench"
old=$work/old-build/mixedcell/cellsets
new=$root/build-bench/mixedcell/cellsets

status=0
printf '%-8s %6s %9s %10s %8s %9s %9s\n' family runs same_set same_order same_mv uncert_old uncert_new
for fam in "${families[@]}"; do
  "$old" "$fam" > "$work/$fam.old"
  "$new" "$fam" > "$work/$fam.new"
  summary=$(paste -d' ' "$work/$fam.old" "$work/$fam.new" | awk '
    { runs++
      if ($1 != $8 || $2 != $9) { print "misaligned lines" > "/dev/stderr"; exit 2 }
      if ($5 == $12) set++; else diff[++nd] = $0
      if ($5 == $12 && $6 == $13) ord++
      if ($4 == $11) mv++
      if ($7 != "cert=OK") uo++
      if ($14 != "cert=OK") un++ }
    END { printf "%d %d %d %d %d %d\n", runs, set, ord, mv, uo, un
          for (i = 1; i <= nd; i++) print diff[i] }')
  read -r runs same ord mv uo un <<< "$(head -1 <<< "$summary")"
  printf '%-8s %6d %9d %10d %8d %9d %9d\n' "$fam" "$runs" "$same" "$ord" "$mv" "$uo" "$un"
  tail -n +2 <<< "$summary" | awk 'NF { print "  differs: " $1 " seed " $2 ": old " $3 " " $4 ", new " $10 " " $11 }'
  if [ "$same" != "$runs" ] || [ "$un" != 0 ]; then status=1; fi
done
exit $status
