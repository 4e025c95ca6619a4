#!/usr/bin/env bash
# scripts/fuzz-smoke.sh BUILD_DIR [SECONDS]: runs every fuzz target over its seed corpus,
# plus SECONDS of fresh fuzzing each (default 0: seeds only).
set -euo pipefail
dir=$1; secs=${2:-0}
root="$(cd "$(dirname "$0")/.." && pwd)"
passed=0; failed=0
for f in "$dir"/fuzz/*_fuzz; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus="$root/tests/fuzz/corpus/${name%_fuzz}"
  work=$(mktemp -d)
  args=(-rss_limit_mb=2048 -timeout=10 -artifact_prefix="$work.")
  if [ "$secs" -gt 0 ]; then args+=(-max_total_time="$secs"); else args+=(-runs=0); fi
  if [ -d "$corpus" ]; then cp -r "$corpus"/. "$work"/ 2>/dev/null || true; fi
  if QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 "$f" "${args[@]}" "$work" >"$work.log" 2>&1; then
    passed=$((passed+1))
  else
    failed=$((failed+1)); echo "fuzz target $name failed:"; tail -40 "$work.log"
  fi
  rm -rf "$work" "$work".*
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
