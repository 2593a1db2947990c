#!/bin/sh
# The ledger tool's command line: what each wrong call says and its exit status, and that
# each option reaches the ledger written. Under pg_cluster.sh also --replace on a server.
#
#   glledger_cli.sh GLLEDGER SAMPLE_SQL SCHEMA_SQL
set -u
GLLEDGER=$1
SAMPLE=$2
SCHEMA=$3
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
# The SQL text of a ledger file but its id, which each ledger made has of its own.
dump() { sql "$1" .dump | grep -v "'ledger_id'"; }

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
"$GLLEDGER" generate --accounts 5 --items 0 --quiet --out "$WORK/x" 2>"$WORK/err" &&
  [ "$(sql "$WORK/x" "SELECT count(*) FROM accounts WHERE detail AND number < '1122'")" = 5 ] ||
  fail "fewer accounts than the chart's top are its first"

# A build derives levels and parents from the codes; a failed one leaves no file.
cat >"$WORK/tree.sql" <<'EOF'
INSERT INTO item_classes (id, number, name) VALUES (1, '1', '类');
INSERT INTO items (class_id, number, name) VALUES
  (1, '01.01.001', '热轧钢板'), (1, '02', '包装物'), (1, '01', '原材料'),
  (1, '01.01', '钢材');
EOF
echo "left by a build that was killed" >"$WORK/tree.ledger.part"
"$GLLEDGER" build --data "$WORK/tree.sql" --out "$WORK/tree.ledger" 2>"$WORK/err" &&
  [ "$(sql "$WORK/tree.ledger" "SELECT group_concat(level, '') FROM items")" = 3112 ] &&
  [ ! -e "$WORK/tree.ledger.part" ] || fail "levels from the codes"
echo "INSERT INTO accounts (number, name) VALUES ('1002.01', '工商银行');" >"$WORK/orphan.sql"
refused 1 "1002.01: no parent with the code 1002" build --data "$WORK/orphan.sql" \
  --out "$WORK/orphan.ledger"
[ ! -e "$WORK/orphan.ledger.part" ] || fail "a refused build left a .part file"
mkdir -p "$WORK/orphan.ledger/in the way"
refused 1 "Cannot write $WORK/orphan.ledger" build --data "$WORK/tree.sql" \
  --out "$WORK/orphan.ledger"
[ ! -e "$WORK/orphan.ledger.part" ] || fail "a failed build left a .part file"

# A schema of its own and two data files.
echo "INSERT INTO currencies (id, number, name) VALUES (99, 'XAU', '黄金');" >"$WORK/more.sql"
{ cat "$SCHEMA"; echo "CREATE TABLE extra (x);"; } >"$WORK/schema.sql"
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
# Outside a terminal, progress is a line each tenth of the work.
[ "$(grep -c . "$WORK/err")" = 10 ] &&
  head -n 1 "$WORK/err" | grep -q -x "Generating ledger: 10% (64 of 631)" &&
  tail -n 1 "$WORK/err" | grep -q -x "Generating ledger: 100% (631 of 631)" ||
  fail "progress without --quiet"
[ "$(sql "$WORK/b.ledger" "SELECT count(DISTINCT class_id) || ' ' || (SELECT count(*) FROM
  submes) FROM items")" = "1 400" ] || fail "one class, and 200 SubMes entries in each of two"
names="SELECT group_concat(name) FROM accounts"
[ "$(sql "$WORK/a.ledger" "$names")" != "$(sql "$WORK/b.ledger" "$names")" ] ||
  fail "--seed changes the names"
# Generated companies: a.ledger too small for groups below the chart's lines, big.ledger
# large enough. Each query prints a count of faults (or no row).
"$GLLEDGER" generate --accounts 3000 --items 2000 --classes 3 --quiet --out "$WORK/big.ledger" \
  2>"$WORK/err" || fail "generate 3000"
