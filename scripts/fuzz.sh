#!/usr/bin/env bash
# Fuzzes the AVI/RIFF parsers: builds the libFuzzer targets with clang in their own build folder,
# seeds a corpus, runs every fuzzer for SECONDS seconds (in parallel) and prints one line each.
# Usage: scripts/fuzz.sh [SECONDS]   (default 60)
# Exits non-zero when a fuzzer crashes (its input is kept under <build>/artifacts/). Skips, with
# status 0, where clang is not installed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=${MORVEL_FUZZ_BUILD_DIR:-build/fuzz}
fuzzers=(aviinfo fpsunit riffunit)

if ! command -v clang >/dev/null || ! command -v clang++ >/dev/null; then
  echo "fuzz: clang not found, skipped"
  exit 0
fi

logs=$build/logs
mkdir -p "$logs" "$build/artifacts"
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer"
if ! CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
     -DMORVEL_FUZZ=ON -DMORVEL_TESTS=OFF -DMORVEL_BENCH=OFF \
     -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >"$logs/configure.log" 2>&1; then
  echo "fuzz: configure failed, see $logs/configure.log"
  exit 1
fi
if ! cmake --build "$build" --target morvel_fuzzers >"$logs/build.log" 2>&1; then
  echo "fuzz: build failed, see $logs/build.log"
  exit 1
fi

seeds=$build/seeds
rm -rf "$seeds"
mkdir -p "$seeds"
"$build/fuzz/fuzz_seeds" "$seeds"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
pids=()
for f in "${fuzzers[@]}"; do
  corpus=$build/corpus/$f
  mkdir -p "$corpus"
  "$build/fuzz/${f}_fuzzer" "$corpus" "$seeds" -max_total_time="$seconds" -timeout=10 \
    -dict=fuzz/riff.dict -print_final_stats=1 -artifact_prefix="$build/artifacts/$f-" \
    >"$logs/$f.log" 2>&1 &
  pids+=($!)
done

status=0
for i in "${!fuzzers[@]}"; do
  f=${fuzzers[$i]}
  rc=0
  wait "${pids[$i]}" || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$logs/$f.log" | tail -n 1 || true)
  cov=$(grep -o 'cov: [0-9]*' "$logs/$f.log" | tail -n 1 | cut -d' ' -f2 || true)
  if [ "$rc" -eq 0 ]; then
    echo "fuzz: $f ok, ${runs:-?} runs, coverage ${cov:-?} in ${seconds}s"
  else
    echo "fuzz: $f FAILED (status $rc), see $logs/$f.log and $build/artifacts/"
    status=1
  fi
done
exit $status
