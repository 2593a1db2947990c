#!/usr/bin/env bash
# How promptly the terminal form closes: F10 pressed at points of the background load of a
# large ledger, on a file and on a server that is healthy, frozen (every server process
# stopped with SIGSTOP) or gone (stopped outright), and the milliseconds from F10 until the
# program has ended. The goal is 500 ms at every point.
#
#   bench/stop_bench.sh BUILD_DIR [RECORDS]
#
# BUILD_DIR holds bin/glvoucher and bin/glledger (a release build: make release). A ledger
# of RECORDS accounts and as many items (1,000,000 by default) is generated once and kept in
# BUILD_DIR; the script runs under tests/ledger/pg_cluster.sh, which it starts itself, and
# copies the ledger onto that server.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [RECORDS]" >&2; exit 2; }
build=$(cd "$1" && pwd)
records=${2:-1000000}
if [ -z "${GLNAMELIST_PG_DIR:-}" ]; then
  exec "$here/../tests/ledger/pg_cluster.sh" run "$0" "$build" "$records"
fi

glvoucher=$build/bin/glvoucher
glledger=$build/bin/glledger
file=$build/stop-bench-$records.ledger
if [ ! -f "$file" ]; then
  echo "Generating $file ..." >&2
  "$glledger" generate --accounts "$records" --items "$records" --quiet --out "$file"
fi
psql "$GLNAMELIST_PG_SERVER" -qc "CREATE DATABASE stop_bench" >/dev/null
socket=$(printf %s "$GLNAMELIST_PG_DIR" | sed 's|/|%2F|g')
server="postgresql://postgres@$socket/stop_bench"
echo "Copying it onto the server ..." >&2
"$glledger" copy --from "$file" --quiet --to "$server"

tmux_cmd="tmux -L stop-bench-$$ -f /dev/null"
work=$(mktemp -d)
trap '$tmux_cmd kill-server >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
owner=()
[ "$(id -u)" -ne 0 ] || owner=(runuser -u postgres --)
pg_ctl=$(pg_config --bindir)/pg_ctl
postmaster() { head -n 1 "$GLNAMELIST_PG_DIR/data/postmaster.pid"; }
# signal SIG: to the server and every process of it.
signal_server() {
  local pid
  pid=$(postmaster)
  kill "-$1" "$pid"
  pkill "-$1" -P "$pid" || true
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }
# running PID: the process has not ended (a zombie has: only tmux has yet to reap it).
running() { kill -0 "$1" 2>/dev/null && ! grep -q ') Z' "/proc/$1/stat" 2>/dev/null; }

# close_after LEDGER SECONDS CONDITION: starts the form, waits SECONDS after it appears,
# makes the server CONDITION (healthy, frozen, gone), presses F10; prints the milliseconds
# until glvoucher has ended, and whether its lists were still loading.
close_after() {
  local ledger=$1 delay=$2 condition=$3 pid start loading
  rm -f "$work/pid"
  $tmux_cmd new-session -d -s form -x 80 -y 24 \
    "env LANG=C.UTF-8 LC_ALL=C.UTF-8 TERM=tmux-256color sh -c 'echo \$\$ >\"$work/pid\";
       exec \"$glvoucher\" --ledger \"$ledger\" 2>/dev/null'"
  for _ in $(seq 600); do
    $tmux_cmd capture-pane -p -t form 2>/dev/null | grep -q 结算方式 && break
    sleep 0.05
  done
  pid=$(cat "$work/pid")
  sleep "$delay"
  loading=done
  $tmux_cmd capture-pane -p -t form | grep -q 载入中 && loading=loading
  case $condition in
    frozen) signal_server STOP ;;
    gone) "${owner[@]}" "$pg_ctl" -D "$GLNAMELIST_PG_DIR/data" -m immediate -w stop >/dev/null ;;
  esac
  start=$(now_ms)
  $tmux_cmd send-keys -t form F10
  while running "$pid"; do sleep 0.005; done
  printf '%6d ms (%s)' $(($(now_ms) - start)) "$loading"
  $tmux_cmd kill-session -t form 2>/dev/null || true
  case $condition in
    frozen) signal_server CONT ;;
    gone)
      # restart: started again with the options it was started with (postmaster.opts)
      "${owner[@]}" "$pg_ctl" -D "$GLNAMELIST_PG_DIR/data" -l "$GLNAMELIST_PG_DIR/server.log" \
        -w restart >/dev/null 2>&1
      ;;
  esac
}

points=${STOP_BENCH_POINTS:-"0.1 0.5 1 2 4 8"}
printf 'F10 pressed this long after the form appeared, %s accounts and items; the\n' "$records"
printf 'milliseconds until glvoucher ended (loading: a box still said its list was loading):\n'
printf '%-22s' "seconds"
for p in $points; do printf '%22s' "$p"; done
printf '\n'
for row in "file|$file|healthy" "server|$server|healthy" "server, frozen|$server|frozen" \
  "server, gone|$server|gone"; do
  IFS='|' read -r name ledger condition <<<"$row"
  printf '%-22s' "$name"
  for p in $points; do printf '%4s' ""; close_after "$ledger" "$p" "$condition"; done
  printf '\n'
done
echo "goal: 500 ms at every point"
