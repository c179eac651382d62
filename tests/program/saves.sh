#!/usr/bin/env bash
# The whole program's saves and start-up under hostile conditions, each part a separate case:
#   session   - a session count at the largest int wraps to 0 and is saved, and values out of range stay as written;
#   signals   - SIGTERM before SDL starts (the program held there by gdb) and at random moments of start-up always
#               ends in an orderly exit with status 0;
#   content   - a missing, empty or cut "Engine.rpk" is named and the program exits with status 1;
#   kills     - SIGKILL at random moments of the shut-down saves, many times: the files are the old or the new,
#               never damaged, and no temporary file is left after the next start;
#   full-disk - with the settings on a full disk (a small tmpfs when root, else a file-size limit) the saves
#               fail, the old files stay whole and no temporary file is left;
#   display-lost - the X server (a private one) killed under the running program after a setting was changed in
#               the console: the session is saved as at a quit and the program exits with status 1.
#   stderr-gone - standard error on a pipe whose reader has gone, and lines written there (the fast log's, and a
#               failed screenshot reported after a setting was changed in the console): the program goes on, and
#               at the quit the session is saved and the program exits with status 0.
#   closed-streams - started with standard input, output and error closed, and a line for standard error at
#               once (a damaged effect in "Mods/"): the program runs, takes a setting from the console, and at the
#               quit saves it and exits with status 0.
#   two-copies - a second copy started on the user folder while a first holds it ends with a non-zero status
#               within a second and leaves every file of the folder as it was (one with the display, whose message
#               box waits, ends on SIGTERM, SIGINT and SIGHUP, its box with it); once the first is killed with
#               SIGKILL, a new copy starts, runs and saves as usual.
#   lock-stand-ins - with a folder, a FIFO or a symbolic link at "Running.lock", the lock's file, no copy starts:
#               each names what stands where and changes nothing; with a user folder that cannot be made (a FIFO at
#               its name, a plain file above it) the copy runs unlocked, as nothing can be written there, and
#               changes nothing.
#   network-locks - with the answers of a network home folder's locks (network_locks.cpp, preloaded): where an
#               exclusive lock needs a descriptor open for writing, the game runs and holds its lock, and a second
#               copy is refused; with a folder at "Running.lock" as well, no copy runs and each names it; where no
#               lock can be taken at all, the game runs and says so once, on standard error and in the safe log.
#   player-locks - as a player who is not root, where "Running.lock" cannot be opened for writing (a folder the
#               player may not write, another user's lock file, a read-only folder): the game runs and holds a lock,
#               and second copies, the player's and root's, are refused; where an exclusive lock needs a descriptor
#               open for writing (network_locks.cpp), it runs and says so once.
#   read-only - the user folder on a read-only file system: the game runs, locked, refuses a second copy, names its
#               logs with why they cannot be made, says each save that fails at the quit once on standard error,
#               and writes nothing; with no locks at all it says so once.
#   player-saves - as a player who is not root, a saved game left by another user that the player may not read:
#               the start names the reason, and the first checkpoint keeps it under a name of its own by a rename
#               (by a reserved name where the file system refuses renames that must not replace) and saves.
#   long-user-folder - a user folder of the longest path the README names (3,583 bytes) is locked, named and saved
#               like any.
#   no-user-folder - with neither XDG_DATA_HOME nor HOME set, or a folder the system refuses (a name in it over 255
#               bytes, or a path one byte over the longest), start-up says once that nothing will be saved, no file
#               is named as unreadable or unsaved, and nothing is written.
#   config-lines - a "Config.ini" with a zero byte in a comment, a bare header, a line of the longest key and
#               value and a section of 1,100 lines that no setting takes: the settings after the zero byte are
#               read, the player's lines come back at the save, and the lines over the bound are named in the safe
#               log while the program runs.
# Usage: saves.sh PROGRAM CASE [NETWORK_LOCKS_LIBRARY]
set -u
program="$1"
case_name="$2"
network_locks="${3:-}"
. "$(dirname "$0")/common.sh"
mounted=""
xvfb=""
cleanup() {
  [ -n "$mounted" ] && umount "$mounted" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
config="$user/Config/Config.ini"
bindings="$user/Config/ControlBindings.bnd"
mkdir -p "$user/Config"

fail() { echo "FAIL ($case_name): $*"; echo "--- program output ---"; cat "$work/out.txt" 2>/dev/null; exit 1; }

# Starts the program in the background (pid in $pid), with the variables given as NAME=VALUE arguments, and waits
# until its window is up.
start() {
  env "$@" "$program" >"$work/out.txt" 2>&1 &
  pid=$!
  wait_for_window
}

# Waits up to 30 s for the program to end; its exit status in $status.
finish() {
  wait_for_exit 30
  expect_no_sanitizer_report
}

run_once() { start; sleep 0.5; kill -TERM "$pid"; finish; [ "$status" -eq 0 ] || fail "exit status $status"; }

temporaries() { find "$user" -name '*.tmp' | wc -l; }

# True when the process $1 holds an exclusive flock on the user folder's lock file ("Running.lock").
holds_lock() {
  local inode
  inode=$(stat -c %i "$user/Running.lock" 2>/dev/null) || return 1
  grep -q -E "^[0-9]+: FLOCK +ADVISORY +WRITE +$1 +[0-9a-f]+:[0-9a-f]+:$inode " /proc/locks
}

# Holds each key longer than a frame; the window must have the focus.
press() {
  local steps=""
  for key in "$@"; do steps="$steps keydown $key sleep 0.15 keyup $key sleep 0.1"; done
  xdotool $steps || fail "xdotool could not press the keys"
}
# Opens the console, enters "set mastervolume 0.25" and closes it again.
set_volume_in_console() {
  press grave s e t space m a s t e r v o l u m e space 0 period 2 5 Return grave
}

# The setting set_volume_in_console changed is in "Config.ini".
expect_volume_saved() {
  grep -q "MasterVolume: 0.250000" "$config" || fail "the session's setting was not saved: $(grep MasterVolume "$config")"
}

# Every entry of the user folder with its type, size and modification time, and every file's hash.
snapshot() {
  (cd "$user" && find . -printf '%y %s %TY-%Tm-%Td %TT %p\n' | sort && find . -type f -exec sha256sum {} + | sort)
}

# The longest user folder the README names, without its final "/".
longest_user_folder=3583

# A folder below XDG_DATA_HOME (names of 100 "d"s, the last two of 99 to 149) that, as XDG_DATA_HOME, makes the
# user folder's path "$1" bytes long without its final "/". Nothing is made.
data_home_for_user_folder() {
  local data="$XDG_DATA_HOME" below="/Brasswick/$title" name100
  local left=$(($1 - ${#data} - ${#below}))
  name100=$(head -c 100 /dev/zero | tr '\0' d)
  while [ "$left" -gt 300 ]; do
    data="$data/$name100"
    left=$((left - 101))
  done
  data="$data/$(head -c $((left / 2 - 1)) /dev/zero | tr '\0' d)"
  echo "$data/$(head -c $((left - left / 2 - 1)) /dev/zero | tr '\0' d)"
}

case "$case_name" in
session)
  printf '[General]\r\nSessionID: 2147483647\r\n\r\n[Engine]\r\nMinGameFPS: 100000\r\nDeadlockCheckTime: nan\r\n' \
    >"$config"
  run_once
  grep -q "SessionID: 0" "$config" || fail "the session count did not wrap to 0: $(grep SessionID "$config")"
  grep -q "MinGameFPS: 100000" "$config" || fail "an out-of-range value was rewritten behind the player's back"
  grep -q "DeadlockCheckTime: nan" "$config" || fail "a NaN setting was rewritten behind the player's back"
  run_once
  grep -q "SessionID: 1" "$config" || fail "the session count did not go on from 0"
  echo "the session count wrapped to 0 and went on; out-of-range values kept as written"
  ;;
signals)
  # At the last moment before SDL would install its own handling (the program held there by the debugger): the
  # request must be the program's to handle already. (LeakSanitizer cannot run under a debugger; the rounds below
  # keep it.)
  ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" gdb -q -batch -ex 'set pagination off' -ex 'handle SIGTERM nostop noprint pass' -ex 'break SDL_Init' -ex run \
    -ex delete -ex 'signal SIGTERM' "$program" >"$work/out.txt" 2>&1
  grep -q "exited normally" "$work/out.txt" || fail "SIGTERM before SDL started did not end in an orderly exit"
  # Random moments in the first half second, where the program is still starting, from the moment it catches
  # SIGTERM (before that, in the dynamic loader, no program can).
  for round in $(seq 1 12); do
    "$program" >"$work/out.txt" 2>&1 &
    pid=$!
    for _ in $(seq 1 2000); do
      mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$pid/status" 2>/dev/null)
      [ -n "$mask" ] && [ $(( 0x$mask & 0x4000 )) -ne 0 ] && break
    done
    sleep "0.0$((RANDOM % 10))$((RANDOM % 10))"
    [ $((round % 3)) -eq 0 ] && sleep 0.3
    kill -TERM "$pid" 2>/dev/null
    finish
    [ "$status" -eq 0 ] || fail "round $round: exit status $status after an early SIGTERM"
  done
  [ -f "$config" ] || fail "no configuration was saved"
  echo "12 early SIGTERMs: every run exited with 0"
  ;;
content)
  resources=$(cd "$(dirname "$program")/Resources" && pwd)
  for damage in missing empty cut; do
    copy="$work/resources-$damage"
    cp -r "$resources" "$copy"
    case "$damage" in
    missing) rm "$copy/Engine.rpk" ;;
    empty) : >"$copy/Engine.rpk" ;;
    cut) head -c 5000 "$resources/Engine.rpk" >"$copy/Engine.rpk" ;;
    esac
    ROLT_RESOURCE_DIR="$copy" timeout 60 "$program" >"$work/out.txt" 2>&1
    status=$?
    [ "$status" -eq 1 ] || fail "$damage Engine.rpk: exit status $status"
    grep -q "Engine.rpk" "$work/out.txt" || fail "$damage Engine.rpk: the pack is not named"
    expect_no_sanitizer_report
  done
  echo "a missing, empty or cut Engine.rpk is named and ends the program with status 1"
  ;;
