#!/usr/bin/env bash
# A 101-stage ring oscillator (202 devices), 20 ns at a 1 ps step, Level 1:
# the whole simulate command (start, read, extract, run) against ngspice on
# our exported netlist with ".tran 1p 20n", on the same machine.
# Usage: bench/ring_vs_ngspice.sh [path/to/quillmere-cli] [repetitions]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=${1:-$here/../build-bench/app/cli/quillmere-cli}
reps=${2:-5}
command -v ngspice > /dev/null || { echo "ngspice is not installed"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/tools/make_ring.py" 101 "$work/ring101.msk"
rules="$here/../data/default.rul"
"$cli" spice "$work/ring101.msk" "$work/ring101.cir" --rules "$rules" --model level1 --flavour pspice --time 20 2> /dev/null
sed 's/^\.TRAN .*/.tran 1p 20n/' "$work/ring101.cir" > "$work/ring101_1p.cir"

best() {  # the shortest of reps runs of the command, in ms
  local min=""
  for _ in $(seq "$reps"); do
    local t0 t1
    t0=$(date +%s%N)
    "$@" > /dev/null 2>&1
    t1=$(date +%s%N)
    local ms=$(( (t1 - t0) / 1000000 ))
    if [ -z "$min" ] || [ "$ms" -lt "$min" ]; then min=$ms; fi
  done
  echo "$min"
}
ours=$(best "$cli" simulate "$work/ring101.msk" --rules "$rules" --model level1 --time 20 --step 1)
theirs=$(best ngspice -b "$work/ring101_1p.cir")
echo "quillmere-cli simulate: ${ours} ms"
echo "ngspice -b (.tran 1p 20n): ${theirs} ms"
awk -v a="$ours" -v b="$theirs" 'BEGIN { if (a < 1) a = 1; printf "ratio: %.1f times faster\n", b / a }'
