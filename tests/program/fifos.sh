#!/usr/bin/env bash
# FIFOs where the program writes its logs ("Logs/DebugLog_Safe.txt", "Logs/DebugLog_Fast.txt") and its saved game
# ("Saves/Autosave.wsg"): no reader ever comes, so a program that opened them as files would wait for good. The
# program must start, draw, name each log it cannot write and end with status 0 within a bounded time of SIGTERM.
# Usage: fifos.sh PROGRAM
set -u
program="$1"
. "$(dirname "$0")/common.sh"
fail() { echo "FAIL: $*"; echo "--- program output ---"; cat "$work/out.txt"; exit 1; }

mkdir -p "$user/Logs" "$user/Saves"
for fifo in Logs/DebugLog_Safe.txt Logs/DebugLog_Fast.txt Saves/Autosave.wsg; do
  mkfifo "$user/$fifo" || fail "no FIFO could be made"
done

"$program" >"$work/out.txt" 2>&1 &
pid=$!
wait_for_window
# Past the splash and into the title menu, where the saved game is looked for: keys are taken once the splash is
# drawn, and the game is paused under the menu once the menu is built. The logs' lines go to standard error.
wait_for_picture
xdotool search --name "^$title\$" windowfocus --sync >/dev/null 2>&1
xdotool keydown Return; sleep 0.3; xdotool keyup Return
wait_for_line "$work/out.txt" ": Paused"
kill -0 "$pid" 2>/dev/null || fail "the program ended on its own"
grep -q ": Paused" "$work/out.txt" || { kill -KILL "$pid"; fail "the title menu did not come up within 30 s"; }
kill -TERM "$pid"
wait_for_exit 30
[ "$status" -eq 0 ] || fail "exit status $status"
expect_no_sanitizer_report
for log in DebugLog_Safe.txt DebugLog_Fast.txt; do
  grep -q "$log is not a regular file" "$work/out.txt" || fail "$log was not named"
  [ -p "$user/Logs/$log" ] || fail "$log was replaced"
done
echo "FIFOs at both logs and the saved game: the program ran, named the logs and quit on SIGTERM"