kills)
  run_once
  cp "$bindings" "$work/bindings.good"
  rounds=30
  for round in $(seq 1 $rounds); do
    before=$(grep -a "SessionID" "$config")
    start
    sleep 0.3
    kill -TERM "$pid"
    # The saves come within a few tenths of a second of the request.
    sleep "0.$((RANDOM % 4))$((RANDOM % 10))"
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    # Whole files only: the configuration ends with its last line, the bindings are the same bytes as before.
    cmp -s "$bindings" "$work/bindings.good" || fail "round $round: the bindings file is damaged"
    tail -c 2 "$config" | od -An -c | grep -q '\\r  *\\n' || fail "round $round: the configuration is cut"
    grep -q "DeadlockCheckTime" "$config" || fail "round $round: the configuration lost its last section"
    after=$(grep -a "SessionID" "$config")
    [ "$(echo "$after" | wc -l)" -eq 1 ] || fail "round $round: the configuration holds $after"
    [ -n "$before" ] || fail "round $round: no session line"
  done
  # A temporary file of a save killed in this run is planted too, whatever the kills above left.
  dead=$(bash -c 'echo $$')
  : >"$config.$dead.0.tmp"
  left=$(temporaries)
  run_once
  [ "$(temporaries)" -eq 0 ] || fail "temporary files are left after the next start: $(find "$user" -name '*.tmp')"
  echo "$rounds kills during the shut-down saves: files whole, $left temporary files removed by the next start"
  ;;
