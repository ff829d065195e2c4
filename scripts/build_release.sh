#!/usr/bin/env bash
# Configures and builds build/ as the release build of the tests: -O2 and
# warnings as errors.  scripts/example.sh and scripts/test.sh both build
# through this script, so that either finds the other's build up to date.
#   scripts/build_release.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=Release -DHC_WERROR=ON
