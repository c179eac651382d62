#!/usr/bin/env bash
# Start-up and shut-down of the game against a bare SDL + OpenGL program that opens the same window, GL context
# and audio device (bench/startup/baseline.cpp). Each is started `runs` times, alternately, under /usr/bin/time -v
# with its user folders in a temporary place; a run is timed from its start to the line "first frame" (which the
# game prints at its first main-loop frame when ROLT_FIRST_FRAME_LINE is set), then sent SIGTERM and timed to its
# exit. Prints the medians and the ratios game / baseline, and peak memory (maximum resident set size).
# Needs an X server. Usage: startup.sh <game> <baseline> [runs]
set -u
game="$1"
baseline="$2"
runs="${3:-5}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data"
export HOME="$work/home"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
export ROLT_FIRST_FRAME_LINE=1
mkdir -p "$XDG_DATA_HOME" "$HOME"

now_us() { echo $(( $(date +%s%N) / 1000 )); }

# One run: prints "<start-up us> <exit us> <peak KB>", or fails.
measure() {
  local program="$1" out="$work/out.txt" times="$work/time.txt"
  : >"$out"
  local start; start=$(now_us)
  /usr/bin/time -v -o "$times" "$program" >"$out" 2>&1 &
  local timer=$!
  local up=""
  for _ in $(seq 1 12000); do
    if grep -q "^first frame" "$out"; then up=$(now_us); break; fi
    kill -0 "$timer" 2>/dev/null || break
    sleep 0.005
  done
  local child; child=$(pgrep -P "$timer" | head -n 1)
  if [ -z "$up" ] || [ -z "$child" ]; then
    [ -n "$child" ] && kill -KILL "$child"
    wait "$timer"
    echo "FAIL: $program never showed its first frame" >&2; cat "$out" >&2
    return 1
  fi
  local stop; stop=$(now_us)
  kill -TERM "$child"
  wait "$timer"
  local status=$?
  local gone; gone=$(now_us)
  if [ "$status" -ne 0 ]; then
    echo "FAIL: $program exited with status $status after SIGTERM" >&2; cat "$out" >&2
    return 1
  fi
  local peak; peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$times")
  echo "$((up - start)) $((gone - stop)) $peak"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

: >"$work/game.txt"
: >"$work/base.txt"
for _ in $(seq 1 "$runs"); do
  measure "$baseline" >>"$work/base.txt" || exit 1
  measure "$game" >>"$work/game.txt" || exit 1
done

column() { cut -d' ' -f"$2" "$work/$1.txt" | median; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }'; }
gs=$(column game 1); ge=$(column game 2); gm=$(column game 3)
bs=$(column base 1); be=$(column base 2); bm=$(column base 3)
printf '%-28s %12s %12s %8s\n' "median of $runs runs" game baseline ratio
printf '%-28s %9d ms %9d ms %8s\n' "start to first frame" $((gs / 1000)) $((bs / 1000)) "$(ratio "$gs" "$bs")"
printf '%-28s %9d ms %9d ms %8s\n' "SIGTERM to exit" $((ge / 1000)) $((be / 1000)) "$(ratio "$ge" "$be")"
printf '%-28s %9d MB %9d MB %8s\n' "peak resident memory" $((gm / 1024)) $((bm / 1024)) "$(ratio "$gm" "$bm")"
