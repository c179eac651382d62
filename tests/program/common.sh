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

# Waits up to 30 s for the program's window to show a picture (not all black). Start-up is over then and the loop
# draws: a key typed from then on is taken, where one typed during start-up may be dropped with its input.
wait_for_picture() {
  local mean=0 deadline=$((SECONDS + 30))
  while [ "$SECONDS" -lt "$deadline" ]; do
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its window showed a picture"
    if timeout 10 import -window "$wid" "$work/picture.png" 2>/dev/null; then
      mean=$(convert "$work/picture.png" -format "%[fx:mean]" info:)
      awk "BEGIN { exit !($mean > 0.002) }" && return 0
    fi
    sleep 0.1
  done
  kill -KILL "$pid"
  fail "the window stayed black for 30 s (mean brightness $mean)"
}

# Waits up to 30 s for a line of the file $1 to hold the text $2; false when none does by then or the program has
# ended without one.
wait_for_line() {
  for _ in $(seq 1 300); do
    grep -q -a -F -- "$2" "$1" 2>/dev/null && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  grep -q -a -F -- "$2" "$1" 2>/dev/null
}

# Waits up to 30 s for a screenshot in the user folder's "Screenshots/" (written whole under a temporary name,
# then renamed); false when none is there by then or the program has ended without one. Keys are taken in the
# order typed: once the screenshot key's picture is there, every key typed before it has been taken.
wait_for_screenshot() {
  for _ in $(seq 1 300); do
    [ -n "$(find "$user/Screenshots" -name 'Screenshot_*.bmp' 2>/dev/null)" ] && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$(find "$user/Screenshots" -name 'Screenshot_*.bmp' 2>/dev/null)" ]
}

# Waits until nothing in the folder $1 (entries, types, sizes, times) has changed for a second, up to 30 s: the
# running program's start-up files are in place.
wait_for_settled_folder() {
  local listing previous="" still=0
  for _ in $(seq 1 300); do
    listing=$(find "$1" -printf '%y %s %T@ %p\n' 2>/dev/null | sort)
    if [ "$listing" = "$previous" ]; then
      still=$((still + 1))
      [ "$still" -lt 10 ] || return 0
    else
      still=0
      previous="$listing"
    fi
    sleep 0.1
  done
  kill -KILL "$pid"
  fail "the folder $1 still changed after 30 s"
}

# Stops the program with SIGSTOP and waits until each of its threads has stopped: from then until SIGCONT it
# changes no file, not even by a call it was in the middle of.
hold_still() {
  kill -STOP "$pid"
  for _ in $(seq 1 100); do
    sed 's/.*) //' /proc/"$pid"/task/*/stat 2>/dev/null | awk '$1 !~ /^[TtZX]/ { moving = 1 } END { exit moving }' &&
      return 0
    sleep 0.05
  done
  kill -KILL "$pid"
  fail "the program did not stop on SIGSTOP within 5 s"
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

# A player who is not root. As root, a command run through as_player runs as user 65534 (nobody) with setpriv;
# as any other user it runs as that user, and only the files' permissions tell. The build may sit in a folder that
# user cannot enter: setup_player copies the program ($1), its "Resources" and whatever else the run reads (the
# display's authority, the leak checker's suppressions, the files given after the program) into $player_dir, which
# that user can read, and gives the player a user folder of its own, $player_user, under $player_dir/data. Copied
# files keep their names: "$player_dir/$(basename FILE)".
player_uid=65534
setup_player() {
  local source="$1" file
  shift
  chmod 711 "$work"
  player_dir="$work/player"
  mkdir -p "$player_dir/data" "$player_dir/home"
  cp "$source" "$player_dir/" && cp -rL "$(dirname "$source")/Resources" "$player_dir/" ||
    fail "could not copy the program for the player"
  player_program="$player_dir/$(basename "$source")"
  for file in "$@"; do cp "$file" "$player_dir/" || fail "could not copy $file for the player"; done
  player_env=(XDG_DATA_HOME="$player_dir/data" HOME="$player_dir/home")
  if [ -n "${XAUTHORITY:-}" ] && [ -f "$XAUTHORITY" ]; then
    cp "$XAUTHORITY" "$player_dir/Xauthority"
    player_env+=(XAUTHORITY="$player_dir/Xauthority")
  fi
  local suppressions
  suppressions=$(printf ':%s' "${LSAN_OPTIONS:-}" | sed -n 's/.*:suppressions=\([^:]*\).*/\1/p')
  if [ -n "$suppressions" ]; then
    cp "$suppressions" "$player_dir/lsan.supp"
    player_env+=(LSAN_OPTIONS="${LSAN_OPTIONS//"suppressions=$suppressions"/"suppressions=$player_dir/lsan.supp"}")
  fi
  chmod -R a+rX "$player_dir"
  make_over_to_player "$player_dir/data" "$player_dir/home"
  [ -z "${XAUTHORITY:-}" ] || [ ! -f "$player_dir/Xauthority" ] || make_over_to_player "$player_dir/Xauthority"
  player_user="$player_dir/data/Brasswick/$title"
  # The command that runs what follows it as the player, in the player's environment: "${as_player[@]}" COMMAND.
  # In the background, $! is the pid of COMMAND's own process.
  if [ "$(id -u)" -eq 0 ]; then
    as_player=(setpriv --reuid="$player_uid" --regid="$player_uid" --clear-groups env "${player_env[@]}")
  else
    as_player=(env "${player_env[@]}")
  fi
}

# Makes the given files and folders, and everything in the folders, the player's own.
make_over_to_player() {
  [ "$(id -u)" -ne 0 ] || chown -R "$player_uid:$player_uid" "$@"
}
