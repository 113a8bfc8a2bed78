#!/usr/bin/env bash
# Builds the benchmarks optimised (in build-bench/) and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if [ ! -f build-bench/build.ninja ]; then
  cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILL_BUILD_TESTS=OFF
fi
ninja -C build-bench
for b in build-bench/bench/bench_*; do
  [ -x "$b" ] && "$b" "$@"
done
