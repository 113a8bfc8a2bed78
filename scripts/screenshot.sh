#!/usr/bin/env bash
# Takes the README's picture of the editor: the real program under a virtual
# X server, on the inverter example with the default technology, saved as
# docs/editor.png (or the path given).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/editor.png}
scripts/install-deps.sh
scripts/build.sh quillmere
mkdir -p "$(dirname "$out")"
abs=$(realpath -m "$out")
rm -f "$abs"
log=$(QUILLMERE_SMOKE_QUIT_MS=2500 QUILLMERE_SCREENSHOT="$abs" timeout 60 \
        xvfb-run -a -s "-screen 0 1600x1000x24" \
        build/app/editor/quillmere data/inverter.msk data/default.rul 2>/dev/null) || true
if ! grep -qxF "screenshot: saved" <<<"$log" || [ ! -s "$abs" ]; then
  echo "$log"
  echo "no picture was taken"
  exit 1
fi
echo "saved $out"
