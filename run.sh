#!/usr/bin/env bash
# Builds orv (Release, once; later runs only rebuild what changed) and runs
# orvgen with the arguments given, or without any a demonstration: five keys
# from the embedded default generator table. orvgen runs in the caller's
# directory, so relative paths in the arguments mean what the caller meant.
# The build holds everything `cmake --install build/release` installs.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/deps.sh" build
build=$root/build/release
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCH=OFF -DORV_BUILD_QT=OFF >/dev/null
fi
cmake --build "$build" >/dev/null
orvgen=$build/tools/orvgen/orvgen
if [ $# -eq 0 ]; then
  # The demonstration: the embedded default generator table (made when
  # missing), then five keys from it; each run goes on where the last ended.
  echo "+ orvgen init" >&2
  "$orvgen" init >&2
  set -- next --mask 'INV-####' --start 0001 -n 5
  echo "+ orvgen $*" >&2
fi
exec "$orvgen" "$@"
