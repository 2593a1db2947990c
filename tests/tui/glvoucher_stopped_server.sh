#!/bin/sh
# End-to-end test of the terminal form over a server that stops answering: the processes of
# the throwaway server (pg_cluster.sh) are stopped (SIGSTOP) under a form, which must say
# what it waits for, keep the keys typed meanwhile and run them once the wait ends, give a
# wait up on Esc, and end on F10 at once while the server is still stopped; a save too. The
# server is always resumed (SIGCONT), however the script ends.
#
#   glvoucher_stopped_server.sh GLVOUCHER LEDGER
#
# LEDGER is a ledger on the server of GLNAMELIST_PG_DIR. Every wait polls for what it
# expects; the time F10 takes is printed.
set -u
GLVOUCHER=$1
LEDGER=$2
WORK=$(mktemp -d)
TMUX_CMD="tmux -L glvoucher-stopped-$$ -f /dev/null"
SESSION=stopped
WAIT_STEPS=400 # polls of 0.05 s: a bounded wait
STOPPED=""

resume() {
  [ -n "$STOPPED" ] && kill -CONT $STOPPED 2>/dev/null
  STOPPED=""
}
cleanup() {
  resume
  $TMUX_CMD kill-server >/dev/null 2>&1
  [ -s "$WORK/pid" ] && kill -9 "$(cat "$WORK/pid")" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

on_fail() { resume; }
. "$(dirname "$0")/tmux_form.sh"
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Every process of the server: the postmaster and its children.
freeze() {
  postmaster=$(head -1 "$GLNAMELIST_PG_DIR/data/postmaster.pid")
  STOPPED="$postmaster $(pgrep -P "$postmaster" | tr '\n' ' ')"
  kill -STOP $STOPPED || fail "the server's processes not stopped"
}

# Starts the form in a tmux session of its own, with the options given.
start() {
  SESSION=$1
  shift
  $TMUX_CMD new-session -d -s "$SESSION" -x 80 -y 24 \
    "env LANG=C.UTF-8 LC_ALL=C.UTF-8 TERM=tmux-256color XDG_STATE_HOME='$WORK/state' \
       XDG_CACHE_HOME='$WORK/cache' sh -c 'echo \$\$ >\"\$2/pid\";
       exec \"\$0\" --ledger \"\$1\" $* 2>>\"\$2/stderr\"' '$GLVOUCHER' '$LEDGER' '$WORK'" ||
    fail "tmux did not start"
}
# F10 ends the form while the server is stopped: how long it took is printed.
ends_at_once() {
  pid=$(cat "$WORK/pid")
  started=$(now_ms)
  keys "$@"
  poll "F10 ends the form while the server is stopped" gone "$pid"
  took=$(($(now_ms) - started))
  echo "F10 ended the form in $took ms with the server stopped ($1)"
  resume
  [ "$took" -le 3000 ] || fail "F10 took $took ms"
}

start boxes --boxes
wait_for "结算方式" "the form starts"
wait_gone "载入中" "every list attached once its data is read"
keys F2 # no listing on entering or typing: the look-ups of the typed code read the server
keys Tab
type_text "1001"
poll "a name from the server" account_is 1001 库存现金

# The full name of a code typed waits for the stopped server: the form says so, keeps the
# keys typed meanwhile, and Esc gives the wait up: the keys kept run, in order, without the
# server; once the server answers again, the next key looks the code up.
freeze
keys BSpace BSpace BSpace BSpace
type_text "1002"
wait_for "正在等待账套服务器：查找科目…  Esc 放弃" "the wait for the server, told"
type_text "."
keys Escape
wait_for "已放弃等待账套的回应" "the wait given up"
shows "[1002. " && hides "正在等待" || fail "the keys typed while the form waited, run in order"
resume
type_text "01"
poll "the next key looks the code up again" account_is 1002.01 银行存款_工商银行
wait_gone "已放弃等待" "the word of the wait given up goes once the server answers"

# A listing that reads the server (the SubMes entries of a class) waits for it, and F10
# while it waits ends the form at once.
keys Tab Tab
type_text "001"
keys Tab Tab Tab Tab
freeze
keys F8
wait_for "正在等待账套服务器：列出明细分类" "the listing's wait, told"
ends_at_once F10

# A save waits for the stopped server as a read does: the form says so and keeps the keys
# typed meanwhile; Esc gives the wait up in words that do not say the voucher was not
# saved, and F5, once the server answers, stores it once. F10 in a save's wait asks
# without saying it was not saved; Y ends the form at once and keeps the draft.
vouchers() { psql -X -q -t -A -d "$LEDGER" -c "SELECT count(*) FROM vouchers"; }
vouchers_are() { [ "$(vouchers)" = "$1" ]; }
drafts_are() { [ "$(find "$WORK/state" -name '*.draft' | wc -l)" = "$1" ]; }
# A balanced voucher of two lines, from 1001 to 1002.01.
two_lines() {
  type_text "$1"
  keys Tab
  type_text 1001
  keys Tab
  type_text 10
  keys Tab Tab
  type_text "$1"
  keys Tab
  type_text 1002.01
  keys Tab Tab
  type_text "="
  wait_for "贷方合计 10.00" "the voucher balanced"
}
before=$(vouchers)
start voucher
wait_for "摘要" "the voucher form starts"
two_lines "收款"
keys F5
wait_for "已保存：记字第" "a voucher saved while the server answers"
two_lines "付款"
freeze
keys F5
wait_for "正在等待账套服务器：保存凭证…  Esc 放弃" "the save's wait, told"
keys Escape
wait_for "已放弃等待：不知道凭证是否已保存，按 F5 查看或重新保存" "the save given up"
hides "没有保存" && shows "付款" || fail "the voucher kept, not said to be unsaved"
resume
keys F5
wait_for "已保存：记字第" "the voucher saved once the server answers"
poll "the voucher stored once" vouchers_are $((before + 2))
two_lines "转账"
freeze
keys F5
wait_for "正在等待账套服务器：保存凭证" "the save's wait, told"
ends_at_once F10 y
vouchers_are $((before + 2)) || fail "the save stopped with the form stored nothing"
drafts_are 1 || fail "the draft of the voucher kept"
echo "PASS"
