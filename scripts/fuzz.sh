#!/usr/bin/env bash
# Fuzzes the readers of files: builds the libFuzzer targets with clang in their own build folder,
# seeds their corpora, runs every fuzzer for SECONDS seconds (all in parallel) and prints one line
# each. Each target sets its own input size limit and time-out (LLVMFuzzerInitialize).
# Usage: scripts/fuzz.sh [SECONDS]   (default 60)
# Exits non-zero when a fuzzer found something (a crash, a sanitizer report, a leak, a time-out,
# too much memory); its input is kept under <build>/artifacts/. A short run stops a fuzzer at its
# first finding; a run of ten minutes or more goes on after each one (libFuzzer's fork mode) and
# keeps them all. Skips, with status 0, where clang is not installed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=${MORVEL_FUZZ_BUILD_DIR:-build/fuzz}
# Target, its seed corpus (a folder fuzz_seeds writes) and its dictionary in fuzz/ ("-": none).
targets=(
  "aviinfo avi riff"
  "fpsunit avi riff"
  "riffunit avi riff"
  "AviDemux avi,dvavi riff"
  "SystemFilters_splitters dvavi,avi riff"
  "DvAudio dvaudio dv"
  "dvcodes dvframe dv"
  "HiveFile hive hive"
  "ScnFileReader scn -"
  "PlaylistReader playlist playlist"
)

if ! command -v clang >/dev/null || ! command -v clang++ >/dev/null; then
  echo "fuzz: clang not found, skipped"
  exit 0
fi

logs=$build/logs
artifacts=$build/artifacts
mkdir -p "$logs" "$artifacts"
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

# The targets' temporary files, in memory where /dev/shm is, gone when the run ends.
shm=/tmp
if [ -d /dev/shm ] && [ -w /dev/shm ]; then shm=/dev/shm; fi
scratch=$(mktemp -d "$shm/morvel-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch

keep_going=()
if [ "$seconds" -ge 600 ]; then
  keep_going=(-fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
findings() { find "$artifacts" -maxdepth 1 -name "$1-*" | wc -l; }
pids=()
before=()
for t in "${targets[@]}"; do
  read -r f corpora dict <<<"$t"
  corpus=$build/corpus/$f
  mkdir -p "$corpus"
  dirs=()
  for c in ${corpora//,/ }; do dirs+=("$seeds/$c"); done
  dict_flag=()
  if [ "$dict" != "-" ]; then dict_flag=(-dict="fuzz/$dict.dict"); fi
  before+=("$(findings "$f")")
  "$build/fuzz/${f}_fuzzer" "$corpus" "${dirs[@]}" -max_total_time="$seconds" "${dict_flag[@]}" \
    "${keep_going[@]}" -print_final_stats=1 -artifact_prefix="$artifacts/$f-" >"$logs/$f.log" 2>&1 &
  pids+=($!)
done

status=0
for i in "${!targets[@]}"; do
  read -r f _ <<<"${targets[$i]}"
  rc=0
  wait "${pids[$i]}" || rc=$?
  # Executions: the final statistics, or in fork mode the last progress line's count.
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$logs/$f.log" | tail -n 1 || true)
  [ -n "$runs" ] || runs=$(grep -o '^#[0-9]*' "$logs/$f.log" | tail -n 1 | tr -d '#' || true)
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$logs/$f.log" | tail -n 1 || true)
  found=$(($(findings "$f") - ${before[$i]}))
  if [ "$rc" -eq 0 ] && [ "$found" -eq 0 ]; then
    echo "fuzz: $f ok, ${runs:-?} runs, ${cov:-cov: ?} in ${seconds}s"
  else
    echo "fuzz: $f FAILED (status $rc, $found new inputs kept), ${runs:-?} runs, see $logs/$f.log and $artifacts/"
    status=1
  fi
done
exit $status
