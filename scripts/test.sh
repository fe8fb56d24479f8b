#!/usr/bin/env bash
# Builds and runs every test: the plain build, then the sanitizer build
# (AddressSanitizer + UndefinedBehaviorSanitizer), then a bounded run of each
# fuzz target. Set VN_SKIP_SANITIZE=1 or VN_SKIP_FUZZ=1 to leave a stage out.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
jobs=$(nproc)

echo "== plain build and tests"
cmake --preset default >/dev/null
cmake --build --preset default -- -j"$jobs"
ctest --preset default -j"$jobs"

if [ "${VN_SKIP_SANITIZE:-0}" != 1 ]; then
  echo "== sanitizer build and tests"
  cmake --preset asan >/dev/null
  cmake --build --preset asan -- -j"$jobs"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --preset asan -j"$jobs"
fi

if [ "${VN_SKIP_FUZZ:-0}" != 1 ] && [ -f tests/fuzz/CMakeLists.txt ]; then
  echo "== fuzz targets (${VN_FUZZ_SECONDS:-60} s each)"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -- -j"$jobs" fuzz_targets
  for f in build-fuzz/fuzz/*; do
    [ -x "$f" ] || continue
    corpus=$(mktemp -d)
    echo "-- $(basename "$f")"
    "$f" -max_total_time="${VN_FUZZ_SECONDS:-60}" -print_final_stats=1 "$corpus" 2>&1 | tail -n 3
    rm -rf "$corpus"
  done
fi
echo "all test stages passed"
