#!/usr/bin/env bash
# Sets up, builds and runs the game. Without a display it runs under a virtual X server.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"

build="$top/build/release"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DROLT_BENCHMARKS=OFF
cmake --build "$build" --target wendro

echo "Starting the game: close its window or press Ctrl+C here to stop it."
if [ -n "${DISPLAY:-}" ]; then
  exec "$build/wendro"
else
  echo "No display: running under Xvfb, where the window cannot be seen; press Ctrl+C to stop it."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build/wendro"
fi
