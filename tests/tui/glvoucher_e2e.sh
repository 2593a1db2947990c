#!/bin/sh
# End-to-end test of the voucher-entry form: runs glvoucher in a detached tmux session on
# the sample ledger, types as a bookkeeper would and checks what the screen shows; types the
# same keys one at a time and all at once in two more, which must end alike; then closes
# the terminal under two more glvouchers, which must end by themselves; holds the ledger
# file locked (or restarts the ledger's server) under a form, which must say so and go on
# once it can; and gives glvoucher ledgers it cannot open, which must stop it before the
# form with their cause, and wrong arguments.
#
#   glvoucher_e2e.sh GLVOUCHER LEDGER [CAPTURE_FILE]
#
# With CAPTURE_FILE, the screen with a chosen account and its name beside the box is saved
# there.
#
# Every wait polls for what it expects. Keys are sent as soon as the screen shows what the
# keys before them did, or sooner: the form handles keys typed ahead as if typed slowly.
set -u
GLVOUCHER=$1
LEDGER=$2
CAPTURE=${3:-}
WORK=$(mktemp -d)
TMUX_CMD="tmux -L glvoucher-e2e-$$ -f /dev/null"
WAIT_STEPS=300 # polls of 0.05 s: a bounded wait
SESSION=e2e

