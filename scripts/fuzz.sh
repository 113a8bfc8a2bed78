#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (in build-fuzz/) and runs each for
# the given number of seconds (default 20) from the seed corpora.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
scripts/install-deps.sh
if [ ! -f build-fuzz/build.ninja ]; then
  CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILL_BUILD_FUZZ=ON \
    -DQUILL_BUILD_GUI=OFF -DQUILL_BUILD_TESTS=OFF -DQUILL_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined"
fi
ninja -C build-fuzz fuzz_msk fuzz_rul fuzz_parsevalue
root=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for t in msk rul parsevalue; do
  corpus=core/fuzz/corpus/$t
  [ "$t" = parsevalue ] && corpus=core/fuzz/corpus/value
  mkdir -p "$work/$t"
  echo "fuzz_$t: ${seconds}s"
  (cd "$work" && "$root/build-fuzz/core/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=8192 \
     "$work/$t" "$root/$corpus" 2>"$work/$t.log") || {
    tail -40 "$work/$t.log"
    echo "fuzz_$t found a problem"
    exit 1
  }
done
echo "fuzzing found nothing"
