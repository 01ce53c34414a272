#!/usr/bin/env bash
# Builds the form file reader's libFuzzer target with clang 14 and
# AddressSanitizer+UBSan in build/fuzz, and runs it for a bounded time
# (ORV_FUZZ_SECONDS, default 60; seed ORV_FUZZ_SEED, default 1) from the seed corpus in
# orv/host/classes/fuzz/corpus. Exits non-zero on a crash, a leak or a sanitizer
# report; the failing input is left in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
seconds=${ORV_FUZZ_SECONDS:-60}
# A fixed seed keeps a test run repeatable; ORV_FUZZ_SEED=0 explores afresh.
seed=${ORV_FUZZ_SEED:-1}
build=build/fuzz

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_CXX_FLAGS="-O1 -g -fsanitize=fuzzer-no-link" \
  -DORV_BUILD_FUZZ=ON -DORV_SANITIZE=ON -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCH=OFF -DORV_BUILD_QT=OFF >/dev/null
cmake --build "$build" --target reader_fuzz

# New inputs go to a scratch corpus; the seeds in the repository stay as they are.
work=$(mktemp -d /tmp/orv-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
"$build/orv/host/classes/fuzz/reader_fuzz" -max_total_time="$seconds" -seed="$seed" -max_len=4096 -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/artifacts/" \
  "$work" orv/host/classes/fuzz/corpus