for ledger in "$WORK/a.ledger" "$WORK/big.ledger"; do
  faults=$(sqlite3 -bail "$ledger" 2>&1 <<'EOF'
-- Accounts in code order with distinct sibling names, cash and bank by their codes.
SELECT count(*) FROM (SELECT number < lag(number) OVER (ORDER BY id) AS b FROM accounts) WHERE b;
SELECT count(*) FROM accounts GROUP BY parent_id, name HAVING count(*) > 1;
SELECT count(*) FROM accounts
  WHERE is_cash <> (number LIKE '1001%') OR is_bank <> (number LIKE '1002%');
-- The enterprise chart at the top; customers in the city of their group; customers and
-- suppliers named as firms; goods named by their product.
SELECT count(*) NOT BETWEEN 60 AND 90 FROM accounts WHERE level = 1;
SELECT 4 - count(*) FROM accounts WHERE (number, name) IN (VALUES ('1001', '库存现金'),
  ('1002', '银行存款'), ('1122', '应收账款'), ('6602', '管理费用'));
SELECT count(*) FROM accounts c JOIN accounts p ON p.id = c.parent_id
  WHERE p.number LIKE '1122.%' AND c.name NOT LIKE p.name || '%';
SELECT count(*) FROM accounts WHERE detail AND level > 1 AND substr(number, 1, 4) IN
  ('1122', '2202') AND NOT (name LIKE '%公司' OR name LIKE '%商行' OR name LIKE '%经营部');
SELECT count(*) FROM items c JOIN items p ON p.id = c.parent_id
  WHERE c.level = 3 AND instr(c.name, p.name) = 0;
-- Bank accounts: the branch, the kind of account and a four-digit number.
SELECT count(*) FROM accounts WHERE number LIKE '1002.%.%'
  AND name NOT GLOB '*支行 [^ ]* [0-9][0-9][0-9][0-9]';
EOF
  )
  for table in items accounts submes; do
    # A parent's code is its child's without the last level; details have no children.
    faults="$faults