full-disk)
  run_once
  # A later run writes a longer configuration (an unknown line kept), so its save needs room.
  printf 'Note: %s\r\n' "$(head -c 150 /dev/zero | tr '\0' 'x')" >>"$config"
  if [ "$(id -u)" -eq 0 ]; then
    # The settings' folder moves onto a tmpfs just big enough for it, which is then filled up.
    mounted="$user/Config"
    cp -a "$mounted" "$work/config-folder"
    mount -t tmpfs -o size=64k tmpfs "$mounted" || fail "no tmpfs could be mounted"
    cp -a "$work/config-folder/." "$mounted/"
    dd if=/dev/zero of="$mounted/filler" bs=1k count=1024 2>/dev/null
    cp "$config" "$work/config.before"
    cp "$bindings" "$work/bindings.before"
    run_once
  else
    # Without root, a file-size limit below the files' sizes makes every save's writes fail the same way.
    cp "$config" "$work/config.before"
    cp "$bindings" "$work/bindings.before"
    trap '' XFSZ
    (ulimit -f 0; run_once)
  fi
  cmp -s "$config" "$work/config.before" || fail "the configuration changed on a full disk"
  cmp -s "$bindings" "$work/bindings.before" || fail "the bindings file changed on a full disk"
  [ "$(temporaries)" -eq 0 ] || fail "a failed save left a temporary file"
  grep -q "could not be saved" "$work/out.txt" || fail "the failed saves were not reported"
  echo "on a full disk the saves failed, were reported, and left the old files whole"
  ;;
display-lost)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.txt" 2>&1 &
  xvfb=$!
  for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { kill "$xvfb"; fail "no private X server started"; }
  export DISPLAY=":$(cat "$work/display")"
  printf '[General]\r\nQuickStart: true\r\n[Engine]\r\nFixedEngineFPS: 60\r\n' >"$config"
  start
  xdotool search --sync --name "^$title\$" windowfocus --sync >/dev/null 2>&1 || { kill "$xvfb"; fail "no focus"; }
  wait_for_picture
  # Each key held for longer than a frame: the console, the command, Return; then the screenshot key, whose
  # picture says the command before it has been taken.
  steps=""
  for key in grave s e t space m a s t e r v o l u m e space 0 period 2 5 Return F12; do
    steps="$steps keydown $key sleep 0.15 keyup $key sleep 0.1"
  done
  xdotool $steps || { kill "$xvfb"; fail "xdotool could not press the keys"; }
  wait_for_screenshot || { kill -KILL "$pid"; fail "no screenshot was taken after the command"; }
  kill -KILL "$xvfb"
  wait "$xvfb" 2>/dev/null
  xvfb=""
  finish
  [ "$status" -eq 1 ] || fail "exit status $status after the display was lost (1 expected)"
  expect_volume_saved
  grep -q "set mastervolume 0.25" "$user/Config/ConsoleMemory.txt" || fail "the console history was not saved"
  log="$user/Logs/DebugLog_Safe.txt"
  grep -q "The display was lost" "$log" || fail "the log does not say the display was lost"
  grep -q "\[SessionShutdown\]" "$log" || fail "the session report was not written"
  grep -q "\[PlayerStats\]" "$log" || fail "the game's block of the report was not written"
  echo "the display lost under the running program: settings, history and report saved, exit status 1"
  ;;
stderr-gone)
  printf '[General]\r\nQuickStart: true\r\n' >"$config"
  # A file where the screenshots' folder should be: the screenshot key makes the program say on standard error
  # that the screenshot could not be saved. A FIFO at the fast log sends the logger's lines there as well.
  : >"$user/Screenshots"
  mkdir -p "$user/Logs"
  mkfifo "$work/stderr" "$user/Logs/DebugLog_Fast.txt" || fail "no FIFO could be made"
  "$program" >"$work/out.txt" 2>"$work/stderr" &
  pid=$!
  # The program's standard error opens once a reader is there; the reader goes away at once, before the
  # program runs.
  exec 4<"$work/stderr"
  exec 4<&-
  wait_for_window
  xdotool search --sync --name "^$title\$" windowfocus --sync >/dev/null 2>&1 || fail "no focus"
  wait_for_picture
  set_volume_in_console
  press F12
  # The failed screenshot is said on standard error first, then in the safe log.
  log="$user/Logs/DebugLog_Safe.txt"
  wait_for_line "$log" "The screenshot could not be saved"
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    fail "the program ended with status $? with no reader on standard error"
  fi
  grep -q "The screenshot could not be saved" "$log" ||
    { kill -KILL "$pid"; fail "the failed screenshot was not reported"; }
  kill -TERM "$pid"
  finish
  [ "$status" -eq 0 ] || fail "exit status $status with no reader on standard error"
  expect_volume_saved
  grep -q "set mastervolume 0.25" "$user/Config/ConsoleMemory.txt" || fail "the console history was not saved"
  grep -q "\[SessionShutdown\]" "$log" || fail "the session report was not written"
  echo "standard error with no reader: the program went on, saved its session and exited with 0"
  ;;
closed-streams)
  # The final pass's effect, drawn from the first frame, fails to build from "Mods/": a line for standard error.
  printf '[General]\r\nQuickStart: true\r\n' >"$config"
  mkdir -p "$user/Mods"
  : >"$user/Mods/__ROLT_Final_Pass_GLSL.xml"
  "$program" <&- >&- 2>&- &
  pid=$!
  wait_for_window
  timeout 10 xdotool search --sync --name "^$title\$" windowfocus --sync >/dev/null 2>&1 || fail "no focus"
  wait_for_picture
  set_volume_in_console
  press F12
  wait_for_screenshot || { kill -KILL "$pid"; fail "no screenshot was taken after the command"; }
  kill -TERM "$pid"
  wait_for_exit 30
  [ "$status" -eq 0 ] || fail "exit status $status with the standard streams closed"
  log="$user/Logs/DebugLog_Safe.txt"
  grep -q "failed to build" "$log" || fail "the damaged effect was not reported"
  expect_volume_saved
  grep -q "\[SessionShutdown\]" "$log" || fail "the session report was not written"
  echo "standard streams closed: the program ran, took a setting from the console, saved it and exited with 0"
  ;;
