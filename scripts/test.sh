#!/usr/bin/env bash
# Builds everything and runs every test (window tests offscreen, the smoke
# test of the real program under a virtual X server).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
ctest --test-dir build --output-on-failure -j2
