#!/usr/bin/env bash
# Installs what is missing, builds the viewer and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build "$build" --target trackball-viewer -j"$(nproc)"
exec "$build/trackball-viewer"