two-copies)
  run_once
  start
  # The lock is held on the user folder, open, which a program started from the game would not inherit.
  lock_fd=$(find "/proc/$pid/fd" -lname "$user/Running.lock" -printf '%f\n' | head -1)
  [ -n "$lock_fd" ] || { kill -KILL "$pid"; fail "the running copy holds no lock on its user folder"; }
  holds_lock "$pid" || { kill -KILL "$pid"; fail "the running copy's lock file is open but not locked"; }
  folder_fd=$(find "/proc/$pid/fd" -lname "$user" -printf '%f\n' | head -1)
  [ -n "$folder_fd" ] || { kill -KILL "$pid"; fail "the running copy holds no lock on its user folder itself"; }
  for fd in "$lock_fd" "$folder_fd"; do
    flags=$(awk '/^flags:/ {print $2}' "/proc/$pid/fdinfo/$fd")
    [ $(( 0$flags & 02000000 )) -ne 0 ] || { kill -KILL "$pid"; fail "the lock is inherited by programs started from the game (flags $flags)"; }
  done
  # The first copy held still, its lock kept: whatever changes in the folder is the second copy's doing.
  hold_still
  snapshot >"$work/before.txt"
  # The second copy has no display (no message box waits for a click) and SDL's window-less video driver, so
  # that nothing but the lock stops it before it would start writing.
  begin=$(date +%s%N)
  env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=dummy timeout 20 "$program" >"$work/second.txt" 2>&1
  second=$?
  elapsed_ms=$(( ($(date +%s%N) - begin) / 1000000 ))
  # With the display, the second copy's message box waits for a click; a request to stop, sent to the copy alone
  # as a launcher sends it, still ends the copy with that signal's status, and its box with it. The copy is started
  # in a session of its own, as a launcher's child would be: nothing of that session is left 3 s later.
  boxed_faults=""
  for signal in TERM INT HUP; do
    setsid "$program" >"$work/boxed.txt" 2>&1 &
    boxed=$!
    sleep 2
    kill "-$signal" "$boxed" 2>/dev/null
    sleep 3
    # Killed processes whose parent has gone may wait a while for init to reap them: only the living count.
    left=$(ps -o pid=,stat= -s "$boxed" | awk '$2 !~ /^Z/ {printf "%s ", $1}')
    if [ -n "$left" ]; then
      boxed_faults="$boxed_faults; SIG$signal left processes $left"
      kill -KILL $left 2>/dev/null
    fi
    wait "$boxed" 2>/dev/null
    boxed_status=$?
    [ "$boxed_status" -eq $((128 + $(kill -l "$signal"))) ] ||
      boxed_faults="$boxed_faults; SIG$signal gave exit status $boxed_status"
  done
  snapshot >"$work/after.txt"
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null
  [ -z "$boxed_faults" ] || fail "the second copy with its message box$boxed_faults"
  [ "$second" -ne 0 ] || fail "the second copy exited with status 0"
  [ "$elapsed_ms" -lt 1000 ] || fail "the second copy took $elapsed_ms ms to end (status $second)"
  diff "$work/before.txt" "$work/after.txt" >"$work/diff.txt" ||
    fail "the second copy changed the user folder: $(cat "$work/diff.txt")"
  grep -q "already running" "$work/second.txt" || fail "the second copy did not say why: $(cat "$work/second.txt")"
  if grep -q -E "ERROR: (Address|Leak)Sanitizer|runtime error:" "$work/second.txt"; then
    fail "sanitizer report from the second copy: $(cat "$work/second.txt")"
  fi
  # The lock went with the killed copy.
  session=$(grep -a "SessionID" "$config")
  run_once
  [ "$(grep -a "SessionID" "$config")" != "$session" ] || fail "the copy after the kill did not save its session"
  echo "a second copy ended in $elapsed_ms ms with status $second and changed nothing; after SIGKILL a new copy ran"
  ;;
