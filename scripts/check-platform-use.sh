#!/usr/bin/env bash
# Fails when a function of the platform library is linked into no executable but the tests: neither the program,
# nor a benchmark, nor a fuzz target. The platform is built with a section per function and the executables are
# linked with --gc-sections (ZB_PLATFORM_USE), so what an executable's symbol table still holds is what it uses.
# Deliberate exceptions are listed in scripts/platform-use-allow.txt, one demangled name and its reason a line.
# Usage: scripts/check-platform-use.sh [--list]   (--list prints every unused function, allowed or not)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZB_PLATFORM_USE_BUILD:-$root/build/gc}"
allow="$root/scripts/platform-use-allow.txt"
list=0
[[ "${1:-}" == --list ]] && list=1

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# The flags of the normal Debug build, so that every object but the platform's comes from the cache.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DZB_BUILD_BENCH=ON -DZB_WERROR=ON -DZB_PLATFORM_USE=ON \
    "${launcher[@]}" >/dev/null
executables=(zentbase use_fuzz_archive use_fuzz_board)
for bench in "$root"/bench/bench_*.cpp; do
    executables+=("bench/$(basename "$bench" .cpp)")
done
targets=()
for exe in "${executables[@]}"; do
    targets+=("$(basename "$exe")")
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
if ! cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >"$work/build.log" 2>&1; then
    cat "$work/build.log"
    exit 1
fi
# Functions the platform defines (code symbols, global, weak and file-local), without the library templates that
# it instantiates.
nm --defined-only "$build/libzbplatform.a" | awk 'NF == 3 && $2 ~ /^[TtWi]$/ { print $3 }' |
    grep -Ev '^_ZN?K?(St|Sa|Ss|9__gnu_cxx|[0-9]+Q|Q)|^_ZSt|^_Z[0-9]*q|^_ZZ|^_GLOBAL__sub_I|^__' | c++filt |
    sort -u >"$work/platform"
# Compared by demangled name, so that a constructor or destructor counts as used whichever variant is linked.
for exe in "${executables[@]}"; do
    nm --defined-only "$build/$exe" | awk 'NF == 3 { print $3 }'
done | c++filt | sort -u >"$work/used"
comm -23 "$work/platform" "$work/used" >"$work/unused"

sed -e 's/[[:space:]]*#.*$//' -e '/^[[:space:]]*$/d' "$allow" | sort -u >"$work/allowed"
if grep -v '#[[:space:]]*[^[:space:]]' "$allow" | grep -v '^[[:space:]]*$' | grep -q .; then
    echo "scripts/platform-use-allow.txt: every entry needs its reason after '#'" >&2
    exit 1
fi
if ((list)); then
    cat "$work/unused"
    exit 0
fi
unused_count="$(comm -23 "$work/unused" "$work/allowed" | tee "$work/report" | wc -l)"
stale="$(comm -13 "$work/unused" "$work/allowed")"
status=0
if ((unused_count > 0)); then
    echo "platform functions linked into no executable but the tests ($unused_count):"
    sed 's/^/  /' "$work/report"
    echo "remove them (with the tests that exist only for them) or list them in scripts/platform-use-allow.txt"
    status=1
fi
if [[ -n "$stale" ]]; then
    echo "allowed in scripts/platform-use-allow.txt but used or gone now:"
    sed 's/^/  /' <<<"$stale"
    status=1
fi
exit "$status"
