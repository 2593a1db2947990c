#!/usr/bin/env bash
# A scope for one test command, which nothing it starts outlives.
#
#   scope.sh COMMAND [ARG...]
#
# The command runs in a session of its own, with TMPDIR and TMUX_TMPDIR set to a fresh
# folder "glnamelist-test.<pid>.XXXXXX" under the system's temporary folder (GLNAMELIST_SCOPE
# names it too), so that its temporary files, tmux servers and throwaway PostgreSQL clusters
# (tests/ledger/pg_cluster.sh) live there, and XDG_CACHE_HOME set to a folder in it, so that
# the snapshots of server ledgers a test's forms write stay there too. However the scope
# ends, the command's processes are ended, the tmux servers and clusters of the folder
# stopped and the folder removed:
#   - when the command ends (the exit status is the command's);
#   - on SIGHUP, SIGINT or SIGTERM to the scope;
#   - when the scope's parent (ctest, a shell) goes away first: a watchdog on the parent;
#   - when the scope itself is killed outright: a watcher in a session of its own.
# What even the watcher could not clean (the machine lost power, both were killed) is
# cleaned by the next scope that starts: every scope folder whose owner process is gone.
set -uo pipefail

# clean FOLDER: stops the tmux servers and PostgreSQL clusters started in FOLDER, removes it.
clean() {
  local folder=$1 socket pidfile pid
  [ -d "$folder" ] || return 0
  for socket in "$folder"/tmux-*/*; do
    [ -S "$socket" ] && tmux -S "$socket" kill-server >/dev/null 2>&1
  done
  while IFS= read -r pidfile; do
    pid=$(head -n 1 "$pidfile" 2>/dev/null)
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || continue
    # A frozen server (a test stopped it) is woken first; SIGQUIT is an immediate shutdown.
    pkill -CONT -P "$pid" 2>/dev/null
    kill -CONT "$pid" 2>/dev/null
    kill -QUIT "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    pkill -KILL -P "$pid" 2>/dev/null
    kill -KILL "$pid" 2>/dev/null
  done < <(find "$folder" -maxdepth 4 -name postmaster.pid 2>/dev/null)
  rm -rf "$folder"
}

# The start time of process PID (field 22 of its stat), empty when there is no such process.
started() { [ -r "/proc/$1/stat" ] && sed 's/^.*) //' "/proc/$1/stat" | cut -d' ' -f20; }

# end_group PGID: ends the process group, politely first.
end_group() {
  kill -TERM -- "-$1" 2>/dev/null || return 0
  for _ in $(seq 30); do kill -0 -- "-$1" 2>/dev/null || return 0; sleep 0.1; done
  kill -KILL -- "-$1" 2>/dev/null
}

if [ "${1:-}" = --watch ]; then
  # The watcher: once the scope (pid $2) has gone, its command's group ($4) and folder ($3).
  tail --pid="$2" -f /dev/null
  [ -n "${4:-}" ] && end_group "$4"
  clean "$3"
  exit 0
fi

[ $# -ge 1 ] || { echo "usage: $0 COMMAND [ARG...]" >&2; exit 2; }

root=${TMPDIR:-/tmp}
# Leftovers of scopes whose owner has gone.
for old in "$root"/glnamelist-test.*; do
  [ -f "$old/.owner" ] || continue
  read -r pid start <"$old/.owner" || continue
  [ "$(started "$pid")" = "$start" ] || clean "$old"
done

folder=$(mktemp -d "$root/glnamelist-test.$$.XXXXXX") || exit 1
chmod 755 "$folder"  # a cluster run as the postgres user makes its folder inside
echo "$$ $(started $$)" >"$folder/.owner"
export TMPDIR=$folder TMUX_TMPDIR=$folder GLNAMELIST_SCOPE=$folder XDG_CACHE_HOME=$folder/cache

command_pid=""
finish() {
  trap - EXIT HUP INT TERM
  [ -n "$command_pid" ] && end_group "$command_pid"
  [ -n "${parent_watch:-}" ] && kill "$parent_watch" 2>/dev/null
  clean "$folder"
}
trap finish EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

parent=$PPID
tail --pid="$parent" -f /dev/null &
parent_watch=$!
# In a session (and process group) of its own, so that it can be ended as a whole.
setsid "$@" &
command_pid=$!
setsid "$0" --watch $$ "$folder" "$command_pid" </dev/null >/dev/null 2>&1 &

wait -n -p ended "$command_pid" "$parent_watch"
status=$?
if [ "${ended:-}" != "$command_pid" ]; then
  echo "scope: the parent (process $parent) went away; ending $1" >&2
  status=1
fi
exit "$status"  # finish ends what the command left in its group
