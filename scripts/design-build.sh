#!/usr/bin/env bash
# The Release build that ./design.sh and ./example.sh run from: installs what
# is missing, configures build/release-design once, builds TARGETS (every
# target when none is named; later runs only rebuild what changed) and prints
# the build folder on stdout. Usage: scripts/design-build.sh [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" design >&2
build=$root/build/release-design
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCH=OFF -DORV_BUILD_QT=ON >/dev/null
fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$build" "${targets[@]}" >/dev/null
echo "$build"
