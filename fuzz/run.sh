#!/bin/bash
# Builds the libFuzzer targets with clang and runs one for a bounded time.
# Usage: fuzz/run.sh [seconds (default 60)] [target (default fuzz_archive): fuzz_archive or fuzz_board]
# The build goes to $ZB_FUZZ_BUILD_DIR (default: build/fuzz in the checkout); the corpus
# starts from fuzz/seeds/<target>/*.hex and grows in the build folder, never in the source tree.
set -euo pipefail

seconds=${1:-60}
target=${2:-fuzz_archive}
here=$(cd "$(dirname "$0")" && pwd)
# Inside the checkout, so that several checkouts on one machine never share a build folder.
build=${ZB_FUZZ_BUILD_DIR:-$here/../build/fuzz}

export CC=${CC:-clang}
export CXX=${CXX:-clang++}
# Targets that run the program do it headless; leaks inside system libraries are not ours to report.
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS=suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}

# libFuzzer ships in clang's runtime package; install it when missing and we may.
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' |
        "$CXX" -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
    major=$("$CXX" -dumpversion | cut -d. -f1)
    package=libclang-rt-${major}-dev
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
        apt-get install -y "$package"
    else
        echo "libFuzzer is missing: install $package (apt-get install $package)" >&2
        exit 1
    fi
fi

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target "$target"

# Seeds are hex text ('#' starts a comment) so that they can be read and reviewed.
corpus=$build/corpus/$target
mkdir -p "$corpus"
for seed in "$here/seeds/$target"/*.hex; do
    [ -e "$seed" ] || continue
    hex=$(sed 's/#.*//' "$seed" | tr -d ' \t\r\n')
    printf '%b' "$(echo "$hex" | sed 's/\(..\)/\\x\1/g')" >"$corpus/seed-$(basename "$seed" .hex)"
done

artifacts=$build/artifacts/$target
mkdir -p "$artifacts"
"$build/$target" "$corpus" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=512 -timeout=30 \
    -artifact_prefix="$artifacts/" -print_final_stats=1
