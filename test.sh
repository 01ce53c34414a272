#!/usr/bin/env bash
# Builds and runs every test: a Debug build and an AddressSanitizer+UBSan
# build, each running all CTest suites, against a throwaway PostgreSQL server
# on 127.0.0.1 (stopped at the end, also on failure). Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD
scripts/deps.sh test

pgdir=$(mktemp -d /tmp/orv-pg.XXXXXX)
chmod 755 "$pgdir"
cleanup() { scripts/pg.sh stop "$pgdir" || true; rm -rf "$pgdir"; }
trap cleanup EXIT
ORV_PG_CONNINFO=$(scripts/pg.sh start "$pgdir")
export ORV_PG_CONNINFO
# PostgreSQL is installed here: a test that cannot reach it or start its own
# server fails instead of skipping.
export ORV_PG_REQUIRED=1
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp}
echo "PostgreSQL for the tests: $ORV_PG_CONNINFO"

jobs=$(nproc)
status=0
passed=0
failed=0
skipped=0
for config in debug asan; do
  build=build/$config
  flags=(-DCMAKE_BUILD_TYPE=Debug)
  [ "$config" = asan ] && flags+=(-DORV_SANITIZE=ON -DORV_BUILD_BENCH=OFF)
  cmake -S . -B "$build" -G Ninja "${flags[@]}" >/dev/null
  cmake --build "$build" -j "$jobs"
  echo "== ctest ($config)"
  # The failover tests (a pg_auto_failover cluster of their own, about two
  # minutes) run once, in the Debug build.
  failover=0
  [ "$config" = debug ] && failover=1
  (cd "$build" && ORV_FAILOVER_TESTS=$failover ctest --output-on-failure -j "$jobs" --timeout 900) 2>&1 \
    | tee "$build/ctest.log" || status=1
  # "100% tests passed, 0 tests failed out of 253"
  if line=$(grep -E 'tests failed out of [0-9]+' "$build/ctest.log" | tail -n 1); then
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
    # CTest counts a skipped test among those that passed; it lists each.
    skip=$(sed -n '/The following tests did not run:/,$p' "$build/ctest.log" | grep -c '(Skipped)' || true)
    passed=$((passed + total - bad - skip))
    failed=$((failed + bad))
    skipped=$((skipped + skip))
  else
    status=1
  fi
done

if [ -x scripts/fuzz.sh ]; then
  echo "== fuzz"
  scripts/fuzz.sh || status=1
fi
# The layout of .clang-format: a file laid out otherwise fails the run.
echo "== format"
scripts/format.sh check || status=1
# One closing line for whoever reads the run: the CTest cases of both builds,
# a skipped one counted apart from those that passed.
echo "summary: $passed passed, $failed failed, $skipped skipped"
exit $status
