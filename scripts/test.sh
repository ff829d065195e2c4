#!/usr/bin/env bash
# Runs every test: a release build (-O2), then a build under AddressSanitizer
# and UndefinedBehaviorSanitizer with the array bounds checks on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
jobs=$(nproc)

"$root/scripts/build_release.sh"
(cd "$root/build" && ctest --output-on-failure -j "$jobs")

"$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DHC_SANITIZE=ON -DHC_WERROR=ON
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j "$jobs")
