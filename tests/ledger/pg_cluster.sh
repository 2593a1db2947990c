#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for one command: started in a fresh temporary folder,
# listening only on a Unix socket there, then stopped and removed whatever the command does.
#
#   pg_cluster.sh run COMMAND [ARG...]
#
# COMMAND sees GLNAMELIST_PG_SERVER, a libpq connection string for the superuser on that
# socket (without the password), GLNAMELIST_PG_DIR, the folder (and socket directory), and
# the password in PGPASSWORD, where libpq finds it. Local connections need the password
# (scram-sha-256). The exit status is the command's.
#
# The cluster outlives nothing: the script runs inside tests/scope.sh (it starts one when it
# is not in one), whose folder holds the cluster and the command's temporary files, and
# which stops the cluster and removes the folder however the script, the command or their
# parent end, even when killed outright; a normal end stops the cluster here at once.
set -euo pipefail

[ "${1:-}" = run ] && [ $# -ge 2 ] || { echo "usage: $0 run COMMAND [ARG...]" >&2; exit 2; }
if [ -z "${GLNAMELIST_SCOPE:-}" ]; then
  exec "$(dirname "$0")/../scope.sh" "$0" "$@"
fi
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

"${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
  -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=off \
      -c max_connections=100 -c shared_buffers=64MB" start >/dev/null ||
  { cat "$dir/server.log" >&2; exit 1; }

export GLNAMELIST_PG_DIR=$dir PGPASSWORD=$password
export GLNAMELIST_PG_SERVER="host=$dir dbname=postgres user=postgres"
status=0
"$@" || status=$?
exit $status
