#!/usr/bin/env bash
# Builds what the benchmark needs and runs it; pass --quick for the short run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
export VIEWER="$build/trackball-viewer" XPROBE="$build/tests/xprobe" FRAME_BENCH="$build/bench/frame_bench"
export WLPOINTER="$build/tests/wlpointer"
[ -d "$build/web/site" ] && export WEB_SITE="$build/web/site" WEB_FLOOR="$build/web/bench"
[ -f "$build/windows/trackball-viewer.exe" ] && export WINDOWS_VIEWER="$build/windows/trackball-viewer.exe"
exec python3 "$root/bench/run_benchmark.py" --csv "$build/benchmark.csv" "$@"
