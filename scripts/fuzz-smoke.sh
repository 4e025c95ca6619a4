#!/usr/bin/env bash
# scripts/fuzz-smoke.sh BUILD_DIR [SECONDS]: runs every fuzz target over its seed corpus,
# plus SECONDS of fresh fuzzing each (default 0: seeds only). The targets run side by side,
# each named in the output with its seed count.
set -euo pipefail
dir=$1; secs=${2:-0}
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$dir/fuzz/korvane_fuzz"
export ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
targets=$("$exe" -targets)
results=$(mktemp -d)

run_target() { # NAME
  local name=$1 corpus="$root/tests/fuzz/corpus/$1" work seeds=0
  work=$(mktemp -d)
  local args=(-target="$name" -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$work.")
  if [ "$secs" -gt 0 ]; then args+=(-max_total_time="$secs"); else args+=(-runs=0); fi
  if [ -d "$corpus" ]; then
    cp -r "$corpus"/. "$work"/ 2>/dev/null || true
    seeds=$(find "$corpus" -type f | wc -l)
  fi
  if "$exe" "${args[@]}" "$work" >"$work.log" 2>&1; then
    echo "fuzz target $name: $seeds seeds, passed" >"$results/$name"
  else
    { echo "fuzz target $name: $seeds seeds, FAILED:"; tail -40 "$work.log"; } >"$results/$name"
  fi
  rm -rf "$work" "$work".*
}
export -f run_target
export root exe secs results
printf '%s\n' $targets | xargs -P "$(nproc)" -I{} bash -c 'run_target {}'

passed=0; failed=0
for name in $targets; do
  cat "$results/$name"
  if head -1 "$results/$name" | grep -q ', passed$'; then passed=$((passed+1)); else failed=$((failed+1)); fi
done
rm -rf "$results"
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
