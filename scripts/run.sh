#!/usr/bin/env bash
# Builds Zentbase and starts it, optionally with a board file: scripts/run.sh [board.zbd]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"
build="${ZB_BUILD_DIR:-$root/build/release}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZB_BUILD_TESTS=OFF -DZB_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target zentbase
exec "$build/zentbase" "$@"
