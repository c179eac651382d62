#!/usr/bin/env bash
# "Fullscreen" on a private X server of 1600 x 900, with no window manager (bare) or with openbox (wm): started
# with it on, the window covers the screen and the title menu's picture is laid out for it (centred, nothing cut);
# turned off in the console, the window is back at 1280 x 720 where it was, with the picture laid out for it.
# The geometry is the X server's own; the pictures are screenshots of the screen and of the window.
# Usage: fullscreen.sh PROGRAM CASE
set -u
program="$1"
case_name="$2"
. "$(dirname "$0")/common.sh"
log="$user/Logs/DebugLog_Safe.txt"
mkdir -p "$user/Config"
printf '[Video]\r\nFullscreen: true\r\n[Engine]\r\nFixedEngineFPS: 60\r\n' >"$user/Config/Config.ini"

pid=""
xvfb=""
manager=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  [ -n "$manager" ] && kill "$manager" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL ($case_name): $*"; echo "--- program output ---"; cat "$work/out.txt" 2>/dev/null; exit 1; }

Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.txt" 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "no private X server started"
export DISPLAY=":$(cat "$work/display")"
case "$case_name" in
bare) ;;
wm)
  openbox >"$work/openbox.txt" 2>&1 &
  manager=$!
  # openbox is up once it has told the root window of its desktops.
  for _ in $(seq 1 100); do xdotool get_num_desktops >/dev/null 2>&1 && break; sleep 0.1; done
  xdotool get_num_desktops >/dev/null 2>&1 || fail "openbox did not start"
  ;;
*) echo "unknown case $case_name"; exit 2 ;;
esac

# The window's place and size as the X server has them, as "X Y WIDTH HEIGHT".
geometry() {
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  echo "$X $Y $WIDTH $HEIGHT"
}

# Fails unless the lit part of the picture in the screenshot $1 is centred across it and cut by none of its edges;
# $2 names the picture in the message.
expect_laid_out() {
  local size box
  size=$(convert "$1" -format "%w %h" info:)
  box=$(convert "$1" -fuzz 10% -format "%@" info: | tr 'x+' '  ')
  set -- $size $box "$2"
  local width=$1 height=$2 boxWidth=$3 boxHeight=$4 left=$5 top=$6 what=$7
  local right=$((width - left - boxWidth)) bottom=$((height - top - boxHeight))
  [ "$boxWidth" -gt $((width / 4)) ] || fail "$what: little of the title menu is seen (lit ${boxWidth}x$boxHeight)"
  [ "$left" -gt 0 ] && [ "$top" -gt 0 ] && [ "$right" -gt 0 ] && [ "$bottom" -gt 0 ] ||
    fail "$what: the title menu is cut by the edge (lit ${boxWidth}x$boxHeight at $left,$top of ${width}x$height)"
  local off=$((left > right ? left - right : right - left))
  [ "$off" -le $((width / 50)) ] ||
    fail "$what: the title menu is not centred (margins $left and $right of $width)"
}

# Waits up to 30 s until the screenshot of the window $1 ("root" for the screen), kept as $2, has stayed the same
# for a second: the picture has settled.
wait_for_still_picture() {
  local sum previous="" changed
  changed=$(date +%s%N)
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || fail "the program ended on its own"
    if import -window "$1" "$2" 2>/dev/null; then
      sum=$(convert "$2" rgb:- | md5sum)
      if [ "$sum" != "$previous" ]; then
        previous="$sum"
        changed=$(date +%s%N)
      elif [ $(($(date +%s%N) - changed)) -ge 1000000000 ]; then
        return 0
      fi
    fi
    sleep 0.1
  done
  fail "the picture did not settle within 30 s"
}

"$program" >"$work/out.txt" 2>&1 &
pid=$!
wait_for_window
# The title menu is up once the splash has played and the menu has slid in and holds still.
for _ in $(seq 1 300); do grep -q "Splash played" "$log" 2>/dev/null && break; sleep 0.1; done
grep -q "Splash played" "$log" 2>/dev/null || fail "the splash did not end within 30 s"
wait_for_still_picture root "$work/screen.png"

[ "$(geometry)" = "0 0 1600 900" ] || fail "full screen at start-up: the window is at $(geometry), not over the screen"
expect_laid_out "$work/screen.png" "full screen at start-up"

# The console turns it off: each key held for longer than a frame; the console closed again.
xdotool windowfocus --sync "$wid" 2>/dev/null || fail "no focus"
steps=""
for key in grave s e t space f u l l s c r e e n space 0 Return grave; do
  steps="$steps keydown $key sleep 0.25 keyup $key sleep 0.1"
done
xdotool $steps || fail "xdotool could not press the keys"
# The window takes its new size when the command is taken; its picture settles once the console has closed.
for _ in $(seq 1 300); do
  read -r x y width height <<<"$(geometry)"
  [ "$width $height" = "1280 720" ] && break
  sleep 0.1
done
[ "$width $height" = "1280 720" ] || fail "windowed again: the window is ${width}x$height, not 1280x720"
wait_for_still_picture "$wid" "$work/window.png"
read -r x y width height <<<"$(geometry)"
# Where it was made, centred on the screen; a window manager places it as it will.
[ "$case_name" = wm ] || [ "$x $y" = "160 90" ] || fail "windowed again: the window is at $x,$y, not where it was"
[ "$(convert "$work/window.png" -format "%w %h" info:)" = "1280 720" ] || fail "the window's picture is not 1280x720"
expect_laid_out "$work/window.png" "windowed again"

kill -TERM "$pid"
wait_for_exit 10
pid=""
[ "$status" -eq 0 ] || fail "exit status $status"
expect_no_sanitizer_report
grep -q "Fullscreen: false" "$user/Config/Config.ini" || fail "the setting turned off was not saved"
echo "full screen covered the 1600x900 screen with the picture laid out for it; turned off, the window came back"
