#!/usr/bin/env bash
# Installs what is missing, builds Morvel's tests under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them, then builds and runs the tests of the threaded
# libraries once more under ThreadSanitizer. Exits non-zero on any failure.
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

# The test folders whose libraries run threads, again under ThreadSanitizer in a build of their
# own that makes only their programs. A folder joins this list when its code starts threads.
tsan_test_dirs=(dshow filters threads vcl media actions ui)
tsan_build=${MORVEL_TSAN_BUILD_DIR:-build/tsan}
tsan_dirs_arg=$(IFS=';'; echo "${tsan_test_dirs[*]}")
# GCC 12's ThreadSanitizer cannot place its shadow memory under the wider address randomisation of
# newer kernels (more than 28 bits): there its programs (also those the build runs to list the
# tests) run without randomisation.
tsan_run=()
if [ "$(cat /proc/sys/vm/mmap_rnd_bits 2>/dev/null || echo 0)" -gt 28 ]; then
  tsan_run=(setarch "$(uname -m)" -R)
fi
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1 second_deadlock_stack=1}
cmake -S . -B "$tsan_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVEL_TSAN=ON -DMORVEL_BENCH=OFF \
  "-DMORVEL_TEST_DIRS=$tsan_dirs_arg" >/dev/null
"${tsan_run[@]}" cmake --build "$tsan_build" --parallel "$(nproc)" --target morvel_tests
"${tsan_run[@]}" ctest --test-dir "$tsan_build" --output-on-failure --parallel "$(nproc)"

# Short fuzzing runs of the file parsers, where clang is at hand.
if [ -x scripts/fuzz.sh ] && command -v clang++ >/dev/null; then
  scripts/fuzz.sh 5
fi
