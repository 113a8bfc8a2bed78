#!/bin/bash
# Starts the real editor under a virtual X server on the sample layout and
# rule file, lets it quit by itself and checks what its window showed.
# Usage: smoke_test.sh <quillmere> <data folder>
set -u
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "SKIP: xvfb-run is not installed (apt-get install xvfb xauth)"
  exit 77
fi
exe=$(realpath "$1")
data=$(cd "$2" 2>/dev/null && pwd) || { echo "FAIL: data folder $2 is missing"; exit 1; }
for f in "$data/inverter.msk" "$data/default.rul"; do
  if [ ! -f "$f" ]; then
    echo "FAIL: $f is missing"
    exit 1
  fi
done

# an empty working folder: the rule file must come from the second argument
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

out=$(QUILLMERE_SMOKE_QUIT_MS=1500 timeout 60 xvfb-run -a -s "-screen 0 1600x1000x24" \
        "$exe" "$data/inverter.msk" "$data/default.rul" 2>"$work/stderr")
rc=$?
echo "$out"
if [ $rc -ne 0 ]; then
  echo "FAIL: quillmere exited with $rc"
  cat "$work/stderr"
  exit 1
fi

fail=0
expect() {
  if ! grep -qxF -- "$1" <<<"$out"; then
    echo "FAIL: no line \"$1\""
    fail=1
  fi
}
expect "panel0: Welcome to Quillmere 3.0c"
expect "title: Quillmere 3 - $data/inverter.msk"
# the rule file was given, so no warning about a missing one
if grep -qxF "message: Warning: default design rule file not found" <<<"$out"; then
  echo "FAIL: the rule file given was not used"
  fail=1
fi
expect "mode: 8"

# the screenshot mode saves a picture of the window
shot="$work/shot.png"
QUILLMERE_SMOKE_QUIT_MS=1500 QUILLMERE_SCREENSHOT="$shot" timeout 60 xvfb-run -a -s "-screen 0 1600x1000x24" \
  "$exe" "$data/inverter.msk" "$data/default.rul" >"$work/shot.out" 2>"$work/stderr"
if ! grep -qxF "screenshot: saved" "$work/shot.out" || [ "$(head -c 4 "$shot" 2>/dev/null | tail -c 3)" != "PNG" ]; then
  echo "FAIL: no picture from the screenshot mode"
  cat "$work/shot.out" "$work/stderr"
  fail=1
fi
exit $fail
