#!/usr/bin/env bash
# A throwaway pg_auto_failover cluster on 127.0.0.1 for the tests and for
# trying a failover: a monitor and two PostgreSQL nodes with synchronous
# replication, each on a free port.
#   scripts/pgha.sh start DIR         creates the cluster in DIR and prints, once the
#                                     primary and the secondary are both ready, a
#                                     multi-host conninfo on stdout
#   scripts/pgha.sh stop DIR          stops everything of it (quietly, when nothing runs)
#   scripts/pgha.sh conninfo DIR      the conninfo again
#   scripts/pgha.sh state DIR         one line a node: NAME PORT REPORTED-STATE GOAL-STATE
#   scripts/pgha.sh primary DIR       the port of the current primary
#   scripts/pgha.sh wait DIR          waits until one node is primary and the other secondary
#   scripts/pgha.sh failover DIR      a planned failover; returns once the other node
#                                     has taken over and the old primary is a secondary again
#   scripts/pgha.sh kill-primary DIR  SIGKILL to every process of the primary's node
#                                     (its pg_autoctl, postmaster and backends), as when
#                                     its machine is lost; returns at once
#   scripts/pgha.sh revive DIR        restarts a killed node, which rejoins as a secondary,
#                                     and waits until the cluster is whole again
# As root the servers run as the postgres user, which owns DIR. pg_autoctl's
# own files stay under DIR. Every wait has a deadline (PGHA_TIMEOUT seconds,
# default 180); on expiry the script says what it waited for and exits 1.
set -euo pipefail

cmd=${1:-}; dir=${2:-}
usage() { echo "usage: scripts/pgha.sh start|stop|conninfo|state|primary|wait|failover|kill-primary|revive DIR" >&2; exit 2; }
[ -n "$cmd" ] && [ -n "$dir" ] || usage
bin=/usr/lib/postgresql/15/bin
command -v pg_autoctl >/dev/null && [ -x "$bin/pg_ctl" ] \
  || { echo "pgha.sh: needs PostgreSQL 15 and pg_auto_failover (postgresql-15-auto-failover pg-auto-failover-cli)" >&2; exit 1; }
timeout=${PGHA_TIMEOUT:-180}
export PGCONNECT_TIMEOUT=3  # a node that hangs must not stall a wait past its deadline
dir=$(realpath -m "$dir")

