#!/bin/sh
# The ledger tool's command line: what each wrong call says and its exit status, and that
# each option reaches the ledger written. Under pg_cluster.sh also --replace on a server.
#
#   glledger_cli.sh GLLEDGER SAMPLE_SQL
set -u
GLLEDGER=$1
SAMPLE=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

fail() {
  echo "FAIL: $1"
  cat "$WORK/err"
  exit 1
}

# refused STATUS TEXT ARG...: glledger ARG... ends with STATUS and says TEXT on stderr.
refused() {
  status=$1 text=$2
  shift 2
  "$GLLEDGER" "$@" >/dev/null 2>"$WORK/err"
  [ $? -eq "$status" ] || fail "glledger $*: status $status expected"
  grep -F -q -- "$text" "$WORK/err" || fail "glledger $*: \"$text\" expected"
}
# sql FILE QUERY: the query's answer on the ledger file.
sql() { sqlite3 "$1" "$2"; }

refused 2 "usage:"
refused 2 "usage:" list --out "$WORK/x"
refused 1 "glledger: unexpected argument out" build out "$WORK/x"
refused 1 "glledger: --data needs a value" build --out "$WORK/x" --data
refused 1 "usage:" build
refused 1 "usage:" build --data "$SAMPLE"
refused 1 "usage:" build --out "$WORK/x"
refused 1 "Cannot read $WORK/none.sql" build --data "$WORK/none.sql" --out "$WORK/x"
refused 1 "usage:" generate --accounts 5
refused 1 "usage:" copy --from "$WORK/x"
refused 1 "usage:" copy --to "$WORK/x"
for bad in -1 12x; do
  refused 1 "glledger: --items needs a number" generate --items "$bad" --out "$WORK/x"
done
refused 1 "at least one item class" generate --classes 0 --out "$WORK/x"
[ ! -e "$WORK/x" ] || fail "a refused call wrote a ledger"
"$GLLEDGER" generate --accounts 0 --items 0 --classes 1 --submes 0 --out "$WORK/x" 2>"$WORK/err" &&
  [ "$(sql "$WORK/x" "SELECT count(*) FROM accounts, items")" = 0 ] || fail "an empty ledger"

# A schema of its own and two data files.
echo "INSERT INTO currencies (id, number, name) VALUES (99, 'XAU', '黄金');" >"$WORK/more.sql"
{ cat "$(dirname "$SAMPLE")/schema.sql"; echo "CREATE TABLE extra (x);"; } >"$WORK/schema.sql"
"$GLLEDGER" build --schema "$WORK/schema.sql" --data "$SAMPLE" --data "$WORK/more.sql" \
  --out "$WORK/built.ledger" 2>"$WORK/err" || fail "build"
[ "$(sql "$WORK/built.ledger" "SELECT count(*) FROM currencies, sqlite_master
  WHERE sqlite_master.name = 'extra'")" = 7 ] || fail "the schema and both data files"

# Every number and flag of generate, and a copy that says nothing with --quiet.
"$GLLEDGER" generate --accounts 200 --items 31 --classes 2 --submes 3 --seed 7 --quiet \
  --out "$WORK/a.ledger" 2>"$WORK/err" || fail "generate"
[ ! -s "$WORK/err" ] || fail "--quiet still reports"
[ "$(sql "$WORK/a.ledger" "SELECT (SELECT count(*) FROM accounts) || ' ' ||
  (SELECT group_concat(n) FROM (SELECT count(*) AS n FROM items GROUP BY class_id)) || ' ' ||
  (SELECT count(*) FROM submes)")" = "200 16,15 6" ] || fail "generate options"
"$GLLEDGER" generate --accounts 200 --items 31 --single-class --seed 0 --out "$WORK/b.ledger" \
  2>"$WORK/err" || fail "generate --single-class"
grep -q "Generating ledger: 100%" "$WORK/err" || fail "progress without --quiet"
[ "$(sql "$WORK/b.ledger" "SELECT count(DISTINCT class_id) || ' ' || (SELECT count(*) FROM
  submes) FROM items")" = "1 400" ] || fail "one class, and 200 SubMes entries in each of two"
names="SELECT group_concat(name) FROM accounts"
[ "$(sql "$WORK/a.ledger" "$names")" != "$(sql "$WORK/b.ledger" "$names")" ] ||
  fail "--seed changes the names"
echo "left by a copy that was killed" >"$WORK/c.ledger.part"
"$GLLEDGER" copy --from "$WORK/a.ledger" --to "$WORK/c.ledger" --quiet 2>"$WORK/err" ||
  fail "copy"
[ ! -s "$WORK/err" ] || fail "copy --quiet still reports"
[ "$(sql "$WORK/c.ledger" .dump)" = "$(sql "$WORK/a.ledger" .dump)" ] || fail "the copy differs"
mkdir -p "$WORK/dir.ledger/in the way"
refused 1 "Cannot write $WORK/dir.ledger" copy --from "$WORK/a.ledger" --to "$WORK/dir.ledger"
[ ! -e "$WORK/dir.ledger.part" ] && [ ! -e "$WORK/c.ledger.part" ] || fail "a .part file left"

# A server database holding a ledger is replaced only when asked to.
if [ -n "${GLNAMELIST_PG_SERVER:-}" ]; then
  server=$GLNAMELIST_PG_SERVER
  mkdir "$WORK/tmp"
  "$GLLEDGER" copy --from "$WORK/a.ledger" --to "$server" 2>"$WORK/err" || fail "copy to server"
  grep -q "Copying ledger: 100%" "$WORK/err" || fail "copy progress"
  for call in "build --data $SAMPLE --out" "generate --accounts 9 --items 9 --quiet --out" \
    "copy --from $WORK/b.ledger --quiet --to"; do
    # shellcheck disable=SC2086 # the words of call are the arguments
    TMPDIR=$WORK/tmp refused 1 "already holds a ledger" $call "$server"
    # shellcheck disable=SC2086
    TMPDIR=$WORK/tmp "$GLLEDGER" $call "$server" --replace 2>"$WORK/err" || fail "$call --replace"
  done
  [ -z "$(ls -A "$WORK/tmp")" ] || fail "temporary files left: $(ls "$WORK/tmp")"
  [ "$("$GLLEDGER" copy --from "$server" --quiet --to "$WORK/d.ledger" 2>&1 &&
    sql "$WORK/d.ledger" "SELECT count(*) FROM accounts")" = 200 ] || fail "the last replacement"
fi
echo PASS
