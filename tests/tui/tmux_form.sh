# The helpers of the terminal form's end-to-end scripts, sourced by them: the form runs in a
# tmux session ($TMUX_CMD, session $SESSION), its stderr in $WORK/stderr; every wait polls
# for what it expects (../poll.sh). A script may define on_fail, run before a failure is
# told (to resume what it stopped).

fail() {
  command -v on_fail >/dev/null 2>&1 && on_fail
  echo "FAIL: $1"
  echo "---- screen ----"
  $TMUX_CMD capture-pane -p -t "$SESSION" 2>/dev/null
  echo "---- stderr ----"
  cat "$WORK/stderr"
  exit 1
}

. "$(dirname "$0")/../poll.sh"

screen_text() { $TMUX_CMD capture-pane -p -t "$SESSION"; }
shows() { screen_text | grep -F -q -- "$1"; }
hides() { ! shows "$1"; }
# styled SGR TEXT: TEXT is on the screen right after the attribute sequence ESC [ SGR m.
styled() { $TMUX_CMD capture-pane -p -e -t "$SESSION" | grep -q "$(printf '\033')\[$1m$2"; }
wait_for() { poll "$2: \"$1\" not on the screen" shows "$1"; }
wait_gone() { poll "$2: \"$1\" still on the screen" hides "$1"; }
# matches PATTERN: a line of the screen matches the regular expression.
matches() { screen_text | grep -q -- "$1"; }
# account_is CODE NAME: the account box holds CODE and its name beside it is NAME.
account_is() { screen_text | grep -q -E -- "科目 +\[$1 +\] $2"; }

keys() { $TMUX_CMD send-keys -t "$SESSION" "$@"; }
type_text() { $TMUX_CMD send-keys -t "$SESSION" -l -- "$1"; }
