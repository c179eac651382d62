#!/usr/bin/env bash
# Starts the game and watches its opening: the splash reaches the screen (the window's picture is not black), a
# held Enter skips it, and after a SIGTERM "DebugLog_Safe.txt" holds the session report's blocks. Keys go to the
# focused window, so the script takes the X server's input turn, the lock the input tests share.
set -u
program="$1"
. "$(dirname "$0")/common.sh"
log="$user/Logs/DebugLog_Safe.txt"

pid=""
fail() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  echo "FAIL: $*"; echo "--- program output ---"; cat "$work/out.txt"
  echo "--- safe log ---"; cat "$log" 2>/dev/null; exit 1
}

exec 9>"/tmp/rolt-xinput$(printf '%s' "${DISPLAY:-}" | tr '/:' '__').lock"
flock -w 60 9 || fail "no turn at the X server's input within a minute"

"$program" >"$work/out.txt" 2>&1 &
pid=$!
wait_for_window

# The splash fades in over half a second; its picture is on screen once the window is no longer black.
mean=0
for _ in $(seq 1 100); do
  if import -window "$wid" "$work/shot.png" 2>/dev/null; then
    mean=$(convert "$work/shot.png" -format "%[fx:mean]" info:)
    awk "BEGIN { exit !($mean > 0.002) }" && break
  fi
  sleep 0.1
done
awk "BEGIN { exit !($mean > 0.002) }" || fail "the window stayed black (mean brightness $mean)"
grep -q "Splash played" "$log" 2>/dev/null && fail "the splash ended before the key could skip it"

# Keys are read once a frame: Enter is held for several.
xdotool windowraise "$wid" windowfocus --sync "$wid" 2>/dev/null
xdotool keydown Return; sleep 0.3; xdotool keyup Return
skipped=""
for _ in $(seq 1 50); do
  grep -q "Splash skipped" "$log" 2>/dev/null && { skipped=1; break; }
  sleep 0.1
done
[ -n "$skipped" ] || fail "Enter did not skip the splash"

kill -TERM "$pid"
wait_for_exit 10
pid=""
[ "$status" -eq 0 ] || fail "exit status $status"
for line in "[Session]" "[User]" "GLRenderer=" "[PlayerStats]" "[SessionShutdown]" "FramesDrawn="; do
  grep -qF ": $line" "$log" || fail "the safe log has no \"$line\""
done
echo "splash on screen (mean brightness $mean), skipped by Enter; the report is in the safe log"
