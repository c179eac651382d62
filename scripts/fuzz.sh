#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz (clang, AddressSanitizer, UndefinedBehaviorSanitizer, libFuzzer) in
# build/fuzz, writes their seeds and runs every target for SECONDS (default 600) on its own corpus, all of them in
# parallel under one virtual X server. The corpora grow in build/fuzz-corpus; inputs that crash, leak, hang or
# break a round trip are kept in build/fuzz-findings/<target>/ and make the script exit 1. Each target's last
# figures (executions, coverage, corpus) are printed at the end; the whole output is in build/fuzz-logs/.
# Usage: scripts/fuzz.sh [SECONDS]
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds="${1:-600}"
build="$top/build/fuzz"
corpus="$top/build/fuzz-corpus"
seeds="$top/build/fuzz-seeds"
findings="$top/build/fuzz-findings"
logs="$top/build/fuzz-logs"

CC=clang-14 CXX=clang++-14 cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROLT_FUZZ=ON \
  >/dev/null || exit 1
cmake --build "$build" -j "$(nproc)" || exit 1

# Seeds: the engine's own writers and packs, and the image generator of the reader tests.
rm -rf "$seeds" "$logs"
mkdir -p "$seeds" "$logs" "$findings"
"$build/fuzz/fuzz_seeds" "$seeds" "$build"/Resources/*.rpk || exit 1
images=$(mktemp -d)
trap 'rm -rf "$images"' EXIT
if python3 "$top/tests/render/data/make_images.py" "$images" >/dev/null; then
  for format in bmp tga png 555; do
    mkdir -p "$seeds/fuzz_image_$format"
    cp "$images"/*."$format" "$seeds/fuzz_image_$format/" 2>/dev/null
  done
  # A raw image's seed starts with the width and height the caller asks for.
  mkdir -p "$seeds/fuzz_image_raw"
  for raw in "$images"/*.raw; do
    [ -e "$raw" ] || continue
    expect="${raw%.raw}.expect"
    [ -e "$expect" ] || continue
    python3 - "$raw" "$expect" "$seeds/fuzz_image_raw/$(basename "$raw")" <<'PY'
import struct, sys
raw, expect, out = sys.argv[1:]
w, h = struct.unpack('<II', open(expect, 'rb').read(8))
if w < 128 and h < 128:
    open(out, 'wb').write(bytes([w, h]) + open(raw, 'rb').read())
PY
  done
fi

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
# Mesa's GL libraries stay loaded to the end, so the memory they keep stays reachable (see scripts/test.sh).
gl_libraries=$(ls /usr/lib/*/dri/swrast_dri.so /usr/lib/*/libGLX_mesa.so.0 /usr/lib/*/libGL.so.1 2>/dev/null | tr '\n' ' ')

targets=$(ls "$build"/fuzz/fuzz_* | grep -v '/fuzz_seeds$')
echo "Fuzzing $(echo "$targets" | wc -l) targets for ${seconds} s each"
export seconds corpus seeds findings logs gl_libraries
# Every target runs under one X server; the renderer's targets need it, the others ignore it.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$top/tests/fuzz/run_targets.sh" $targets | tee "$logs/summary.txt"
if grep -q '^FAIL' "$logs/summary.txt"; then
  exit 1
fi
exit 0