as_owner=()
if [ "$(id -u)" -eq 0 ]; then as_owner=(runuser -u postgres --); fi
# pg_autoctl keeps its configuration and state under the XDG directories.
autoctl() {
  "${as_owner[@]}" env XDG_CONFIG_HOME="$dir/xdg/config" XDG_DATA_HOME="$dir/xdg/data" \
    XDG_RUNTIME_DIR="$dir/xdg/run" PG_CONFIG="$bin/pg_config" pg_autoctl "$@"
}
monitor_port() { cat "$dir/monitor.port"; }
monitor_uri() { echo "postgres://autoctl_node@127.0.0.1:$(monitor_port)/pg_auto_failover?sslmode=disable"; }
# Rows of the monitor's view of the nodes: NAME|PORT|REPORTED|GOAL.
nodes() {
  "$bin/psql" -X -q -At -h 127.0.0.1 -p "$(monitor_port)" -U autoctl_node -d pg_auto_failover \
    -c "SELECT nodename, nodeport, reportedstate, goalstate FROM pgautofailover.node ORDER BY nodeid" 2>/dev/null
}
primary_port() { nodes | awk -F'|' '$3 == "primary" && $4 == "primary" { print $2 }'; }
# in_recovery PORT: the node's answer to pg_is_in_recovery(), t or f.
in_recovery() {
  "$bin/psql" -X -q -At -h 127.0.0.1 -p "$1" -U postgres -d postgres -c "SELECT pg_is_in_recovery()" 2>/dev/null
}
# The monitor agrees on one primary and one secondary, and the nodes
# themselves too (the monitor notices a lost node only after a while).
ready() {
  local n p s; n=$(nodes) || return 1
  [ "$(grep -c '|primary|primary$' <<<"$n")" -eq 1 ] && [ "$(grep -c '|secondary|secondary$' <<<"$n")" -eq 1 ] \
    || return 1
  p=$(awk -F'|' '$3 == "primary" { print $2 }' <<<"$n")
  s=$(awk -F'|' '$3 == "secondary" { print $2 }' <<<"$n")
  [ "$(in_recovery "$p")" = f ] && [ "$(in_recovery "$s")" = t ]
}
# wait_for WHAT COMMAND...: runs COMMAND every 0.2 s until it succeeds or the deadline passes.
wait_for() {
  local what=$1; shift
  local until=$((SECONDS + timeout))
  until "$@"; do
    if [ $SECONDS -ge $until ]; then
      echo "pgha.sh: gave up after ${timeout}s waiting for $what" >&2
      nodes | sed 's/^/pgha.sh:   /' >&2 || true
      exit 1
    fi
    sleep 0.2
  done
}
free_port() {
  local p
  for p in $(seq "$1" $(($1 + 300))); do
    if ! (exec 3<>/dev/tcp/127.0.0.1/$p) 2>/dev/null && ! grep -qx "$p" "$dir"/*.port 2>/dev/null; then
      echo "$p"; return
    fi
  done
  echo "pgha.sh: no free port" >&2; exit 1
}
# Small servers: the machine is shared, and pg_autoctl would size them for
# all its memory. Appended settings win over pg_autoctl's included file.
tune() {
  cat >>"$1/postgresql.conf" <<EOF
shared_buffers = 16MB
max_connections = 40
work_mem = 4MB
maintenance_work_mem = 16MB
effective_cache_size = 64MB
max_wal_size = 256MB
autovacuum = off
EOF
}
# run NODE: starts NODE's pg_autoctl service in a session of its own, so that
# every process of the node can be found again by its session.
run() {
  setsid "${as_owner[@]}" env XDG_CONFIG_HOME="$dir/xdg/config" XDG_DATA_HOME="$dir/xdg/data" \
    XDG_RUNTIME_DIR="$dir/xdg/run" PG_CONFIG="$bin/pg_config" \
    pg_autoctl run --pgdata "$dir/$1" >>"$dir/$1.log" 2>&1 </dev/null &
  echo $! >"$dir/$1.pid"
}
# The processes of NODE: those in its service's session, and every process
# working in its data directory (a postmaster that pg_ctl started in a
# session of its own, and its backends).
node_pids() {
  local sid
  sid=$(cat "$dir/$1.pid" 2>/dev/null) || return 0
  # (not the dead ones: where nothing reaps them, they linger as zombies)
  ps -e -o pid=,sid=,stat= | awk -v s="$sid" '$2 == s && $3 !~ /^Z/ { print $1 }'
  find /proc/[0-9]*/cwd -maxdepth 0 -lname "$dir/$1" 2>/dev/null | cut -d/ -f3
  return 0
}
node_of_port() { grep -lx "$1" "$dir"/node*.port | xargs -n 1 basename | sed 's/\.port$//'; }
conninfo() {
  echo "host=127.0.0.1,127.0.0.1 port=$(cat "$dir/node1.port"),$(cat "$dir/node2.port") user=orv dbname=orvtest target_session_attrs=read-write connect_timeout=2"
}

