#!/usr/bin/env bash
# The soak test: runs the game for SECONDS (default 600) under a virtual X server while random keys, mouse moves,
# clicks, wheel turns, window resizes and screenshots are thrown at it, and samples its resident memory, open file
# descriptors and threads every 10 s. A run that ends by itself with status 0 (the random keys found "Quit") is
# started again; any other end is a failure. Prints the samples and a summary (first, last and largest figures
# of the longest run) and exits 1 when the program crashed or the descriptors grew.
# Usage: scripts/soak.sh [SECONDS]   (builds build/test's program first)
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds="${1:-600}"
if [ -z "${ROLT_SOAK_INSIDE_X:-}" ]; then
  cmake -S "$top" -B "$top/build/test" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
  cmake --build "$top/build/test" --target wendro >/dev/null || exit 1
  ROLT_SOAK_INSIDE_X=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$seconds"
fi

program="$top/build/test/wendro"
title="Quandrel Tarnvow"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" HOME="$work/home" SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11
mkdir -p "$XDG_DATA_HOME" "$HOME"

keys=(Left Right Up Down space a d w s z x Return Escape Tab BackSpace F1 F12 grave p m 1 2)
status=0
runs=0
samples="$work/samples.txt"
: >"$samples"

start_program() {
  "$program" >>"$work/out.txt" 2>&1 &
  pid=$!
  runs=$((runs + 1))
  window=""
  for _ in $(seq 1 300); do
    window=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1)
    [ -n "$window" ] && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

sample() { # elapsed seconds
  local rss fds threads
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null)
  threads=$(awk '/^Threads:/ {print $2}' "/proc/$pid/status" 2>/dev/null)
  fds=$(ls "/proc/$pid/fd" 2>/dev/null | wc -l)
  [ -n "$rss" ] && echo "$runs $1 $rss $fds $threads" >>"$samples"
}

start_program || { echo "FAIL: the program did not start"; cat "$work/out.txt"; exit 1; }
begin=$(date +%s)
next_sample=0
while :; do
  now=$(( $(date +%s) - begin ))
  [ "$now" -ge "$seconds" ] && break
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    code=$?
    if [ "$code" -ne 0 ]; then
      echo "FAIL: the program ended with status $code after ${now} s"
      tail -n 30 "$work/out.txt"
      exit 1
    fi
    start_program || { echo "FAIL: the program did not start again"; exit 1; }
    continue
  fi
  if [ "$now" -ge "$next_sample" ]; then
    sample "$now"
    next_sample=$((next_sample + 10))
  fi
  xdotool windowfocus "$window" >/dev/null 2>&1
  case $((RANDOM % 10)) in
  0 | 1 | 2 | 3)
    key=${keys[$((RANDOM % ${#keys[@]}))]}
    xdotool keydown "$key" >/dev/null 2>&1
    sleep "0.0$((RANDOM % 9 + 1))"
    xdotool keyup "$key" >/dev/null 2>&1
    ;;
  4 | 5) xdotool mousemove --window "$window" $((RANDOM % 1280)) $((RANDOM % 720)) >/dev/null 2>&1 ;;
  6) xdotool click --window "$window" $((RANDOM % 5 + 1)) >/dev/null 2>&1 ;;
  7) xdotool windowsize "$window" $((RANDOM % 1200 + 80)) $((RANDOM % 900 + 60)) >/dev/null 2>&1 ;;
  8) sleep 0.2 ;;
  9) xdotool key --window "$window" F12 >/dev/null 2>&1 ;;
  esac
done
sample "$seconds"
kill -TERM "$pid"
wait "$pid"
code=$?
[ "$code" -eq 0 ] || { echo "FAIL: exit status $code after SIGTERM"; status=1; }

echo "run seconds rss_kib fds threads"
cat "$samples"
# The longest run's figures: memory after its first minute against its end, descriptors from start to end.
longest=$(awk '{n[$1]++} END {best = 0; for (r in n) if (n[r] > best) {best = n[r]; run = r} print run}' "$samples")
awk -v run="$longest" '$1 == run' "$samples" >"$work/longest.txt"
first=$(awk '$2 >= 60 {print; exit}' "$work/longest.txt")
[ -n "$first" ] || first=$(head -n 1 "$work/longest.txt")
last=$(tail -n 1 "$work/longest.txt")
max_rss=$(awk 'BEGIN {m = 0} {if ($3 > m) m = $3} END {print m}' "$work/longest.txt")
echo "runs: $runs (the random keys quit $((runs - 1)) times); longest run $longest:"
echo "  rss KiB after its first minute $(echo "$first" | awk '{print $3}'), at the end $(echo "$last" | awk '{print $3}'), largest $max_rss"
echo "  descriptors $(head -n 1 "$work/longest.txt" | awk '{print $4}') -> $(echo "$last" | awk '{print $4}'); threads $(echo "$last" | awk '{print $5}')"
echo "  screenshots written: $(find "$XDG_DATA_HOME" -path '*Screenshots*' -type f | wc -l)"
fd_first=$(head -n 1 "$work/longest.txt" | awk '{print $4}')
fd_last=$(echo "$last" | awk '{print $4}')
if [ "$fd_last" -gt $((fd_first + 8)) ]; then
  echo "FAIL: descriptors grew from $fd_first to $fd_last"
  status=1
fi
exit $status