lock-stand-ins)
  # Something other than a regular file where the lock's file goes takes no lock's place, and no copy starts
  # while it stands there: each says what stands where, so that the player can remove it, and changes nothing. The
  # copies have no display, so no message box waits.
  for stand_in in folder FIFO "symbolic link"; do
    rm -rf "$user/Running.lock"
    case "$stand_in" in
    folder) mkdir "$user/Running.lock" ;;
    FIFO) mkfifo "$user/Running.lock" ;;
    *) ln -s "$work/lock-target" "$user/Running.lock" ;;
    esac
    snapshot >"$work/before.txt"
    for copy in first second; do
      env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=dummy timeout 20 "$program" >"$work/$copy.txt" 2>&1
      refused=$?
      [ "$refused" -eq 1 ] || fail "a $stand_in at Running.lock: the $copy copy ended with status $refused"
      grep -q -F "a $stand_in stands at $user/Running.lock" "$work/$copy.txt" ||
        fail "a $stand_in at Running.lock: the $copy copy did not name it: $(cat "$work/$copy.txt")"
    done
    snapshot | diff "$work/before.txt" - >"$work/diff.txt" ||
      fail "a $stand_in at Running.lock: the refused copies changed the folder: $(cat "$work/diff.txt")"
    [ ! -e "$work/lock-target" ] || fail "the lock's file was made through the symbolic link"
  done
  rm -rf "$user/Running.lock"
  # A user folder that cannot be made (a FIFO where it should be, a plain file above it): no file of the session
  # can be written there, so there is nothing to guard: the copy runs, is not held by the FIFO, and changes nothing.
  list_data() { find "$XDG_DATA_HOME" -printf '%y %s %T@ %p\n' | sort; }
  for unmade in fifo file-above; do
    rm -rf "${XDG_DATA_HOME:?}"/*
    if [ "$unmade" = fifo ]; then
      mkdir -p "$(dirname "$user")"
      mkfifo "$user"
    else
      touch "$XDG_DATA_HOME/Brasswick"
    fi
    list_data >"$work/before.txt"
    start
    sleep 0.5
    kill -TERM "$pid"
    finish
    [ "$status" -eq 0 ] || fail "$unmade: a copy with no user folder to lock ended with status $status"
    if grep -q "cannot lock" "$work/out.txt"; then fail "$unmade: a lock was asked of a folder that is not there"; fi
    list_data | diff "$work/before.txt" - >"$work/diff.txt" ||
      fail "$unmade: the copy changed files: $(cat "$work/diff.txt")"
  done
  echo "a folder, a FIFO, a link at Running.lock: no copy runs, each names it; a folder that cannot be made: runs"
  ;;
network-locks)
  [ -f "$network_locks" ] || fail "no network locks library given"
  preload="$network_locks${LD_PRELOAD:+ $LD_PRELOAD}"
  second_copy() { # the answers of the locks; the output in $work/second.txt, the status in $second
    env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=dummy LD_PRELOAD="$preload" ROLT_TEST_LOCKS="$1" \
      timeout 20 "$program" >"$work/second.txt" 2>&1
    second=$?
  }
  # An exclusive lock needs a descriptor open for writing, as on NFS: the game runs and holds its lock, and a
  # second copy is refused.
  start LD_PRELOAD="$preload" ROLT_TEST_LOCKS=nfs
  holds_lock "$pid" || { kill -KILL "$pid"; fail "nfs: the running copy holds no lock: $(cat "$work/out.txt")"; }
  second_copy nfs
  kill -TERM "$pid"
  finish
  [ "$status" -eq 0 ] || fail "nfs: the first copy's exit status $status"
  [ "$second" -eq 1 ] || fail "nfs: a second copy ran beside the first (status $second)"
  grep -q "already running" "$work/second.txt" || fail "nfs: the second copy did not say why: $(cat "$work/second.txt")"
  # A folder where the lock's file goes, as well: no copy runs, and each names it.
  rm -f "$user/Running.lock"
  mkdir "$user/Running.lock"
  for copy in 1 2; do
    second_copy nfs
    [ "$second" -eq 1 ] || fail "nfs, a folder at Running.lock: copy $copy ran (status $second)"
    grep -q -F "a folder stands at $user/Running.lock" "$work/second.txt" ||
      fail "nfs, a folder at Running.lock: copy $copy did not name it: $(cat "$work/second.txt")"
  done
  rmdir "$user/Running.lock"
  # No lock can be taken at all, as on NFS without its lock service: the game runs, and says so once on standard
  # error and in the safe log.
  start LD_PRELOAD="$preload" ROLT_TEST_LOCKS=nolck
  wait_for_line "$user/Logs/DebugLog_Safe.txt" "cannot lock the user folder $user/ (No locks available)" ||
    { kill -KILL "$pid"; fail "nolck: the unguarded run is not said in the safe log"; }
  kill -TERM "$pid"
  finish
  [ "$status" -eq 0 ] || fail "nolck: exit status $status"
  [ "$(grep -c "cannot lock the user folder" "$work/out.txt")" -eq 1 ] ||
    fail "nolck: the unguarded run is not said once on standard error"
  echo "network locks: held and a second copy refused; a folder in the way named by each copy; none: runs, says so"
  ;;
player-locks)
  # A player who is not root, where "Running.lock" cannot be opened for writing: the game starts, takes a lock
  # that needs no writing where the file system has one, and a second copy, the player's or one run as root on
  # the player's folder (as "sudo -E" does), is refused; where no such lock can be had, it runs and says so once.
  setup_player "$program" "$network_locks"
  preload="$player_dir/$(basename "$network_locks")${LD_PRELOAD:+ $LD_PRELOAD}"
  mkdir -p "$player_user"
  make_over_to_player "$player_dir/data"
  player_start() { # variables as NAME=VALUE arguments; the program's pid in $pid
    "${as_player[@]}" "$@" "$player_program" >"$work/out.txt" 2>&1 &
    pid=$!
    wait_for_window
  }
  # A second copy without a display, as the player or, with "root" first, as this script's user on the
  # player's folder; its output in $work/second.txt, its status in $second.
  second_copy() {
    local runner=("${as_player[@]}")
    if [ "${1:-}" = root ]; then runner=(env "${player_env[@]}"); shift; fi
    "${runner[@]}" env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=dummy "$@" \
      timeout 20 "$player_program" >"$work/second.txt" 2>&1
    second=$?
  }
  # True when the process $1 holds an exclusive flock on the file or folder $2.
  holds_lock_on() {
    local inode
    inode=$(stat -c %i "$2" 2>/dev/null) || return 1
    grep -q -E "^[0-9]+: FLOCK +ADVISORY +WRITE +$1 +[0-9a-f]+:[0-9a-f]+:$inode " /proc/locks
  }
  # The first copy runs and holds a lock on $1; a second copy, the player's and root's, is refused, and neither
  # changes the folder; at SIGTERM the first ends with status 0. The folder is looked at once the first copy's
  # start-up files are in place, and the first copy is held still from the first look to the last: whatever
  # changes in between is a second copy's doing.
  expect_guarded_run() { # what is locked, the state's name
    holds_lock_on "$pid" "$1" || { kill -KILL "$pid"; fail "$2: the running copy holds no lock on $1"; }
    snapshot_of() { (cd "$player_user" && find . -printf '%y %m %u %s %T@ %p\n' | sort); }
    wait_for_settled_folder "$player_user"
    hold_still
    snapshot_of >"$work/before.txt"
    local copies="player"
    [ "$(id -u)" -ne 0 ] || copies="player root"
    for copy in $copies; do
      if [ "$copy" = root ]; then second_copy root; else second_copy; fi
      [ "$second" -eq 1 ] || { kill -KILL "$pid"; fail "$2: the $copy's second copy ran (status $second)"; }
      grep -q "already running" "$work/second.txt" ||
        { kill -KILL "$pid"; fail "$2: the $copy's second copy did not say why: $(cat "$work/second.txt")"; }
    done
    snapshot_of | diff "$work/before.txt" - >"$work/diff.txt" ||
      { kill -KILL "$pid"; fail "$2: a second copy changed the folder: $(cat "$work/diff.txt")"; }
    kill -CONT "$pid"
    kill -TERM "$pid"
    finish
    [ "$status" -eq 0 ] || fail "$2: exit status $status"
    if grep -q "cannot lock" "$work/out.txt"; then fail "$2: a held lock was said to be missing"; fi
  }
  # 1. A user folder the player may not write, with no "Running.lock" in it yet: the folder itself is locked.
  chmod a-w "$player_user"
  player_start
  expect_guarded_run "$player_user" "a folder the player may not write"
  [ ! -e "$player_user/Running.lock" ] || fail "a lock file was made in a folder the player may not write"
  chmod u+w "$player_user"
  # 2. A "Running.lock" left by another user (as a run under "sudo -E" leaves it), which the player may read but
  # not write; where the suite is not root, the player's own file made read-only stands in for it.
  rm -rf "${player_user:?}"/*
  touch "$player_user/Running.lock"
  chmod 0644 "$player_user/Running.lock"
  if [ "$(id -u)" -ne 0 ]; then chmod 0444 "$player_user/Running.lock"; fi
  player_start
  expect_guarded_run "$player_user/Running.lock" "a Running.lock the player may not write"
  # 3. The player's whole folder made read-only, its lock file with it.
  rm -rf "${player_user:?}"/*
  player_start
  sleep 0.5
  kill -TERM "$pid"
  finish
  [ -f "$player_user/Running.lock" ] || fail "the player's run left no lock file"
  chmod -R a-w "$player_user"
  player_start
  expect_guarded_run "$player_user/Running.lock" "a read-only folder"
  chmod -R u+w "$player_user"
  # 4. As 2, where an exclusive lock needs a descriptor open for writing (a network file system): no lock can be
  # had, and the game runs unguarded and says so once.
  rm -rf "${player_user:?}"/*
  [ -f "$network_locks" ] || fail "no network locks library given"
  touch "$player_user/Running.lock"
  if [ "$(id -u)" -ne 0 ]; then chmod 0444 "$player_user/Running.lock"; fi
  player_start LD_PRELOAD="$preload" ROLT_TEST_LOCKS=nfs
  sleep 0.5
  kill -TERM "$pid"
  finish
  [ "$status" -eq 0 ] || fail "nfs, a Running.lock the player may not write: exit status $status"
  [ "$(grep -c "cannot lock the user folder $player_user/ (Permission denied)" "$work/out.txt")" -eq 1 ] ||
    fail "nfs, a Running.lock the player may not write: the unguarded run is not said once with its reason"
  # 5. No lock service at all, in a folder the player may not write and with another user's "Running.lock": every
  # lock is refused whatever the player may write, and that is the reason said.
  for state in "a folder the player may not write" "a Running.lock the player may not write"; do
    rm -rf "${player_user:?}"/*
    case "$state" in
    *folder*) chmod a-w "$player_user" ;;
    *) touch "$player_user/Running.lock"; [ "$(id -u)" -eq 0 ] || chmod 0444 "$player_user/Running.lock" ;;
    esac
    player_start LD_PRELOAD="$preload" ROLT_TEST_LOCKS=nolck
    kill -TERM "$pid"
    finish
    chmod u+w "$player_user"
    [ "$status" -eq 0 ] || fail "nolck, $state: exit status $status"
    [ "$(grep -c "cannot lock the user folder $player_user/ (No locks available)" "$work/out.txt")" -eq 1 ] ||
      fail "nolck, $state: the unguarded run is not said once with its reason"
  done
  echo "as a player: an unwritable folder, another user's and a read-only lock file are locked, second copies" \
    "refused; where no lock can be had, runs and says so once"
  ;;
read-only)
  # The user folder on a read-only file system (a read-only network home; here a read-only bind mount of the
  # folder onto itself), its "Logs/" not made yet: the game runs, takes the lock that needs no writing, refuses a
  # second copy and writes nothing; each log is named with why it cannot be made. Where no lock can be had at
  # all, the game runs and says so once. The quit is asked for once start-up is over (the picture drawn), and
  # each save that fails then is said once on standard error: the safe log's lines go there too, but not a line
  # already said there.
  if [ "$(id -u)" -ne 0 ]; then
    [ "${CI:-}" != true ] || fail "a read-only file system needs root for its bind mount"
    echo "not root: no read-only file system can be mounted for the test"
    exit 77
  fi
  [ -f "$network_locks" ] || fail "no network locks library given"
  expect_quit_failures_said_once() { # the run's name
    local failure
    for failure in "The configuration could not be saved to $config" "The control bindings could not be saved" \
      "The console history could not be saved"; do
      [ "$(grep -c -F "$failure" "$work/out.txt")" -eq 1 ] ||
        fail "$1: \"$failure\" is said $(grep -c -F "$failure" "$work/out.txt") times on standard error, not once"
    done
  }
  run_once
  rm -rf "$user/Logs"
  mount --bind "$user" "$user" && mounted="$user" || fail "the user folder could not be bind-mounted"
  mount -o remount,bind,ro "$user" || fail "the bind mount could not be made read-only"
  snapshot >"$work/before.txt"
  start
  wait_for_picture
  holds_lock "$pid" || { kill -KILL "$pid"; fail "the running copy holds no lock: $(cat "$work/out.txt")"; }
  env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=dummy timeout 20 "$program" >"$work/second.txt" 2>&1
  second=$?
  kill -TERM "$pid"
  finish
  [ "$status" -eq 0 ] || fail "exit status $status"
  [ "$second" -eq 1 ] || fail "a second copy ran beside the first (status $second): $(cat "$work/second.txt")"
  grep -q "already running" "$work/second.txt" || fail "the second copy did not say why: $(cat "$work/second.txt")"
  for log in DebugLog_Safe DebugLog_Fast; do
    [ "$(grep -c -F "$user/Logs/$log.txt could not be written (Read-only file system)" "$work/out.txt")" -eq 1 ] ||
      fail "$log.txt is not named once with the reason its folder could not be made"
  done
  if grep -q "cannot lock" "$work/out.txt"; then fail "a held lock was said to be missing"; fi
  expect_quit_failures_said_once locked
  start LD_PRELOAD="$network_locks${LD_PRELOAD:+ $LD_PRELOAD}" ROLT_TEST_LOCKS=nolck
  wait_for_picture
  kill -TERM "$pid"
  finish
  [ "$status" -eq 0 ] || fail "nolck: exit status $status"
  expect_quit_failures_said_once nolck
  [ "$(grep -c "cannot lock the user folder" "$work/out.txt")" -eq 1 ] ||
    fail "nolck: the unguarded run is not said once on standard error"
  grep -q -F "cannot lock the user folder $user/ (No locks available)" "$work/out.txt" ||
    fail "nolck: the unguarded run does not say why"
  snapshot | diff "$work/before.txt" - >"$work/diff.txt" || fail "the folder changed: $(cat "$work/diff.txt")"
  echo "a read-only user folder: the game runs, locked, a second copy refused, the logs named with the reason," \
    "each failed save said once; with no locks it runs and says so once; nothing written"
  ;;
player-saves)
  # A saved game the player may not read: another user's, mode 0600, as a run under "sudo -E" with umask 077 leaves
  # it (with the usual 022 it leaves 0644, which the player reads; where the suite is not root, the player's own
  # file with mode 0000 stands in). The start names the reason; the new game's first checkpoint keeps the file
  # under a name of its own and saves. Then again where renames that must not replace are refused (as on NFS), with
  # an earlier kept file that must stay as it is.
  setup_player "$program" "$network_locks"
  preload="$player_dir/$(basename "$network_locks")${LD_PRELOAD:+ $LD_PRELOAD}"
  saves="$player_user/Saves"
  mkdir -p "$saves" "$player_user/Config"
  printf '[General]\r\nQuickStart: true\r\n' >"$player_user/Config/Config.ini"
  make_over_to_player "$player_dir/data"
  player_owner=$(id -u)
  [ "$player_owner" -ne 0 ] || player_owner=$player_uid
  for round in local nfs; do
    find "$saves" -mindepth 1 -delete
    kept=Autosave.refused.wsg
    if [ "$round" = nfs ]; then
      printf 'an earlier kept save' >"$saves/Autosave.refused.wsg"
      make_over_to_player "$saves/Autosave.refused.wsg"
      kept=Autosave.refused.2.wsg
    fi
    printf 'an unreadable saved game (%s)' "$round" >"$work/old.wsg"
    cp "$work/old.wsg" "$saves/Autosave.wsg"
    chmod 0600 "$saves/Autosave.wsg"
    [ "$(id -u)" -eq 0 ] || chmod 0000 "$saves/Autosave.wsg"
    "${as_player[@]}" LD_PRELOAD="$preload" ROLT_TEST_RENAMES="$round" "$player_program" >"$work/out.txt" 2>&1 &
    pid=$!
    wait_for_window
    # "Continue" is taken at once; its refusal begins a new game in the first room, whose checkpoint lies three
    # tiles to the right of the start. Right is held until the checkpoint has saved: the new save is the game's
    # own record once it stands under the save's name.
    wait_for_line "$work/out.txt" "The saved game was refused" ||
      { kill -KILL "$pid"; fail "$round: the saved game was not refused within 30 s"; }
    xdotool search --sync --name "^$title\$" windowfocus --sync >/dev/null 2>&1 ||
      { kill -KILL "$pid"; fail "no focus"; }
    xdotool keydown Right || { kill -KILL "$pid"; fail "xdotool could not press the keys"; }
    for _ in $(seq 1 300); do
      [ "$(head -c 4 "$saves/Autosave.wsg" 2>/dev/null)" = WSGF ] && [ -e "$saves/$kept" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    xdotool keyup Right
    kill -TERM "$pid"
    finish
    [ "$status" -eq 0 ] || fail "$round: exit status $status"
    grep -q "The saved game was refused: .*Autosave.wsg cannot be read (Permission denied)" "$work/out.txt" ||
      fail "$round: the start did not name the reason the saved game cannot be read"
    grep -q "The refused save .* is kept as .*/Saves/$kept\$" "$work/out.txt" ||
      fail "$round: the refused save was not kept as $kept"
    [ -e "$saves/Autosave.wsg" ] || fail "$round: the checkpoint saved nothing"
    [ "$(stat -c %u "$saves/Autosave.wsg")" -eq "$player_owner" ] || fail "$round: the new save is not the player's"
    [ "$(head -c 4 "$saves/Autosave.wsg")" = WSGF ] || fail "$round: the new save is not a saved game"
    [ "$(id -u)" -eq 0 ] || chmod u+r "$saves/$kept"
    cmp -s "$saves/$kept" "$work/old.wsg" || fail "$round: $kept does not hold the unreadable save's bytes"
    if [ "$round" = nfs ]; then
      [ "$(cat "$saves/Autosave.refused.wsg")" = "an earlier kept save" ] || fail "nfs: the earlier kept save changed"
    fi
    leftover=$(find "$saves" -mindepth 1 ! -name Autosave.wsg ! -name 'Autosave.refused*.wsg')
    [ -z "$leftover" ] || fail "$round: files left in Saves/: $leftover"
    [ ! -e "$saves/Autosave.refused.3.wsg" ] || fail "$round: the save was kept twice"
  done
  echo "a saved game the player may not read: named with its reason at the start, kept by a rename at the first" \
    "checkpoint (also where renames cannot refuse to replace), and saved as the player's"
  ;;
