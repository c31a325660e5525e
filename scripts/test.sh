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

echo "== format"
"$root/scripts/check-format.sh" || { echo "sources differ from .clang-format: run scripts/check-format.sh --fix"; fail=1; }

# Every platform function is there for the program, a benchmark or a fuzz target, not for the tests alone.
echo "== platform use"
"$root/scripts/check-platform-use.sh" || fail=1

run_suite "tests" "$root/build/test" -DCMAKE_BUILD_TYPE=Debug -DZB_BUILD_BENCH=ON -DZB_WERROR=ON
# Installation: the files a distribution packages, checked by the desktop's own validators.
echo "== installation"
install_prefix="$(mktemp -d)"
if cmake --install "$root/build/test" --prefix "$install_prefix" >/dev/null; then
    share="$install_prefix/share"
    desktop_file="$share/applications/org.zentbase.Zentbase.desktop"
    [[ -x "$install_prefix/bin/zentbase" ]] || { echo "bin/zentbase not installed"; fail=1; }
    desktop-file-validate "$desktop_file" || fail=1
    appstreamcli validate --no-net "$share/metainfo/org.zentbase.Zentbase.metainfo.xml" || fail=1
    grep -qx 'MimeType=application/x-zentbase;' "$desktop_file" || { echo "desktop entry names another type"; fail=1; }
    grep -q 'type="application/x-zentbase"' "$share/mime/packages/org.zentbase.Zentbase.xml" || fail=1
    for icon in 32x32/apps/zentbase.png 64x64/apps/zentbase.png scalable/apps/zentbase.svg \
        32x32/mimetypes/application-x-zentbase.png 64x64/mimetypes/application-x-zentbase.png \
        scalable/mimetypes/application-x-zentbase.svg; do
        [[ -s "$share/icons/hicolor/$icon" ]] || { echo "icon $icon not installed"; fail=1; }
    done
    man_warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$share/man/man1/zentbase.1" 2>&1 >/dev/null)"
    [[ -z "$man_warnings" ]] || { echo "$man_warnings"; fail=1; }
    "$install_prefix/bin/zentbase" --version | grep -qx 'zentbase 1.0' || fail=1
else
    fail=1
fi
rm -rf "$install_prefix"

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
