#!/usr/bin/env bash
# Installs what is missing, builds Morvel's tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs them. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

build=${MORVEL_TEST_BUILD_DIR:-build/test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVEL_SANITIZE=ON -DMORVEL_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)"

# Short fuzzing runs of the file parsers, where clang is at hand.
if [ -x scripts/fuzz.sh ] && command -v clang++ >/dev/null; then
  scripts/fuzz.sh 5
fi
