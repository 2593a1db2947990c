#!/bin/sh
# glvoucher-qt --screenshot, the program itself: the README's picture (the account box with
# 1002's children dropped down) is a PNG of a plausible size that the keys changed (what it
# holds, window by window, is checked by qt_host_test on the same code); a ledger that
# cannot be opened gives one line and exit status 1.
#   glvoucher_qt_screenshot.sh GLVOUCHER_QT LEDGER OUT.png
set -eu
program=$1 ledger=$2 out=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Qt wants a runtime folder of the user's own; without one it says so on standard error.
# The ledgers opened last are written to the scratch folder, not to the user's settings.
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$scratch" XDG_CONFIG_HOME="$scratch"
rm -f "$out"
"$program" --ledger "$ledger" --screenshot "$out" --keys '<Tab>1002.'
[ "$(head -c 8 "$out" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || {
  echo "not a PNG: $out" >&2; exit 1; }
size=$(wc -c < "$out")
[ "$size" -gt 20000 ] || { echo "too small to show the form: $size bytes" >&2; exit 1; }
"$program" --ledger "$ledger" --screenshot "$scratch/plain.png"
! cmp -s "$out" "$scratch/plain.png" || { echo "the keys changed nothing in $out" >&2; exit 1; }

missing=$scratch/none.ledger
status=0
said=$("$program" --ledger "$missing" 2>&1 >/dev/null) || status=$?
[ "$status" -eq 1 ] || { echo "exit status $status for a missing ledger" >&2; exit 1; }
[ "$said" = "无法打开账套 $missing：文件不存在" ] || { echo "said: $said" >&2; exit 1; }
echo "ok: $out ($size bytes)"