cleanup() {
  $TMUX_CMD kill-server >/dev/null 2>&1
  [ -s "$WORK/pid" ] && kill -9 "$(cat "$WORK/pid")" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

. "$(dirname "$0")/tmux_form.sh"
clear_box() { keys -N 40 BSpace; }

# start [PREFIX [LOCALE [LEDGER]]]: runs glvoucher on LEDGER ($LEDGER by default), after the
# shell words PREFIX and in LOCALE (C.UTF-8 by default), in a new tmux session
# $SESSION and waits for its form: the page of boxes, or with PAGE=voucher the voucher
# (its drafts under $WORK/state). Its process id is in $WORK/pid, its exit status goes to
# $WORK/$SESSION.status.
PAGE=boxes
start() {
  [ "$PAGE" = boxes ] && page_args=--boxes started=结算方式 || page_args="" started=贷方
  $TMUX_CMD new-session -d -s "$SESSION" -x 80 -y 24 \
    "${1:-} env LANG=C.UTF-8 LC_ALL=${2:-C.UTF-8} TERM=tmux-256color XDG_STATE_HOME='$WORK/state' \
       sh -c 'echo \$\$ >\"\$2/pid\";
       exec \"\$0\" --ledger \"\$1\" $page_args 2>>\"\$2/stderr\"' '$GLVOUCHER' '${3:-$LEDGER}' '$WORK';
     echo \"exit \$?\" >'$WORK/$SESSION.status'" || fail "tmux did not start"
  wait_for "$started" "the form starts"
  wait_gone "载入中" "every list attached once its data is read"
}

start
wait_for "共 15 行" "the first box lists the explanations at the start"
shows "自动列出: 开" && shows "F2 自动列出" && hides HotTrace || fail "the switch in plain words"
shows "明细分类" || fail "the SubMes box in plain words"
# A ledger on a server is left to the ledger's own tests: the file checks need a file.
on_file() { [ -f "$LEDGER" ]; }
on_file && ledger_sum=$(cksum <"$LEDGER")

# The account box: a name search, browsed without losing the found rows; Enter writes the
# code and its name stands beside the box (account_is CODE NAME).
keys Tab
wait_for "库存现金" "with HotTrace the focus lists the accounts"
type_text "银行"
keys F9
wait_for "查找结果" "F9 shows a search result"
poll "the typed text is marked in colour in the found rows" styled 33 银行
keys Down
wait_for "第 2 行 / 共 7 行" "the arrows move through the found rows"
shows "查找结果" || fail "browsing keeps the search result"
keys Enter
poll "the chosen code, its name beside the box" account_is 1002.02 银行存款_建设银行

# A parent chosen from a code listing drills down to its children.
clear_box
type_text "100"
keys F8
wait_for "库存现金" "F8 lists the codes, no row chosen until moved to"
hides "第 1 行" || fail "a list dropped down by F8 has no current row"
keys Down Down Enter
wait_for "01  1002.01  银行存款_工商银行" "the children of the chosen parent, codes relative to it"
for step in "End:第 5 行" "Up:第 4 行" "PPage:第 1 行" "NPage:第 5 行" "Home:第 1 行"; do
  keys "${step%%:*}"
  wait_for "${step#*:} / 共 5 行" "${step%%:*} moves through the list"
done
keys Down Down Enter
wait_gone "共 5 行" "a detail account chosen closes the list"
account_is 1002.03 银行存款_农业银行 || fail "the chosen 1002.03, its name beside the box"
if [ -n "$CAPTURE" ]; then screen_text >"$CAPTURE"; fi
keys F8
wait_for "是明细，没有下级可列出" "F8 on a detail account says why nothing is listed"
keys Left Left DC Right
type_text 9
wait_for "[1002.39 " "the caret moves and Delete deletes in the box"
# The terminal's cursor stands at the caret, shown.
cursor() { $TMUX_CMD display -p -t "$SESSION" '#{cursor_flag} #{cursor_x} #{cursor_y}'; }
cursor_is() { [ "$(cursor)" = "$1" ]; }
# shellcheck disable=SC2046 # the three words of cursor
set -- $(cursor)
[ "$1" = 1 ] || fail "the cursor is shown in the box"
keys Home
poll "Home takes the cursor to the start of the code" cursor_is "1 $(($2 - 7)) $3"
poll "the box with the focus is bold and underlined" styled "1;4" 1002.39
keys Tab
poll "a code that is not there is reported in red" styled 31 "科目 1002.39 不存在"
keys BTab Escape End BSpace
wait_gone "不存在" "the complaint goes once the box is corrected"

# Pasted text with quotes and wildcards, longer than the box, breaks nothing. Its point
# lists while it is typed; Home shows that the whole text is in, then F8 lists again, and
# a search for it finds nothing: the message box, closed by Enter.
clear_box
type_text "'%*[_]\"?#&' OR 1=1 -- 1002.%*_'' 一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十"
keys Home
wait_for "['%*[_]\"?#&' OR 1=1" "the start of the pasted text in the box"
keys F8
wait_for "共 " "F8 lists for the pasted text"
keys F9
wait_for "没有查询到名称包含'''%*[_]" "the no-match dialog"
wait_for "[ 确定 ]" "the dialog's OK button"
keys Enter
wait_gone "没有查询到名称包含" "Enter closes the dialog"

# A malformed byte in the input is one U+FFFD; what follows it still arrives.
keys Tab
$TMUX_CMD send-keys -t "$SESSION" -H c3 28 41
wait_for "[�(A" "the replacement character and the rest of the input"

# A terminal too small says so in full; growing it again redraws the form.
$TMUX_CMD resize-window -t "$SESSION" -x 40 -y 8
wait_for "40 x 8）" "the too-small message, in full"
$TMUX_CMD resize-window -t "$SESSION" -x 80 -y 24
wait_for "结算方式" "the form after resizing"

# The same keys one at a time, each once the screen shows what the one before did, and all
# at once, as a fast typist or a remote terminal delivers them: the same form. Across Tab,
# listings and Enter: F8 right after the listing on entering the box, 1002 chosen from the
# list it gives and 1002.03 from 1002's children then listed, GBP from the currencies,
# 001 from the item classes.
quit_session() {
  keys F10
  poll "glvoucher in $SESSION did not end" test -s "$WORK/$SESSION.status"
}
SESSION=single
start
wait_for "共 15 行" "the explanations at the start"
for step in "Tab:库存现金" "1:[1 " "0:[10 " "0:[100 " "F8:库存现金" "Down:第 1 行 / 共" \
  "Down:第 2 行 / 共" "Enter:01  1002.01" "Down:第 1 行 / 共 5 行" "Down:第 2 行 / 共 5 行" \
  "Down:第 3 行 / 共 5 行" "Enter:] 银行存款_农业银行" "Enter:共 6 行" "Down:第 1 行 / 共 6 行" \
  "Down:第 2 行 / 共 6 行" "Enter:] 英镑" "Enter:共 5 行" "Down:第 1 行 / 共 5 行" "Enter:] 客户"; do
  keys "${step%%:*}"
  wait_for "${step#*:}" "${step%%:*} typed alone"
done
single=$(screen_text)
quit_session
SESSION=burst
start
wait_for "共 15 行" "the explanations at the start"
keys Tab 1 0 0 F8 Down Down Enter Down Down Down Enter Enter Down Down Enter Enter Down Enter
same_as_single() { [ "$(screen_text)" = "$single" ]; }
poll "the keys in a burst end as typed one by one; one by one they gave:
$single" same_as_single
quit_session
SESSION=e2e

# Closing its terminal (tmux hangs up the pane) ends glvoucher at once: one whose parent
# told it to ignore hang-ups, and one in a session of its own, which gets no hang-up and
# only finds its input gone.
# The second one's locale is not UTF-8: the form still draws its Chinese labels.
for prefix in "trap '' HUP;" "setsid"; do
  SESSION="closed-${prefix%% *}"
  [ "$prefix" = setsid ] && start "$prefix" C || start "$prefix"
  pid=$(cat "$WORK/pid")
  $TMUX_CMD kill-session -t "$SESSION"
  poll "glvoucher ($prefix) still runs without its terminal" gone "$pid"
done
# The account box from the box after it: a code typed (only its last key finds an account:
# 1001's shorter codes are none) and, with left_with, the box left.
typed_in_account() {
  keys BTab
  clear_box
  type_text "$1"
}
left_with() {
  typed_in_account "$1"
  keys Tab
}
on_server() { [ -n "${GLNAMELIST_PG_DIR:-}" ] && ! on_file; }

# Another program holds the ledger file locked: the form says so (never that a code it holds
# does not exist), and once the lock is gone the next key finds the code.
if on_file; then
  SESSION=locked
  cp "$LEDGER" "$WORK/locked.ledger"
  # A file without a write-ahead log, as older ledgers are: a writer's lock holds off reads.
  sqlite3 "$WORK/locked.ledger" "PRAGMA journal_mode = DELETE" >/dev/null
  start "" "" "$WORK/locked.ledger"
  keys Tab Tab
  mkfifo "$WORK/lock"
  sqlite3 "$WORK/locked.ledger" <"$WORK/lock" >/dev/null 2>&1 &
  locker=$!
  exec 3>"$WORK/lock"
  # The form may be reading at that moment: the lock waits for its read to end.
  printf '.timeout 10000\nBEGIN EXCLUSIVE;\n' >&3
  is_locked() { ! sqlite3 "$WORK/locked.ledger" "SELECT count(*) FROM meta" >/dev/null 2>&1; }
  poll "the other program's lock" is_locked
  typed_in_account 1001
  wait_for "账套文件被其他程序锁住了（database is locked）" "the locked file, told"
  shows "不存在" && fail "a code of a locked ledger called unknown"
  echo "ROLLBACK;" >&3
  exec 3>&-
  wait $locker
  keys Tab
  poll "the code found once the lock is gone" account_is 1001 库存现金
  left_with 1002.02
  poll "the next code" account_is 1002.02 银行存款_建设银行
  wait_gone "锁住" "the lock's message gone once the ledger answers"
fi

# The server restarts under the form: the next key goes on with the server as before, on a
# connection made again, never saying that a code does not exist.
if on_server; then
  SESSION=restart
  start
  keys F2 # no listing on entering or typing: the code's look-up is the server's only read
  keys Tab Tab
  left_with 1001
  poll "a name from the server" account_is 1001 库存现金
  bindir=$(pg_config --bindir)
  owner=""
  [ "$(id -u)" -eq 0 ] && owner="runuser -u postgres --"
  $owner "$bindir/pg_ctl" -D "$GLNAMELIST_PG_DIR/data" -m fast -w restart >/dev/null 2>&1 ||
    fail "the server did not restart"
  left_with 1001
  poll "the code found at once after the restart" account_is 1001 库存现金
  shows "连接断了" && fail "a connection made again told as lost"
  left_with 1002.02
  poll "the next key after the restart" account_is 1002.02 银行存款_建设银行
  wait_gone "连接断了" "the fault gone once the server answers"
  keys BTab
  clear_box
  type_text "1002."
  keys F8
  wait_for "共 5 行" "listing after the restart"

  # A password on the command line: one line of warning, and the process list shows it
  # no longer once the form runs.
  SESSION=password
  start "" "" "$LEDGER password=$PGPASSWORD"
  grep -q "^注意：命令行里的密码" "$WORK/stderr" || fail "the password's warning"
  tr '\0' ' ' <"/proc/$(cat "$WORK/pid")/cmdline" | grep -q -F "$PGPASSWORD" &&
    fail "the password in the process list"
  $TMUX_CMD kill-session -t password

  # Ledgers on a server that cannot be opened: each cause in words with the server's own
  # beside, never a missing file, never the password.
  socket=$(printf %s "$GLNAMELIST_PG_DIR" | sed 's|/|%2F|g')
  for case in \
    "postgresql://postgres:wrong-pw@$socket/postgres|服务器不接受这个用户名或密码（password authentication failed" \
    "postgresql://postgres@$socket/no_such_db|服务器上没有这个数据库（database \"no_such_db\" does not exist" \
    "postgresql://postgres@%2Fno%2Fsuch%2Fserver/books|连接不上账套服务器（" \
    "postgresql://postgres@$socket/template1|这个数据库里没有账套"; do
    ledger=${case%%|*}
    cause=${case#*|}
    "$GLVOUCHER" --ledger "$ledger" </dev/null >/dev/null 2>"$WORK/bad.err" &&
      fail "glvoucher opened $ledger"
    grep -v "^注意：命令行里的密码" "$WORK/bad.err" >"$WORK/bad.line"
    [ "$(wc -l <"$WORK/bad.line")" = 1 ] && grep -F -q "：$cause" "$WORK/bad.line" &&
      ! grep -q "文件不存在\|wrong-pw" "$WORK/bad.err" || fail "$ledger: $(cat "$WORK/bad.err")"
  done
  PGPASSWORD=wrong-pw "$GLVOUCHER" --ledger "$LEDGER" </dev/null >/dev/null 2>"$WORK/bad.err" &&
    fail "glvoucher opened the ledger with a wrong password"
  [ "$(wc -l <"$WORK/bad.err")" = 1 ] && grep -q "服务器不接受这个用户名或密码" "$WORK/bad.err" ||
    fail "a wrong password from the environment: $(cat "$WORK/bad.err")"
  # At a terminal the form appears while the server is asked (the ledger's snapshot is in the
  # cache by now); the login it refuses then ends the form with that one line and status.
  $TMUX_CMD new-session -d -s refused -x 80 -y 24 \
    "env PGPASSWORD=wrong-pw LANG=C.UTF-8 LC_ALL=C.UTF-8 TERM=tmux-256color \
       '$GLVOUCHER' --ledger '$LEDGER' 2>'$WORK/refused.err'; echo \"exit \$?\" >'$WORK/refused.status'"
  poll "the form a refused login started ends" test -s "$WORK/refused.status"
  [ "$(cat "$WORK/refused.status")" = "exit 1" ] && [ "$(wc -l <"$WORK/refused.err")" = 1 ] &&
    grep -q "服务器不接受这个用户名或密码" "$WORK/refused.err" ||
    fail "a login refused at a terminal: $(cat "$WORK/refused.status" "$WORK/refused.err")"
fi
SESSION=e2e

# Another program renames an account while the form runs: the new name stands beside the
# box holding its code, and in its list, without a restart; renamed back, the old one.
SESSION=live
if on_file; then
  live=$WORK/live.ledger
  cp "$LEDGER" "$live"
  change() { sqlite3 -cmd ".timeout 10000" "$live" "$1"; }
else
  live=$LEDGER
  change() { psql -X -q -d "$LEDGER" -c "$1" >/dev/null; }
fi
start "" "" "$live"
keys Tab
type_text "1002.01"
keys Tab
poll "the account's name beside its box" account_is 1002.01 银行存款_工商银行
change "UPDATE accounts SET name = '中国工商银行' WHERE number = '1002.01'" ||
  fail "the other program's change"
poll "the renamed account's new name, without a restart" account_is 1002.01 银行存款_中国工商银行
keys BTab
clear_box
type_text "1002."
keys F8
wait_for "1002.01  银行存款_中国工商银行" "the new name in the account's list"
keys Escape
change "UPDATE accounts SET name = '工商银行' WHERE number = '1002.01'" ||
  fail "the change back"
type_text "01"
keys Tab
poll "the name as it was" account_is 1002.01 银行存款_工商银行
quit_session
SESSION=e2e

# A ledger that cannot be opened stops glvoucher before the form, with its cause. Root
# reads any file, so the unreadable one is left out for root.
if on_file; then
  bad=$WORK/bad
  mkdir -p "$bad/dir.ledger" && : >"$bad/empty.ledger" && echo "no" >"$bad/text.ledger"
  head -c 40000 "$LEDGER" >"$bad/cut.ledger"
  cp "$LEDGER" "$bad/v7.ledger" && cp "$LEDGER" "$bad/locked.ledger" && chmod 000 "$bad/locked.ledger"
  sqlite3 "$bad/v7.ledger" "UPDATE meta SET value = '7' WHERE key = 'schema_version'"
  cp "$LEDGER" "$bad/view.ledger"
  sqlite3 "$bad/view.ledger" "ALTER TABLE accounts RENAME TO a; CREATE VIEW accounts AS WITH
    RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i AS id FROM n"
  [ "$(id -u)" -eq 0 ] && locked="" || locked="locked:没有权限读取"
  for case in missing:文件不存在 dir:这是一个目录 empty:文件是空的 text:这不是账套文件 \
    cut:文件已损坏或不完整 "v7:账套结构版本是 7" \
    "view:账套的表结构不对（wrong schema: accounts is a view, not a table）" $locked; do
    file=$bad/${case%%:*}.ledger
    "$GLVOUCHER" --ledger "$file" </dev/null >/dev/null 2>"$WORK/bad.err" && fail "glvoucher opened $file"
    grep -F -q "无法打开账套 $file：${case#*:}" "$WORK/bad.err" && [ "$(wc -l <"$WORK/bad.err")" = 1 ] ||
      fail "one message for $file: $(cat "$WORK/bad.err")"
  done
fi

# A voucher of two lines, on a copy of the ledger file or on the server's ledger: its header
# typed before its first cell (a date as bookkeepers write it, the word chosen by Down, a
# count of attachments), an account with an item chosen by a point, a bank account found by
# F9, amounts; refused while it does not balance, saved under number 1 of its word and
# month, opened again by its number.
# The drafts kept (drafts_are N: there are N; set aside with ENDING .aside), and the question
# that offers one.
drafts() { find "$WORK/state/glnamelist/drafts" -name "*${1:-.draft}" 2>/dev/null | wc -l; }
drafts_are() { [ "$(drafts "${2:-}")" = "$1" ]; }
draft_question="有上次没有保存的凭证，接着录入吗？（Y 录入 N 放一边 D 删除 Esc 下次）"
vouchers=$LEDGER
if on_file; then
  vouchers=$WORK/vouchers.ledger
  cp "$LEDGER" "$vouchers"
fi
if on_file || on_server; then
  SESSION=voucher PAGE=voucher
  start "" "" "$vouchers"
  shows "摘要" && shows "核算项目" && shows "贷方" && shows "字（保存时编号）" ||
    fail "the voucher's header and the titles of its columns"
  keys BTab
  clear_box
  type_text "两张"
  keys Tab
  wait_for "附件数“两张”不对" "a count of attachments that is none, refused"
  keys Escape
  wait_for "[0    ]" "Esc puts back the count the voucher has"
  clear_box
  type_text "2"
  keys BTab Down BTab
  clear_box
  type_text "2026/11/3"
  keys Tab
  wait_for "[2026-11-03 ]" "the date as the voucher keeps it"
  keys Tab Tab
  type_text "付货款"
  keys Tab
  wait_for "库存现金" "the box over the account cell lists the accounts"
  type_text "2202"
  keys Tab
  wait_for "核算类别: 供应商" "the item class filled from the account, named beside it"
  keys Tab
  type_text "01."
  wait_for "宝山钢铁股份有限公司" "a point in the item cell lists the items of the line's class"
  keys Down Enter
  wait_gone "鞍山钢铁集团公司" "the item chosen closes its list"
  wait_for "01.001" "the chosen item in its cell"
  keys Tab
  type_text "1,000"
  keys Space
  wait_for "贷方合计 1,000.00" "Space moves the amount to the other side"
  keys Space
  wait_for "借方合计 1,000.00" "and back"
  keys Tab Tab
  type_text ".."
  keys Tab
  type_text "工商"
  keys F9
  wait_for "查找结果" "F9 in the account cell finds by name"
  keys Enter
  wait_for "1002.01" "the account found, in its cell"
  poll ".. takes the explanation of the line above" matches "2 付货款 *1002.01"
  keys Tab Tab
  type_text "900"
  keys F5
  wait_for "没有保存：借贷不平衡" "an unbalanced voucher is refused, saying why"
  wait_for "差额 100.00" "the difference under the grid"
  keys BSpace BSpace BSpace
  type_text "="
  wait_for "贷方合计 1,000.00" "= balances the voucher"
  wait_for "人民币大写：壹仟元整" "the total in capitals"
  shows "制单人：" || fail "the preparer under the totals"
  keys C-s
  wait_for "已保存：收字第 1 号（2026-11）" "the voucher is saved under its number"
  wait_gone "1002.01" "a new voucher begins"
  # The month's vouchers: back from a new one is the last, on is none; F11 lists them on a
  # screen of their own, filtered as typed; Ctrl-K asks before voiding.
  keys C-PPage
  wait_for "已打开凭证 2026-11 收字第 1 号" "Ctrl-PgUp from a new voucher opens the month's last"
  keys C-NPage
  wait_for "已是本月最后一张凭证" "Ctrl-PgDn after the last"
  keys F11
  wait_for "1 张凭证，合计 1,000.00" "F11 lists the month's vouchers with their sum"
  shows "2026-11-03  收    1          1,000.00  付货款" || fail "the voucher's row in the list"
  type_text "¥5"
  wait_for "0 张凭证，合计 0.00" "the list filtered by an amount"
  keys Escape
  wait_for "字第 1 号" "Esc goes back to the voucher"
  keys C-k
  wait_for "作废这张凭证吗？" "Ctrl-K asks before voiding"
  keys n
  wait_gone "作废这张凭证吗？" "N keeps the voucher as it is"
  keys F6
  wait_for "打开凭证" "F6 asks for a number"
  type_text "1"
  keys Enter
  wait_for "已打开凭证 2026-11 收字第 1 号" "the saved voucher is opened by its number"
  screen_text | grep -q "日期 \[2026-11-03 *\] .*凭证字 \[收 *\] 字第 1 号 .*附件 \[2 *\] 张" ||
    fail "its header, as saved"
  screen_text | grep -q "2202 .* 002 .* 01.001 .*1,000.00" || fail "its first line, as saved"
  screen_text | grep -q "1002.01 .*1,000.00" || fail "its second line, as saved"
  [ "$(drafts)" = 0 ] || fail "no draft once saved"
  # The form's own save is no change of the master data: its look-ups go on.
  keys Tab
  wait_for "科目: 应付账款" "a saved line's account named after the save"
  keys BTab
  # A change typed into it survives a killed form: offered on the next start, and taken.
  type_text "再付"
  poll "the change kept as a draft" drafts_are 1
  kill -9 "$(cat "$WORK/pid")"
  poll "the killed form's session ends" test -s "$WORK/voucher.status"
  $TMUX_CMD kill-session -t voucher 2>/dev/null
  rm -f "$WORK/voucher.status"
  start "" "" "$vouchers"
  wait_for "$draft_question" "the draft is offered"
  hides "/ 共 " || fail "a list over the question"
  keys y
  wait_for "已恢复上次没有保存的凭证" "the draft taken"
  shows "付货款再付" && shows "字第 1 号" || fail "the draft as it was typed, of voucher 1"
  # Its changes given up after a question: the voucher as saved; then a new one.
  keys F7
  wait_for "放弃对这张凭证的修改吗？（Y/N）" "F7 asks before giving up the changes"
  keys y
  wait_for "已放弃修改，回到已保存的凭证" "the changes given up"
  hides "付货款再付" || fail "the voucher as saved, without the change"
  # A helper code two detail accounts have, with Enter: both listed, the one chosen taken.
  keys Tab
  clear_box
  type_text "yfzk"
  keys Enter
  wait_for "助记码 yfzk 有 2 个科目（1123、2202）：请选择" "a helper code of two accounts"
  wait_for "2202  应付账款" "the candidates listed without F9"
  keys Down Enter
  wait_gone "查找结果" "the account chosen"
  keys Enter
  wait_for "核算类别: 供应商" "on to its item class"
  keys C-n
  wait_for "开始录入新凭证" "Ctrl-N begins a new voucher"
  wait_gone "1002.01" "the new voucher is empty"
  # Enter through the lists that drop down on entering the cells books nothing.
  wait_for "共 15 行" "the explanations drop down on entering the first cell"
  keys Enter
  wait_for "库存现金" "Enter moves on to the account cell, its list down"
  keys Enter
  wait_gone "第 1 行 /" "at the debit cell (no account opens no more), no list"
  screen_text | grep -q "^ *1 *$" || fail "Enter through untouched lists booked nothing"
  # An amount: refused at once when it is none, the message gone with the next digit; the
  # number pad in application mode types digits; shown whole at 80 and 200 columns.
  type_text "12a"
  wait_for "借方只能填金额：“12a”不是数字" "a bad amount, refused at once"
  keys KP3
  wait_gone "只能填金额" "the message goes with its cause"
  keys BSpace BSpace BSpace KP1 KP2 3 4 5 6 7 8 . 9 0 KPEnter
  wait_for "12,345,678.90" "application-keypad digits type digits, the amount written whole"
  $TMUX_CMD resize-window -t "$SESSION" -x 200 -y 24
  wait_for "12,345,678.90" "the amount whole at 200 columns"
  $TMUX_CMD resize-window -t "$SESSION" -x 80 -y 24
  # Lines by the arrow keys; Esc gives back what a cell held; a header box's text is
  # replaced by what is typed; a day alone is one of the voucher's month.
  keys Up Down
  cursor_row() { [ "$(cursor | cut -d' ' -f3)" = "$1" ]; }
  poll "Down from line 1 reaches line 2" cursor_row 5
  keys Up Home
  wait_for "共 15 行" "Up and Home: the first cell of line 1, its list down"
  keys Escape
  poll "Esc closes the list, the caret in line 1" cursor_row 4
  type_text "付款"
  keys Escape
  wait_gone "付款" "Esc gives back what the cell held"
  keys BTab
  type_text "3"
  wait_for "[3    ]" "the attachments typed over, not appended"
  keys BTab BTab
  type_text "7"
  keys Tab
  wait_for "[2026-11-07 ]" "a day alone: the voucher's month and year"
  keys F6
  wait_for "转 2" "the prompt says what to type"
  keys Escape
  # Leaving with changes asks: Esc goes back, N leaves without saving.
  keys F10
  wait_for "保存吗？（Y 保存 / N 不保存 / Esc 返回）" "F10 with changes asks"
  keys Escape
  wait_gone "保存吗？" "Esc goes back to the voucher"
  ! test -s "$WORK/voucher.status" || fail "the form ended after going back"
  keys F10 n
  poll "glvoucher on the voucher did not end" test -s "$WORK/voucher.status"
  # A new form of the first window: nothing kept of the voucher left without saving.
  $TMUX_CMD kill-session -t voucher 2>/dev/null
  rm -f "$WORK/voucher.status"
  start "" "" "$vouchers"
  wait_for "共 15 行" "the explanations drop down in a new form"
  hides "有上次" || fail "a voucher left without saving offered as a draft"

  # Two windows of the ledger keep a draft each: the second never offers the first's; both
  # stay after a kill -9 of either, and a form started later offers them one by one, Esc
  # and N keeping each, and D only after a second question. While both windows are open,
  # another program's 60 writes all go through.
  type_text "窗口一"
  poll "the first window's draft" drafts_are 1
  first=$(cat "$WORK/pid")
  SESSION=voucher2
  start "" "" "$vouchers"
  hides "有上次" || fail "a live window's draft offered"
  type_text "窗口二"
  poll "the second window's own draft" drafts_are 2
  if on_file; then
    failed=0
    for i in $(seq 60); do
      sqlite3 "$vouchers" "PRAGMA user_version = $i" 2>/dev/null || failed=$((failed + 1))
    done
    [ "$failed" = 0 ] || fail "$failed of 60 writes of another program failed"
  fi
  kill -9 "$(cat "$WORK/pid")"
  poll "the killed second form's session ends" test -s "$WORK/voucher2.status"
  SESSION=voucher3
  start "" "" "$vouchers"
  wait_for "$draft_question" "the killed window's draft offered"
  hides "/ 共 " || fail "a list over the question"
  keys Escape
  wait_gone "有上次没有保存的凭证" "Esc leaves the draft for later"
  hides "窗口二" && drafts_are 2 || fail "the draft left as it was"
  quit_session
  kill -9 "$first"
  poll "the killed first form's session ends" test -s "$WORK/voucher.status"
  SESSION=voucher4
  start "" "" "$vouchers"
  wait_for "$draft_question" "the drafts of both windows offered"
  keys n
  poll "N sets a draft aside" drafts_are 1 .aside
  wait_for "$draft_question" "then the next draft is offered"
  keys Escape
  wait_gone "有上次没有保存的凭证" "Esc leaves the next one for later"
  hides "窗口" || fail "a draft taken by Esc"
  keys C-d
  wait_for "有放到一边的草稿，接着录入吗？" "Ctrl-D offers the draft set aside"
  keys d
  wait_for "删除这张草稿吗？删除以后不能恢复（Y/N）" "D asks before deleting"
  keys n Escape
  wait_gone "草稿，接着录入吗" "the draft set aside, kept"
  drafts_are 1 .aside && drafts_are 1 || fail "both windows' drafts kept"
  keys F10
  poll "glvoucher on the voucher did not end" test -s "$WORK/voucher4.status"
  rm -f "$WORK/state/glnamelist/drafts/"*
  SESSION=e2e PAGE=boxes
fi

# A voucher of two lines that balances, typed from its first cell.
balanced_voucher() {
  type_text "迟"
  keys Tab
  type_text "1001"
  keys Tab
  type_text "5"
  keys Tab Tab
  type_text "迟"
  keys Tab
  type_text "1002.01"
  keys Tab Tab
  type_text "5"
}

# Another program holds the ledger file locked for 5 s while the clerk saves: the first F5
# may say so, the next one once the lock is gone saves the voucher, once.
if on_file; then
  SESSION=busy PAGE=voucher
  busy=$WORK/busy.ledger
  cp "$LEDGER" "$busy"
  start "" "" "$busy"
  vouchers_in() { [ "$(sqlite3 -cmd ".timeout 10000" "$busy" "SELECT count(*) FROM vouchers")" = "$1" ]; }
  balanced_voucher
  (printf '.timeout 10000\nBEGIN EXCLUSIVE;\n' && sleep 5 && printf 'COMMIT;\n') | sqlite3 "$busy" &
  locker=$!
  is_busy() { ! sqlite3 "$busy" "BEGIN IMMEDIATE; ROLLBACK" >/dev/null 2>&1; }
  poll "the other program's lock" is_busy
  keys F5
  wait_for "账套文件被其他程序锁住了" "the lock, told"
  wait $locker
  keys F5
  wait_for "已保存：记字第 1 号" "the next F5 once the lock is gone saves"
  poll "the voucher stored once" vouchers_in 1
  quit_session
  SESSION=e2e PAGE=boxes
fi

# A save whose commit's answer comes after the form's wait (a synchronous standby that is
# not there), then tried again: stored once. One killed while that answer is on its way:
# its draft, taken by the next form and saved, is found stored and not stored again.
if on_server; then
  psql_run() { psql -X -q -A -t -d "$LEDGER" -c "$1"; }
  standby() {
    psql_run "ALTER SYSTEM SET synchronous_standby_names = '$1'" &&
      psql_run "SELECT pg_reload_conf()" >/dev/null
  }
  stored() { [ "$(psql_run "SELECT count(*) FROM vouchers")" = "$1" ]; }
  waiting_commit() {
    [ "$(psql_run "SELECT count(*) FROM pg_stat_activity WHERE wait_event = 'SyncRep'")" = 1 ]
  }
  before=$(psql_run "SELECT count(*) FROM vouchers")
  SESSION=late PAGE=voucher
  start "PGOPTIONS=-csynchronous_commit=on" "" "$LEDGER"
  standby nobody
  balanced_voucher
  keys F5
  wait_for "不知道是否已保存：账套服务器没有回应" "a commit answered late, told as such"
  keys F5
  wait_for "已保存：记字第" "the retry finds the voucher stored"
  stored $((before + 1)) || fail "the late commit stored once"
  balanced_voucher
  keys F5
  poll "the commit waiting for its answer" waiting_commit
  kill -9 "$(cat "$WORK/pid")"
  standby ""
  poll "the killed form's commit stored" stored $((before + 2))
  SESSION=late2
  start "" "" "$LEDGER"
  wait_for "有上次的草稿，它可能已经保存：接着录入吗？" "the killed form's draft offered, never called unsaved"
  keys y F5
  wait_for "已保存：记字第" "the draft found stored"
  stored $((before + 2)) || fail "the draft of a stored voucher stored again"
  quit_session

  # A clerk's role limited to one connection lists and saves: the form holds one. Each fault
  # of a save is told in its own words on the first F5, the server's notices never over the
  # form; after a restart of the server one F5 saves.
  psql_run "CREATE ROLE clerk LOGIN PASSWORD '$PGPASSWORD' CONNECTION LIMIT 1;
    GRANT SELECT ON ALL TABLES IN SCHEMA public TO clerk" >/dev/null
  clerks() { [ "$(psql_run "SELECT count(*) FROM pg_stat_activity WHERE usename = 'clerk'")" = "$1" ]; }
  end_clerks() { psql_run "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = 'clerk'" >/dev/null; }
  SESSION=clerk
  start "" "" "$LEDGER user=clerk"
  clerks 1 || fail "the form holds one connection"
  balanced_voucher
  keys F5
  wait_for "这个用户只能查看账套，没有写入" "no right to write, told on the first try"
  psql_run "GRANT INSERT ON vouchers, voucher_lines TO clerk; REVOKE SELECT ON vouchers FROM clerk"
  keys F5
  wait_for "这个用户没有读取账套的权限" "no right to read, told on the first try"
  # The form makes its connection again as soon as it can; a role that may have none left
  # meets the server's refusal on the save's connection.
  psql_run "GRANT SELECT ON vouchers TO clerk; ALTER ROLE clerk CONNECTION LIMIT 0"
  end_clerks
  keys F5
  wait_for "账套服务器不再接受新的连接" "too many connections, told on the first try"
  hides "连接断了" || fail "a session the server ended told as a lost connection"
  psql_run "ALTER ROLE clerk VALID UNTIL '2000-01-01'; ALTER ROLE clerk CONNECTION LIMIT 1"
  end_clerks
  keys F5
  wait_for "服务器不再接受这个用户的密码" "an expired password, told on the first try"
  hides "FATAL" && grep -q "^glnamelist: server: terminating connection" "$WORK/stderr" ||
    fail "the server's notice over the form, not in the log"
  psql_run "ALTER ROLE clerk VALID UNTIL 'infinity'"
  keys F5
  wait_for "已保存：记字第" "the clerk saves on the one connection"
  stored $((before + 3)) || fail "the clerk's voucher stored once"
  number=$(screen_text | sed -n 's/.*已保存：记字第 \([0-9]*\) 号.*/\1/p')
  balanced_voucher
  $owner "$bindir/pg_ctl" -D "$GLNAMELIST_PG_DIR/data" -m fast -w restart >/dev/null 2>&1 ||
    fail "the server did not restart"
  keys F5
  wait_for "已保存：记字第 $((number + 1)) 号" "one F5 after a restart of the server saves"
  stored $((before + 4)) || fail "the voucher after the restart stored once"
  clerks 1 || fail "one connection after the restart"
  quit_session
  SESSION=e2e PAGE=boxes
fi

# Its arguments: help on standard output, a wrong call on standard error with status 2.
"$GLVOUCHER" -h >"$WORK/out" && "$GLVOUCHER" --help >>"$WORK/out" &&
  [ "$(grep -c "^usage: glvoucher \[--ledger PATH\] \[--boxes\]$" "$WORK/out")" = 2 ] || fail "--help"
for args in --ledger "--ledger x --bogus" "ledger x"; do
  # shellcheck disable=SC2086 # the words of args are the arguments
  "$GLVOUCHER" $args </dev/null >"$WORK/out" 2>"$WORK/bad.err"
  [ $? -eq 2 ] && [ ! -s "$WORK/out" ] && grep -q "^usage: glvoucher" "$WORK/bad.err" ||
    fail "glvoucher $args: usage and status 2"
done

# F10 closes the program cleanly.
keys F10
status=$WORK/e2e.status
poll "glvoucher did not end" test -s "$status"
[ "$(cat "$status")" = "exit 0" ] || fail "glvoucher did not end cleanly: $(cat "$status")"
! on_file || [ "$(cksum <"$LEDGER")" = "$ledger_sum" ] || fail "the ledger changed"
if grep -q -E "ERROR|runtime error" "$WORK/stderr"; then fail "errors on standard error"; fi
echo "PASS"