case "$cmd" in
  start)
    "$0" stop "$dir" 2>/dev/null || true
    rm -rf "$dir"; mkdir -p "$dir/xdg/run"; chmod 700 "$dir/xdg/run"
    [ "$(id -u)" -eq 0 ] && chown -R postgres:postgres "$dir"
    free_port 56432 >"$dir/monitor.port"
    free_port 56432 >"$dir/node1.port"
    free_port 56432 >"$dir/node2.port"
    autoctl create monitor --pgdata "$dir/monitor" --pgport "$(monitor_port)" --hostname 127.0.0.1 \
      --auth trust --no-ssl --pgctl "$bin/pg_ctl" >"$dir/monitor.log" 2>&1 \
      || { tail -n 20 "$dir/monitor.log" >&2; exit 1; }
    tune "$dir/monitor"
    run monitor
    wait_for "the monitor" "$bin/pg_isready" -q -h 127.0.0.1 -p "$(monitor_port)"
    for node in node1 node2; do
      # The first node to register becomes the primary; the second copies it.
      if [ $node = node1 ]; then
        "${as_owner[@]}" "$bin/initdb" -D "$dir/$node" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 \
          >"$dir/$node.log" 2>&1 || { cat "$dir/$node.log" >&2; exit 1; }
        tune "$dir/$node"
      fi
      autoctl create postgres --pgdata "$dir/$node" --pgport "$(cat "$dir/$node.port")" --pgctl "$bin/pg_ctl" \
        --hostname 127.0.0.1 --listen 127.0.0.1 --name "$node" --username orv --dbname orvtest --auth trust --no-ssl \
        --monitor "$(monitor_uri)" >>"$dir/$node.log" 2>&1 || { tail -n 20 "$dir/$node.log" >&2; exit 1; }
      run $node
      if [ $node = node1 ]; then
        wait_for "node1 to run alone" sh -c "'$0' state '$dir' | grep -q '^node1 .* single single$'"
      fi
    done
    wait_for "a primary and a secondary" ready
    # The role the clients use; the database pg_autoctl created.
    "$bin/psql" -X -q -h 127.0.0.1 -p "$(primary_port)" -U postgres -d orvtest \
      -c "DO \$\$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'orv') THEN CREATE ROLE orv LOGIN; END IF; END \$\$;" \
      -c "ALTER DATABASE orvtest OWNER TO orv" -c "ALTER SCHEMA public OWNER TO orv" >/dev/null
    conninfo
    ;;
  stop)
    [ -d "$dir" ] || exit 0
    for node in node1 node2 monitor; do
      [ -d "$dir/$node" ] && timeout 60 "${as_owner[@]}" env XDG_CONFIG_HOME="$dir/xdg/config" \
        XDG_DATA_HOME="$dir/xdg/data" XDG_RUNTIME_DIR="$dir/xdg/run" \
        pg_autoctl stop --pgdata "$dir/$node" >/dev/null 2>&1 || true
    done
    # Whatever did not stop within the deadline is killed.
    until=$((SECONDS + 30))
    for node in node1 node2 monitor; do
      while [ -n "$(node_pids $node)" ] && [ $SECONDS -lt $until ]; do sleep 0.2; done
      pids=$(node_pids $node)
      [ -n "$pids" ] && kill -KILL $pids 2>/dev/null || true
    done
    ;;
  conninfo)
    conninfo
    ;;
  state)
    nodes | awk -F'|' '{ print $1, $2, $3, $4 }'
    ;;
  primary)
    primary_port
    ;;
  wait)
    wait_for "a primary and a secondary" ready
    ;;
  failover)
    wait_for "a primary and a secondary" ready
    old=$(primary_port)
    autoctl perform failover --pgdata "$dir/monitor" >>"$dir/failover.log" 2>&1 \
      || { tail -n 20 "$dir/failover.log" >&2; exit 1; }
    taken_over() { local p; p=$(primary_port); [ -n "$p" ] && [ "$p" != "$old" ] && ready; }
    wait_for "the other node to take over" taken_over
    ;;
  kill-primary)
    port=$(primary_port)
    [ -n "$port" ] || { echo "pgha.sh: no primary" >&2; exit 1; }
    node=$(node_of_port "$port")
    echo "$node" >"$dir/killed"
    # Again until none is left, so that nothing of the node restarts it.
    gone() {
      local pids; pids=$(node_pids "$node")
      [ -z "$pids" ] && return 0
      kill -KILL $pids 2>/dev/null
      return 1
    }
    wait_for "every process of $node to end" gone
    ! "$bin/pg_isready" -q -h 127.0.0.1 -p "$port" -t 2 \
      || { echo "pgha.sh: $node still answers on port $port" >&2; exit 1; }
    ;;
  revive)
    [ -f "$dir/killed" ] || { echo "pgha.sh: no node was killed" >&2; exit 1; }
    node=$(cat "$dir/killed")
    # A killed postmaster leaves its pid file; the node cleans up on start.
    run "$node"
    rm -f "$dir/killed"
    wait_for "$node to rejoin" ready
    ;;
  *) usage ;;
esac