$(sql "$ledger" "SELECT count(*) FROM $table c LEFT JOIN $table p ON p.id = c.parent_id
  WHERE coalesce(p.number || '.' || substr(c.number, length(p.number) + 2), c.number) <> c.number
  OR c.level <> coalesce(p.level + 1, 1) OR c.helper_code = '' OR c.name GLOB '*[{|}]*'
  OR c.detail = EXISTS (SELECT 1 FROM $table d WHERE d.parent_id = c.id)" 2>&1)"
  done
  [ -z "$(echo "$faults" | grep -v -x 0)" ] ||
    fail "$ledger: faults: $(echo "$faults" | tr '\n' ' ')"
done
# Most of the large company below banks, customers, suppliers, projects and departments;
# few below cash; the departments of branches after the head office's; goods whose sizes
# take the first and the last choice of a size form.
[ "$(sql "$WORK/big.ledger" "SELECT count(*), (SELECT count(*) FROM submes),
  (SELECT group_concat(n) FROM (SELECT count(*) AS n FROM items GROUP BY class_id)),
  sum(level > 1 AND substr(number, 1, 4) IN ('1002', '1122', '1123', '2202', '2203', '5001',
  '6601', '6602')) >= 2700, sum(number LIKE '1001.%') <= 3,
  (SELECT name FROM accounts WHERE number = '6602.15'),
  (SELECT count(*) > 0 FROM items WHERE name LIKE '% 6m%') +
  (SELECT count(*) > 0 FROM items WHERE name LIKE '%定尺%') FROM accounts")" = \
  "3000|400|667,667,666|1|1|北京分公司总经理办公室|2" ] || fail "the large company's shape"
# What its accounts are kept by: about a tenth of the detail accounts by items (customers
# by class 1), some bank accounts in foreign currencies with a rate each month, materials
# and goods in quantities of a unit; nothing kept by an account with sub-accounts.
[ "$(sql "$WORK/big.ledger" "SELECT
  count(item_class_id) * 100 / sum(detail) BETWEEN 8 AND 12,
  sum(item_class_id <> 1 AND substr(number, 1, 4) = '1122') = 0,
  count(currency_id) BETWEEN 3 AND sum(is_bank AND detail) / 4,
  (SELECT count(*) FROM rates r JOIN accounts a ON a.currency_id = r.currency_id) >= 36,
  sum(detail AND substr(number, 1, 4) IN ('1403', '1405', '1411') AND
      NOT (quantity AND unit_id IN (SELECT id FROM units))) = 0,
  sum(NOT detail AND (item_class_id OR currency_id OR quantity)) = 0 FROM accounts")" = \
  "1|1|1|1|1|1" ] || fail "what the large company's accounts are kept by"
echo "left by a copy that was killed" >"$WORK/c.ledger.part"
"$GLLEDGER" copy --from "$WORK/a.ledger" --to "$WORK/c.ledger" --quiet 2>"$WORK/err" ||
  fail "copy"
[ ! -s "$WORK/err" ] || fail "copy --quiet still reports"
[ "$(dump "$WORK/c.ledger")" = "$(dump "$WORK/a.ledger")" ] || fail "the copy differs"
mkdir -p "$WORK/dir.ledger/in the way"
refused 1 "Cannot write $WORK/dir.ledger" copy --from "$WORK/a.ledger" --to "$WORK/dir.ledger"
[ ! -e "$WORK/dir.ledger.part" ] && [ ! -e "$WORK/c.ledger.part" ] || fail "a .part file left"

# Writing never loses a ledger. poll WHAT COMMAND...: waits (a bounded number of polls) for
# what it observes, never a fixed time.
poll() {
  what=$1
  shift
  i=0
  until "$@"; do
    [ $i -lt 600 ] || fail "$what"
    sleep 0.05
    i=$((i + 1))
  done
}
writing() { ls "$1".??????.part >/dev/null 2>&1; }
sum_of() { cksum <"$1"; }
cp "$WORK/a.ledger" "$WORK/old.ledger"
old_sum=$(sum_of "$WORK/old.ledger")
# A second writer of the same file is refused while the first runs; the first's ledger is
# what is left.
"$GLLEDGER" generate --accounts 200000 --items 1000 --seed 3 --quiet --out "$WORK/old.ledger" \
  2>"$WORK/first.err" &
first=$!
poll "the first writer's temporary file beside its target" writing "$WORK/old.ledger"
refused 1 "Cannot write $WORK/old.ledger: another program (process $first) is writing it" \
  generate --accounts 5 --items 0 --quiet --out "$WORK/old.ledger"
[ "$(sum_of "$WORK/old.ledger")" = "$old_sum" ] || fail "the refused writer changed the ledger"
wait $first || fail "the first writer: $(cat "$WORK/first.err")"
[ "$(sql "$WORK/old.ledger" "SELECT count(*) FROM accounts")" = 200000 ] ||
  fail "the first writer's ledger"
cp "$WORK/a.ledger" "$WORK/old.ledger"
# A writer interrupted half-way leaves the old ledger as it was: ended by a signal its
# temporary file goes with it; killed outright, the next writer removes what it left.
for signal in TERM KILL; do
  "$GLLEDGER" generate --accounts 200000 --items 1000 --quiet --out "$WORK/old.ledger" \
    2>/dev/null &
  writer=$!
  poll "a writer to interrupt" writing "$WORK/old.ledger"
  kill -s $signal $writer
  wait $writer
  [ "$(sum_of "$WORK/old.ledger")" = "$old_sum" ] || fail "SIG$signal: the old ledger changed"
done
[ "$(ls "$WORK"/old.ledger.*.part | wc -l)" = 1 ] || fail "what was left: $(ls "$WORK")"
"$GLLEDGER" copy --from "$WORK/b.ledger" --quiet --to "$WORK/old.ledger" 2>"$WORK/err" &&
  [ "$(dump "$WORK/old.ledger")" = "$(dump "$WORK/b.ledger")" ] ||
  fail "the copy after the interrupted runs"
[ "$(ls "$WORK" | grep -c '^old\.ledger\.')" = 0 ] || fail "leftovers: $(ls "$WORK")"
# A copy onto its own source is refused, however the target is named; the source stays.
ln -s old.ledger "$WORK/link.ledger"
for to in "$WORK/old.ledger" "$WORK/link.ledger" "$WORK/../$(basename "$WORK")/old.ledger"; do
  refused 1 "onto itself" copy --from "$WORK/old.ledger" --quiet --replace --to "$to"
done
[ "$(dump "$WORK/old.ledger")" = "$(dump "$WORK/b.ledger")" ] || fail "the source"

# upgrade: a ledger of version 1 (as an older tool wrote it) to the current version once; a
# newer one and none are refused; on a server too.
refused 1 "usage:" upgrade
refused 1 "file not found" upgrade --ledger "$WORK/none.ledger"
# to_v1 RUN: makes the ledger RUN (a command taking SQL) reaches one of version 1.
to_v1() { "$@" "DROP TABLE voucher_voids; DROP TABLE deleted_vouchers; DROP TABLE template_lines;
  DROP TABLE voucher_templates; DROP TABLE rates; ALTER TABLE accounts DROP COLUMN item_class_id;
  ALTER TABLE accounts DROP COLUMN currency_id; ALTER TABLE accounts DROP COLUMN quantity;
  ALTER TABLE accounts DROP COLUMN unit_id;
  DROP TABLE voucher_lines; DROP TABLE vouchers; DROP TABLE master_changes;
  UPDATE meta SET value = '1' WHERE key = 'schema_version'"; }
upgrades() {
  "$GLLEDGER" upgrade --ledger "$1" >"$WORK/out" 2>"$WORK/err" &&
    grep -q "upgraded from version 1 to 6" "$WORK/out" &&
    "$GLLEDGER" upgrade --ledger "$1" >"$WORK/out" 2>"$WORK/err" &&
    grep -q "already at version 6, nothing to do" "$WORK/out" || fail "upgrade of $1"
}
cp "$WORK/a.ledger" "$WORK/v1.ledger"
# Made with a write-ahead log; an older file without one gets it from the upgrade.
[ "$(sql "$WORK/a.ledger" "PRAGMA journal_mode")" = wal ] || fail "a.ledger without its log"
sql "$WORK/v1.ledger" "PRAGMA journal_mode = DELETE" >/dev/null
to_v1 sql "$WORK/v1.ledger"
upgrades "$WORK/v1.ledger"
[ "$(sql "$WORK/v1.ledger" "PRAGMA journal_mode")" = wal ] || fail "the upgrade's log"
[ "$(sql "$WORK/v1.ledger" "SELECT count(*) FROM vouchers, voucher_lines")" = 0 ] ||
  fail "the upgraded ledger's tables"
sql "$WORK/v1.ledger" "UPDATE meta SET value = '9' WHERE key = 'schema_version'"
refused 1 "its version 9 is newer than this program's 6" upgrade --ledger "$WORK/v1.ledger"

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
    TMPDIR=$WORK/tmp "$GLLEDGER" $call "$server" --replace >"$WORK/err" 2>&1 &&
      [ ! -s "$WORK/err" ] || fail "$call --replace: no output expected"
  done
  [ -z "$(ls -A "$WORK/tmp")" ] || fail "temporary files left: $(ls "$WORK/tmp")"
  [ "$("$GLLEDGER" copy --from "$server" --quiet --to "$WORK/d.ledger" 2>&1 &&
    sql "$WORK/d.ledger" "SELECT count(*) FROM accounts")" = 200 ] || fail "the last replacement"
  # Onto itself it is refused at once (its own replacement would block its read), and the
  # ledger stays.
  refused 1 "onto itself" copy --from "$server" --quiet --replace --to "$server"
  refused 1 "onto itself" copy --from "$server" --quiet --replace \
    --to "postgresql://postgres@$(printf %s "$GLNAMELIST_PG_DIR" | sed 's|/|%2F|g')/postgres"
  # A second writer of the database is refused while the first writes.
  writer_locked() {
    [ "$(psql "$server" -Atc "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory'")" = 1 ]
  }
  "$GLLEDGER" generate --accounts 200000 --items 1000 --quiet --replace --out "$server" &
  first=$!
  poll "the first writer's lock" writer_locked
  refused 1 "another program is writing this ledger" \
    generate --accounts 5 --items 0 --quiet --replace --out "$server"
  wait $first || fail "the first writer on the server"
  [ "$(psql "$server" -Atc "SELECT count(*) FROM accounts")" = 200000 ] || fail "its ledger"
  # A password on the command line: one line of warning, the copy goes on.
  "$GLLEDGER" copy --from "$WORK/a.ledger" --quiet --replace \
    --to "$server password=$PGPASSWORD" 2>"$WORK/err" || fail "copy with a password"
  [ "$(wc -l <"$WORK/err")" = 1 ] && grep -q "warning: the password" "$WORK/err" ||
    fail "the password's warning"
  to_v1 psql "$server" -qc
  upgrades "$server"
fi
echo PASS
