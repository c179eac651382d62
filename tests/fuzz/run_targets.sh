#!/usr/bin/env bash
# Runs the fuzz targets given, all at once, as scripts/fuzz.sh sets them up (it exports the
# folders, the time and the sanitizer options). One line per target: its executions and last figures, or FAIL.
set -uo pipefail

run_target() { # target path
  local target="$1" name
  name=$(basename "$target")
  mkdir -p "$corpus/$name" "$seeds/$name" "$findings/$name"
  LD_PRELOAD="$gl_libraries" "$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$findings/$name/" "$corpus/$name" "$seeds/$name" \
    >"$logs/$name.log" 2>&1
  local status=$?
  local last executions
  last=$(grep -E '^#[0-9]+' "$logs/$name.log" | tail -n 1)
  executions=$(grep -E '^stat::number_of_executed_units' "$logs/$name.log" | awk '{print $2}')
  if [ "$status" -eq 0 ]; then
    echo "ok   $name: ${executions:-?} runs; $last"
  else
    echo "FAIL $name (status $status): see $logs/$name.log and $findings/$name/"
  fi
  return 0
}
export -f run_target

# All at once unless ROLT_FUZZ_JOBS says how many: each target then runs for the whole time given, however many
# cores share the work.
printf '%s\n' "$@" | xargs -P "${ROLT_FUZZ_JOBS:-$#}" -I{} bash -c 'run_target "$1"' _ {}
