#!/usr/bin/env bash
# Builds orvgen (Release, once; later runs only rebuild what changed) and runs
# it with the arguments given, or a short demonstration without any.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh build
build=build/release
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCH=OFF -DORV_BUILD_QT=OFF >/dev/null
fi
cmake --build "$build" --target orvgen >/dev/null
if [ $# -eq 0 ]; then
  set -- try --mask 'AB-[XYZ]##' --up 5
  echo "+ orvgen $*" >&2
fi
exec "$build/tools/orvgen/orvgen" "$@"
