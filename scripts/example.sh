#!/usr/bin/env bash
# The whole road on a bundled example: installs what is missing, builds,
# then in a fresh folder runs eqtrans (ordinary notation -> input.num),
# evalgen (input.num -> MEva.f90), gfortran (MEva.f90 -> MEva.so) and
# rootsolve with the linear homotopy, and shows data.roots.
#   scripts/example.sh [EXAMPLE-DIR] [OPTION]    (default examples/circle, 2)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
example=$(cd "${1:-$root/examples/circle}" && pwd)
option=${2:-2}
"$root/scripts/setup.sh"
"$root/scripts/build_release.sh"   # the build of scripts/test.sh
bin=$root/build

work=$root/run
rm -rf "$work" && mkdir -p "$work" && cd "$work"
echo "== working folder $work, example $example"

echo "== eqtrans < system > input.num"
"$bin/quintrel/src/eqtrans" < "$example/system" > input.num
cat input.num

echo "== evalgen < input.num"
"$bin/evalgen/evalgen" < input.num
echo "== gfortran -shared -fPIC -O0 MEva.f90 -o MEva.so"
gfortran -shared -fPIC -O0 MEva.f90 -o MEva.so

echo "== rootsolve (answer $option)"
status=0
echo "$option" | "$bin/solver/rootsolve" || status=$?
if [[ $status -ne 0 ]]; then
  echo "== rootsolve ended with status $status"
  exit "$status"
fi
echo "== data.roots"
cat data.roots
