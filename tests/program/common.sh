# Sourced by the program tests. Sets up a temporary folder ($work, removed on exit) holding the user folders
# (XDG_DATA_HOME and HOME point into it), audio through SDL's dummy driver, and the game's user folder in $user.
# The functions work on the program started as $pid and call the sourcing script's own fail.
title="Quandrel Tarnvow"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data"
export HOME="$work/home"
mkdir -p "$XDG_DATA_HOME" "$HOME"
export SDL_AUDIODRIVER=dummy
user="$XDG_DATA_HOME/Brasswick/$title"

# Waits up to 30 s for the program's window; its id in $wid.
wait_for_window() {
  wid=""
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its window appeared"
    wid=$(xdotool search --name "^$title\$" 2>/dev/null | head -1)
    [ -n "$wid" ] && return 0
    sleep 0.1
  done
  kill -KILL "$pid"
  fail "no window within 30 s"
}

# Waits up to $1 seconds for the program to end after SIGTERM; its exit status in $status.
wait_for_exit() {
  for _ in $(seq 1 $(($1 * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fail "still running $1 s after SIGTERM"; fi
  wait "$pid"
  status=$?
}

# Fails when the program's output holds a sanitizer report.
expect_no_sanitizer_report() {
  if grep -q -E "ERROR: (Address|Leak)Sanitizer|runtime error:" "$work/out.txt"; then fail "sanitizer report"; fi
}
