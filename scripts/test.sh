#!/usr/bin/env bash
# Builds Zentbase and runs every test: the normal build, the AddressSanitizer + UndefinedBehaviorSanitizer build,
# the end-to-end start under Xvfb, and a bounded fuzzing run of the file readers.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"
jobs="$(nproc)"
fail=0

run_suite() { # name build-dir cmake-args...
    local name="$1" dir="$2"
    shift 2
    echo "== $name"
    cmake -S "$root" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 600) || fail=1
}

run_suite "tests" "$root/build/test" -DCMAKE_BUILD_TYPE=Debug -DZB_BUILD_BENCH=ON -DZB_WERROR=ON
if [[ "${ZB_SKIP_SANITIZE:-0}" != 1 ]]; then
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        run_suite "tests under sanitizers" "$root/build/asan" -DCMAKE_BUILD_TYPE=Debug -DZB_SANITIZE=ON -DZB_BUILD_BENCH=OFF -DZB_WERROR=ON
fi
if [[ "${ZB_SKIP_FUZZ:-0}" != 1 && -x "$root/fuzz/run.sh" ]]; then
    for target in ${ZB_FUZZ_TARGETS:-fuzz_archive fuzz_board}; do
        echo "== fuzzing $target"
        "$root/fuzz/run.sh" "${ZB_FUZZ_SECONDS:-60}" "$target" || fail=1
    done
fi
exit "$fail"
