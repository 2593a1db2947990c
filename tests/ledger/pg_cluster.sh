#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for one command: started in a fresh temporary folder,
# listening only on a Unix socket there, then stopped and removed whatever the command does.
#
#   pg_cluster.sh run COMMAND [ARG...]
#
# COMMAND sees GLNAMELIST_PG_SERVER, a libpq connection string for the superuser (with its
# password) on that socket, GLNAMELIST_PG_DIR, the folder (and socket directory), and the
# password in PGPASSWORD. Local connections need the password (scram-sha-256). The exit
# status is the command's.
#
# The cluster outlives nothing: the script stops it on exit, on a signal, and, through a
# watcher in a session of its own, when the script itself is killed outright.
set -euo pipefail

[ "${1:-}" = run ] && [ $# -ge 2 ] || { echo "usage: $0 run COMMAND [ARG...]" >&2; exit 2; }
shift

bindir=$(pg_config --bindir)
for program in initdb pg_ctl; do
  [ -x "$bindir/$program" ] || { echo "pg_cluster: no $program in $bindir" >&2; exit 2; }
done

# The server refuses to run as root: as root the cluster belongs to the postgres user.
as_owner=()
if [ "$(id -u)" -eq 0 ]; then as_owner=(runuser -u postgres --); fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/glnamelist-pg.XXXXXX")
password=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')

stop() {
  if [ -f "$dir/data/postmaster.pid" ]; then
    "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}
trap stop EXIT
trap 'exit 1' HUP INT TERM

if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
chmod 700 "$dir"
printf '%s\n' "$password" >"$dir/pwfile"
[ "$(id -u)" -ne 0 ] || chown postgres: "$dir/pwfile"

"${as_owner[@]}" "$bindir/initdb" -D "$dir/data" -U postgres --pwfile="$dir/pwfile" \
  --auth-local=scram-sha-256 --auth-host=reject --encoding=UTF8 --locale=C.UTF-8 \
  --no-sync >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
rm -f "$dir/pwfile"

# A watcher that stops the cluster once this script is gone, however it ended.
setsid bash -c 'tail --pid="$1" -f /dev/null; shift;
  [ ! -f "$2/data/postmaster.pid" ] || "${@:3}" "$1" -D "$2/data" -m immediate -w stop;
  rm -rf "$2"' watcher "$$" "$bindir/pg_ctl" "$dir" "${as_owner[@]}" \
  </dev/null >/dev/null 2>&1 &

"${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
  -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=off \
      -c max_connections=100 -c shared_buffers=64MB" start >/dev/null ||
  { cat "$dir/server.log" >&2; exit 1; }

export GLNAMELIST_PG_DIR=$dir PGPASSWORD=$password
export GLNAMELIST_PG_SERVER="host=$dir dbname=postgres user=postgres password=$password"
status=0
"$@" || status=$?
exit $status
