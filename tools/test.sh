#!/usr/bin/env bash
# Every test: native, under the sanitizers, the Windows x64 build under wine64, the x86
# build checked statically, and the ruler reader fuzzed for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
jobs=$(nproc)
fuzz_seconds=${LUMBRA_FUZZ_SECONDS:-60}

step() { printf '\n=== %s ===\n' "$*"; }

step "native"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

step "native-asan"
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan -j "$jobs"
ctest --preset native-asan -j "$jobs"

step "win64 (tests under wine64)"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
ctest --preset win64

step "win32 (static checks)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
bash tools/check-pe.sh build/win32/lumbra_tests.exe i386
bash tools/check-pe.sh build/win64/lumbra_tests.exe x86-64

step "fuzz (${fuzz_seconds}s)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
printf '\x09\x00.qmfruler\xe8\x03\x00\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x64\x00\x00\x00\x00\x00\x00\x00' >"$corpus/default"
./build/fuzz/fuzz_ruler_reader -max_total_time="$fuzz_seconds" -rss_limit_mb=1024 -print_final_stats=1 "$corpus" 2>&1 | tail -n 5

echo
echo "all tests passed"
