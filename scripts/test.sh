#!/usr/bin/env bash
# Builds the Linux and the Windows program and runs every test. Tests that need a
# display use $DISPLAY, or an X server of their own when there is none; the
# end-to-end tests always start private ones.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j"$(nproc)"

if [ -z "${DISPLAY:-}" ]; then
  displayfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayfile" 2>/dev/null &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null; rm -f "$displayfile"' EXIT
  for _ in $(seq 100); do
    [ -s "$displayfile" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(head -n 1 "$displayfile")"
fi

ctest --test-dir "$build" --output-on-failure "$@"
