#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test: a plain g++ build, then one clang build
# with AddressSanitizer and UndefinedBehaviorSanitizer that runs the same tests and the fuzz
# targets over their seeds. Both builds treat warnings as errors. The tests that start the
# program on an X server of their own (label own-x-server) run in the plain build only.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh || exit 1
jobs=$(nproc)
status=0
summary=()

run_ctest() { # DIR LABEL [ctest options...] [-- env...]
  local dir=$1 label=$2; shift 2
  local options=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  local log; log=$(mktemp)
  # Twice as many tests as processors: most of a test's time is spent waiting on its servers,
  # X and the event loop, not computing.
  (cd "$dir" && env "$@" ctest --output-on-failure --repeat until-pass:2 -j "$((jobs * 2))" "${options[@]}") 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local line; line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$log" | tail -1)
  local total failed
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line"); failed=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
  summary+=("$label: $((total - failed)) passed, $failed failed")
  passed_all=$((passed_all + total - failed)); failed_all=$((failed_all + failed))
  [ "$rc" -eq 0 ] || status=1
  rm -f "$log"
}
passed_all=0; failed_all=0

bash scripts/build.sh build-test -DKORVANE_BENCH=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON || exit 1
run_ctest build-test plain

bash scripts/build.sh build-asan -DKORVANE_FUZZ=ON -DKORVANE_BENCH=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_COMPILE_WARNING_AS_ERROR=ON || exit 1
run_ctest build-asan sanitizers -LE own-x-server -- ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1

fuzzlog=$(mktemp)
bash scripts/fuzz-smoke.sh build-asan | tee "$fuzzlog"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
fl=$(grep -E '^fuzz: ' "$fuzzlog" | tail -1)
fp=$(sed -E 's/fuzz: ([0-9]+) passed.*/\1/' <<<"$fl"); ff=$(sed -E 's/.*passed, ([0-9]+) failed.*/\1/' <<<"$fl")
summary+=("$fl")
passed_all=$((passed_all + fp)); failed_all=$((failed_all + ff))
rm -f "$fuzzlog"

printf '%s\n' "${summary[@]}"
echo "all: $passed_all passed, $failed_all failed"
exit $status
