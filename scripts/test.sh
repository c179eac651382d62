#!/usr/bin/env bash
# Sets up, builds and runs every test with CTest, then builds and runs them all again with AddressSanitizer
# and UndefinedBehaviorSanitizer, then runs every fuzz target briefly. Exits non-zero when anything fails.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh" || exit 1

jobs=$(nproc)
# The X server stays as it is when its last client leaves (no reset between tests), and SDL is held to it: a
# test that cannot reach it fails or waits instead of quietly drawing through another driver.
xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24 -noreset")
status=0

test_env=(SDL_VIDEODRIVER=x11) # variables for the test processes only, not the build

run_suite() { # build folder, extra CMake arguments...
  local build="$1"; shift
  cmake -S "$top" -B "$build" -G Ninja "$@" || return 1
  cmake --build "$build" -j "$jobs" || return 1
  (cd "$build" && env "${test_env[@]}" "${xvfb[@]}" ctest --output-on-failure --timeout 600 -j "$jobs")
}

echo "=== Tests ==="
run_suite "$top/build/test" -DCMAKE_BUILD_TYPE=RelWithDebInfo || status=1

echo "=== Tests with AddressSanitizer and UndefinedBehaviorSanitizer ==="
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
# Mesa's GL libraries keep a little memory that they never free, and SDL unloads them with the last GL window (the
# driver goes when the display closes), after which LeakSanitizer can name no library for that memory. Loaded into
# every test process, they stay loaded to the end and their memory stays reachable.
gl_libraries=$(ls /usr/lib/*/dri/swrast_dri.so /usr/lib/*/libGLX_mesa.so.0 /usr/lib/*/libGL.so.1 2>/dev/null | tr '\n' ' ')
if [ -n "$gl_libraries" ]; then
  test_env+=(LD_PRELOAD="$gl_libraries")
  ASAN_OPTIONS="$ASAN_OPTIONS:verify_asan_link_order=0"
fi
run_suite "$top/build/sanitize" -DCMAKE_BUILD_TYPE=Debug -DROLT_SANITIZE=ON -DROLT_BENCHMARKS=OFF || status=1

echo "=== Fuzz targets: every seed, then 20 s of new inputs each, all targets at once ==="
"$top/scripts/fuzz.sh" 20 || status=1

exit $status