no-user-folder)
  rm -rf "${XDG_DATA_HOME:?}"/*
  # Neither variable set; then XDG_DATA_HOME naming a folder the system refuses: a name in it over 255 bytes, or a
  # user folder one byte longer than the longest taken.
  for refused in "" "$XDG_DATA_HOME/$(head -c 300 /dev/zero | tr '\0' n)" \
    "$(data_home_for_user_folder $((longest_user_folder + 1)))"; do
    if [ -z "$refused" ]; then
      env -u XDG_DATA_HOME -u HOME "$program" >"$work/out.txt" 2>&1 &
    else
      XDG_DATA_HOME="$refused" "$program" >"$work/out.txt" 2>&1 &
    fi
    pid=$!
    wait_for_window
    sleep 0.5
    kill -TERM "$pid"
    finish
    variant="XDG_DATA_HOME of ${#refused} bytes"
    [ -n "$refused" ] || variant="neither variable set"
    [ "$status" -eq 0 ] || fail "$variant: exit status $status"
    [ "$(grep -c "There is no user folder" "$work/out.txt")" -eq 1 ] ||
      fail "$variant: the missing user folder was not said once"
    if grep -q -E "could not be (read|saved)" "$work/out.txt"; then
      fail "$variant: a file is named where there is none"
    fi
    [ -z "$(find "$XDG_DATA_HOME" "$HOME" -mindepth 1)" ] ||
      fail "$variant: files were written: $(find "$work" -mindepth 2)"
  done
  echo "no user folder, or one the system refuses: said once at start-up, no file named, nothing written"
  ;;
config-lines)
  longest="$(head -c 63 /dev/zero | tr '\0' k)=$(head -c 255 /dev/zero | tr '\0' v)"
  {
    printf '[Audio]\n; a note with a zero \0 byte\nMasterVolume: 0.21\n[Video]\n; video note\nBrightness: 1.7\n'
    printf '[Game]\nDifficulty: 2\n[MyStuff]\nfoo: bar\n[Empty]\n[Long]\n%s\n[Many]\n' "$longest"
    for i in $(seq 1 1100); do printf 'Line%d: %d\n' "$i" "$i"; done
  } >"$config"
  [ "$(tr -cd '\0' <"$config" | wc -c)" -eq 1 ] || fail "the test's file holds no zero byte"
  start
  log="$user/Logs/DebugLog_Safe.txt"
  wait_for_line "$log" "Config.ini has more than 1024 lines that no setting takes" ||
    { kill -KILL "$pid"; fail "the dropped lines are not named in the safe log"; }
  kill -TERM "$pid"
  finish
  [ "$status" -eq 0 ] || fail "exit status $status"
  for line in "MasterVolume: 0.210000" "Brightness: 1.700000" "Difficulty: 2" "; a note with a zero  byte" \
    "; video note" "[MyStuff]" "foo: bar" "[Empty]" "${longest/=/:}" "Line1: 1"; do
    grep -q -a -x -F "$line"$'\r' "$config" || fail "\"$line\" is not in the saved file"
  done
  echo "a zero byte, a bare header and a line of the longest key and value came through a session; 1,100 lines named"
  ;;
long-user-folder)
  XDG_DATA_HOME=$(data_home_for_user_folder "$longest_user_folder")
  user="$XDG_DATA_HOME/Brasswick/$title"
  [ "${#user}" -eq "$longest_user_folder" ] || fail "a user folder of ${#user} bytes made"
  config="$user/Config/Config.ini"
  mkdir -p "$user/Config"
  printf '[General]\r\nQuickStart: true\r\n' >"$config"
  start
  xdotool search --sync --name "^$title\$" windowfocus --sync >/dev/null 2>&1 || fail "no focus"
  wait_for_picture
  set_volume_in_console
  press F12
  wait_for_screenshot || { kill -KILL "$pid"; fail "no screenshot was taken after the command"; }
  # The lock: a second copy (no display, so no box waits) is refused and names the folder whole.
  env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=dummy timeout 20 "$program" >"$work/second.txt" 2>&1
  second=$?
  kill -TERM "$pid"
  finish
  [ "$status" -eq 0 ] || fail "exit status $status"
  [ "$second" -ne 0 ] || fail "a second copy ran on the long user folder"
  grep -q -F "already running on the user folder $user/" "$work/second.txt" ||
    fail "the second copy did not name the folder: $(cat "$work/second.txt")"
  if grep -q "There is no user folder" "$work/out.txt"; then fail "the long user folder was said to be none"; fi
  expect_volume_saved
  grep -q "set mastervolume 0.25" "$user/Config/ConsoleMemory.txt" || fail "the console history was not saved"
  grep -q "\[SessionShutdown\]" "$user/Logs/DebugLog_Safe.txt" || fail "the session report was not written"
  echo "a user folder of ${#user} characters: locked against a second copy, named whole, settings and logs saved"
  ;;
*)
  echo "unknown case $case_name"
  exit 2
  ;;
esac
