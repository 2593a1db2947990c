#!/bin/sh
# Nothing a test starts outlives it (tests/scope.sh): a scope killed outright, or whose parent
# goes away, still has its command ended, its throwaway PostgreSQL cluster and tmux server
# stopped and its folder removed; a folder a dead scope left is removed by the next scope.
#
#   scope_test.sh SCOPE PG_CLUSTER
set -u
SCOPE=$1
PG_CLUSTER=$2
root=$(mktemp -d)
chmod 755 "$root"  # a cluster run as the postgres user makes its folder inside
export TMPDIR=$root
trap 'rm -rf "$root"' EXIT

fail() {
  echo "FAIL: $1"
  ls -laR "$root" | head -40
  exit 1
}
WAIT_STEPS=600
. "$(dirname "$0")/poll.sh"
scopes() { ls -d "$root"/glnamelist-test.* 2>/dev/null; }
no_scope() { [ -z "$(scopes)" ]; }
ready() { ls "$root"/glnamelist-test.*/ready >/dev/null 2>&1; }

# Killed outright, with a cluster, a tmux server, a folder of the test's own and a command
# that would run for ten minutes.
"$PG_CLUSTER" run sh -c 'mkdir "$TMPDIR/made-by-the-test" &&
  tmux -L scope-test -f /dev/null new-session -d "sleep 600" &&
  tmux -L scope-test -f /dev/null display -p "#{pid}" >"$TMPDIR/tmux.pid" &&
  echo $$ >"$TMPDIR/command.pid" && touch "$TMPDIR/ready" && sleep 600' &
scope=$!
poll "the cluster and the command started" ready
folder=$(scopes)
postmaster=$(head -n 1 "$folder"/glnamelist-pg.*/data/postmaster.pid)
tmux_server=$(cat "$folder/tmux.pid")
command=$(cat "$folder/command.pid")
kill -9 "$scope"
poll "the killed scope's folder removed" no_scope
poll "its cluster stopped" gone "$postmaster"
poll "its tmux server stopped" gone "$tmux_server"
poll "its command ended" gone "$command"

# The scope's parent goes away: the scope ends its command and cleans up.
sh -c '"$0" sh -c "echo \$\$ >\"\$TMPDIR/command.pid\"; touch \"\$TMPDIR/ready\"; sleep 600"; true' \
  "$SCOPE" &
parent=$!
poll "the second command started" ready
command=$(cat "$(scopes)/command.pid")
kill -9 "$parent"
poll "the orphaned scope's folder removed" no_scope
poll "the orphaned scope's command ended" gone "$command"

# A scope folder whose owner has gone is removed by the next scope; a live one is not.
mkdir -p "$root/glnamelist-test.1.dead00/inside" "$root/glnamelist-test.2.alive0"
echo "1 0" >"$root/glnamelist-test.1.dead00/.owner"
echo "$$ $(sed 's/^.*) //' "/proc/$$/stat" | cut -d' ' -f20)" >"$root/glnamelist-test.2.alive0/.owner"
"$SCOPE" true || fail "a scope of true"
[ ! -e "$root/glnamelist-test.1.dead00" ] || fail "a dead scope's folder left"
[ -d "$root/glnamelist-test.2.alive0" ] || fail "a live scope's folder removed"
echo PASS
