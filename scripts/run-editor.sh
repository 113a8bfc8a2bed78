#!/usr/bin/env bash
# Builds the editor and starts it on the bundled default technology with an
# example layout (or the layout and rule file given as arguments).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh quillmere
layout=${1:-data/inverter.msk}
rules=${2:-data/default.rul}
exec build/app/editor/quillmere "$layout" "$rules"
