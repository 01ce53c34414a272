#!/usr/bin/env bash
# Opens the designer: installs what is missing, builds orvdesign and the
# design package (Release, once; later runs only rebuild what changed), makes
# the embedded default generator table when missing, and opens a sample data
# module holding two generators and a stamper. Arguments go to orvdesign
# (e.g. ./design.sh my.ofm opens another form instead).
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh design
build=build/release-design
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCH=OFF -DORV_BUILD_QT=ON >/dev/null
fi
cmake --build "$build" --target orvdesign orvgenpkg orvgen >/dev/null
# The key preview reads the generator table; make it once.
"$build/tools/orvgen/orvgen" init >/dev/null
if [ $# -eq 0 ]; then
  # A copy of the sample, so that the one in the sources stays as it is.
  sample="$build/keys.ofm"
  [ -f "$sample" ] || cp tools/orvdesign/sample/keys.ofm "$sample"
  set -- "$sample"
fi
exec "$build/tools/orvdesign/orvdesign" "$@"
