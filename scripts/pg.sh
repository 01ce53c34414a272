#!/usr/bin/env bash
# A throwaway PostgreSQL cluster on 127.0.0.1 for the tests.
#   scripts/pg.sh start DIR   initialises DIR, starts the server on a free port
#                             and prints its conninfo on stdout
#   scripts/pg.sh stop DIR    stops it (quietly, when it is not running)
#   scripts/pg.sh resume DIR  starts a stopped one again, on the same port and
#                             data (nothing when it runs)
# As root the server runs as the postgres user, which owns DIR.
set -euo pipefail

cmd=${1:-}; dir=${2:-}
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: scripts/pg.sh start|stop|resume DIR" >&2; exit 2; }
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$bin" ] || { echo "pg.sh: PostgreSQL is not installed" >&2; exit 1; }

as_owner=()
if [ "$(id -u)" -eq 0 ]; then as_owner=(runuser -u postgres --); fi

case "$cmd" in
  start)
    rm -rf "$dir"; mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown postgres:postgres "$dir"
    "${as_owner[@]}" "$bin/initdb" -D "$dir/data" -U orv --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
      || { cat "$dir/initdb.log" >&2; exit 1; }
    # A port that looks free may be taken by a server starting at the same
    # moment (tests start theirs side by side): on a port in use, the next.
    # Each server's socket lives in its own DIR.
    port=""
    p=$((55432 + RANDOM % 200))
    for _ in $(seq 200); do
      p=$((p < 55632 ? p + 1 : 55432))
      (exec 3<>/dev/tcp/127.0.0.1/$p) 2>/dev/null && continue
      rm -f "$dir/server.log"
      if "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-h 127.0.0.1 -p $p -k $dir -c fsync=off -c max_connections=100" start >/dev/null; then
        port=$p; break
      fi
      grep -q "Address already in use" "$dir/server.log" || { cat "$dir/server.log" >&2; exit 1; }
    done
    [ -n "$port" ] || { echo "pg.sh: no free port" >&2; exit 1; }
    "${as_owner[@]}" "$bin/createdb" -h 127.0.0.1 -p "$port" -U orv orvtest
    echo "$port" >"$dir/port"
    echo "host=127.0.0.1 port=$port user=orv dbname=orvtest"
    ;;
  resume)
    [ -f "$dir/port" ] || { echo "pg.sh: no server was started in $dir" >&2; exit 1; }
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" status >/dev/null 2>&1 && exit 0
    port=$(cat "$dir/port")
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-h 127.0.0.1 -p $port -k $dir -c fsync=off -c max_connections=100" start >/dev/null \
      || { cat "$dir/server.log" >&2; exit 1; }
    ;;
  stop)
    [ -d "$dir/data" ] && "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
    ;;
  *) echo "usage: scripts/pg.sh start|stop|resume DIR" >&2; exit 2 ;;
esac
