#!/usr/bin/env bash
# Fails when a C++ file differs from what clang-format makes of it with the committed .clang-format.
# scripts/check-format.sh --fix rewrites the files instead.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
formatter="$(command -v clang-format || command -v clang-format-14)"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ "${1:-}" == --fix ]]; then
    "$formatter" -i "${files[@]}"
    exit 0
fi
"$formatter" --dry-run --Werror "${files[@]}"
