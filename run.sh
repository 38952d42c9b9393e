#!/usr/bin/env bash
# Installs what is missing, builds Morvel in a Release tree of its own (build/release, the program
# only) and runs it with the given arguments, from the caller's folder:
#   ./run.sh +h2 clip.avi
# The build's own output goes to standard error, so standard output is the program's.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)

"$root/scripts/install-deps.sh" >&2
build=${MORVEL_RUN_BUILD_DIR:-$root/build/release}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORVEL_TESTS=OFF -DMORVEL_BENCH=OFF >&2
cmake --build "$build" --target morvel >&2
exec "$build/app/morvel" "$@"
