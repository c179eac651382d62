#!/usr/bin/env bash
# Starts the game, waits until its window is up and drawing, asks it to stop with SIGTERM and expects a clean,
# prompt exit with status 0, no sanitizer report and the user folders in place. Prompt means without waiting for
# threads: the configured wait for them is a minute, so a shut-down that waited would still run 10 s later. Then
# starts it where no OpenGL window can be made and expects status 1, no sanitizer report and the bindings file
# left as it was.
set -u
program="$1"
. "$(dirname "$0")/common.sh"
mkdir -p "$user/Config"
printf '[Engine]\r\nDeadlockCheckTime: 60\r\n' >"$user/Config/Config.ini"

fail() { echo "FAIL: $*"; echo "--- program output ---"; cat "$work/out.txt"; exit 1; }

"$program" >"$work/out.txt" 2>&1 &
pid=$!

# The window appears before start-up is over; the loop draws once its picture is not black.
wait_for_window
wait_for_picture
kill -0 "$pid" 2>/dev/null || fail "the program ended on its own"

kill -TERM "$pid"
start=$(date +%s%N)
wait_for_exit 10
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))

[ "$status" -eq 0 ] || fail "exit status $status"
expect_no_sanitizer_report
for folder in Mods Maps Saves; do
  [ -d "$user/$folder" ] || fail "the user folder $folder was not made"
done
grep -q "DeadlockCheckTime: 60" "$user/Config/Config.ini" || fail "the configured thread wait was not kept"

bindings="$user/Config/ControlBindings.bnd"
[ -f "$bindings" ] || fail "no bindings file was written"
cp "$bindings" "$work/bindings.before"
SDL_VIDEODRIVER=dummy timeout 60 "$program" >"$work/out.txt" 2>&1
status=$?
[ "$status" -eq 1 ] || fail "a start-up without a window exited with status $status"
expect_no_sanitizer_report
cmp -s "$bindings" "$work/bindings.before" || fail "a failed start-up rewrote the bindings file"
echo "exited with 0, ${elapsed_ms} ms after SIGTERM; a failed start-up exited with 1"
