#!/usr/bin/env bash
# How long a program drawing keys waits through a failover of a cluster that
# scripts/pgha.sh started: runs `orvgen next` on the cluster, time-stamps every
# key as it is printed, strikes the cluster, and reports the longest pause
# between two keys.
#   scripts/pgha-outage.sh DIR failover|kill-primary [ORVGEN]
# ORVGEN defaults to build/debug/tools/orvgen/orvgen. After kill-primary the
# lost node is revived. Every wait has a deadline.
set -euo pipefail

dir=${1:-}; verb=${2:-}
[ -n "$dir" ] && { [ "$verb" = failover ] || [ "$verb" = kill-primary ]; } \
  || { echo "usage: scripts/pgha-outage.sh DIR failover|kill-primary [ORVGEN]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
orvgen=${3:-$here/../build/debug/tools/orvgen/orvgen}
[ -x "$orvgen" ] || { echo "pgha-outage.sh: no orvgen at $orvgen" >&2; exit 1; }
command -v perl >/dev/null || { echo "pgha-outage.sh: needs perl" >&2; exit 1; }

work=$(mktemp -d /tmp/pgha-outage.XXXXXX)
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
printf '[ha]\ndriver = postgresql\nconninfo = %s\n' "$("$here/pgha.sh" conninfo "$dir")" >"$work/aliases.ini"
"$here/pgha.sh" wait "$dir"
"$orvgen" init --aliases "$work/aliases.ini" --db ha >/dev/null
mkfifo "$work/keys"
# Each key with the moment it was printed.
perl -MTime::HiRes=time -ne '$| = 1; printf "%.3f %s", time, $_' <"$work/keys" >"$work/stamped" &
"$orvgen" next --aliases "$work/aliases.ini" --db ha --mask "O-########" -n 10000000 \
  >"$work/keys" 2>"$work/err" &
pid=$!
sleep 3
struck=$(date +%s.%N)
"$here/pgha.sh" "$verb" "$dir"
# Until 50 keys after the strike has landed (keys printed while pgha.sh was
# still killing the node do not count), at most 240 s.
landed=$(date +%s.%N)
until=$((SECONDS + 240))
while [ "$(awk -v t="$landed" '$1 > t' "$work/stamped" | wc -l)" -lt 50 ]; do
  kill -0 "$pid" 2>/dev/null || { echo "pgha-outage.sh: orvgen ended:" >&2; cat "$work/err" >&2; exit 1; }
  [ $SECONDS -lt $until ] || { echo "pgha-outage.sh: no keys 240 s after the $verb" >&2; exit 1; }
  sleep 1
done
kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""
awk -v t0="$struck" -v verb="$verb" '
  { if (n++) { g = $1 - prev; if (g > max) { max = g; at = prev } } prev = $1 }
  END { printf "%s: longest pause between two keys %.2f s, from %.2f s after the strike; %d keys\n",
        verb, max, at - t0, n }' "$work/stamped"
dupes=$(awk '{ print $2 }' "$work/stamped" | sort | uniq -d | wc -l)
[ "$dupes" -eq 0 ] || { echo "pgha-outage.sh: $dupes keys printed twice" >&2; exit 1; }
if [ "$verb" = kill-primary ]; then "$here/pgha.sh" revive "$dir"; fi
