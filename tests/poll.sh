# Waits of the tests' shell scripts, sourced by them: each polls for what it expects, at most
# $WAIT_STEPS times 0.05 s, and calls the script's fail with what it waited for.

# poll WHAT COMMAND...: runs COMMAND until it succeeds; fails with WHAT when it never does.
poll() {
  what=$1
  shift
  i=0
  until "$@"; do
    [ $i -lt $WAIT_STEPS ] || fail "$what"
    sleep 0.05
    i=$((i + 1))
  done
}

# gone PID: true once the process has ended (a zombie has).
gone() { ! kill -0 "$1" 2>/dev/null || grep -q ') Z' "/proc/$1/stat" 2>/dev/null; }
