#!/usr/bin/env bash
# Builds orvgen (Release, once; later runs only rebuild what changed) and runs
# it with the arguments given, or without any a demonstration: five keys from
# the embedded default generator table.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh build
build=build/release
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCH=OFF -DORV_BUILD_QT=OFF >/dev/null
fi
cmake --build "$build" --target orvgen >/dev/null
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
