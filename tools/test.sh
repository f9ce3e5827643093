#!/usr/bin/env bash
# Every test: native, under the sanitizers, the Windows x64 build under wine64, the x86
# build checked statically, the release package unpacked and checked, and every reader fuzzed for
# a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
jobs=$(nproc)
fuzz_seconds=${LUMBRA_FUZZ_SECONDS:-15}  # per fuzz target

step() { printf '\n=== %s (at %ss) ===\n' "$*" "$SECONDS"; }

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
# The tests under wine spend most of their time waiting on windows: the x86 and fuzz builds, which
# need no display, compile meanwhile (each logged, with its exit status).
later=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$later"' EXIT
build_later() {
  if (cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$jobs") >"$later/$1.log" 2>&1; then
    echo 0 >"$later/$1.rc"
  else
    echo 1 >"$later/$1.rc"
  fi
}
(build_later win32; build_later fuzz) &
builds=$!
ctest --preset win64
bash tools/check-plugin.sh build/win64/Lumbra.8bf x86-64 build/win64/lumbra_host.exe
wait "$builds"
# A build made meanwhile: its last line, or its whole log when it failed.
built() {
  if [ "$(cat "$later/$1.rc")" = 0 ]; then tail -n 1 "$later/$1.log"; else cat "$later/$1.log"; echo "$1 build failed"; exit 1; fi
}

step "win32 (static checks)"
built win32
bash tools/check-pe.sh build/win32/lumbra_tests.exe i386
bash tools/check-plugin.sh build/win32/Lumbra.8bf i386 build/win64/lumbra_host.exe
bash tools/check-pe.sh build/win64/lumbra_tests.exe x86-64

step "package"
bash tools/package.sh build/package
bash tests/package/check_package.sh "build/package/Lumbra-$(bash tools/version.sh)-windows.zip" build/native/lumbra

step "fuzz (${fuzz_seconds}s per target)"
built fuzz
corpus=$later/corpus
# A tiny seed corpus for each target: valid files of its kind and a few awkward ones.
seed() { mkdir -p "$corpus/$1" && printf "$3" >"$corpus/$1/$2"; }
seed fuzz_ruler_reader default '\x09\x00.qmfruler\xe8\x03\x00\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x64\x00\x00\x00\x00\x00\x00\x00'
seed fuzz_layout_reader default '\x0a\x00.qmflayout\xe8\x03\x00\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x64\x00\x00\x00'
seed fuzz_layout_reader circle '\x0a\x00.qmflayout\xe8\x03\x00\x00\x01\x03\x00\x00\x00\x32\x00\x00\x00\x32\x00\x00\x00\x49\x00\x00\x00\x49\x00\x00\x00\x00\x00\x00\x00\x68\x01\x00\x00'
# Names the layout "a" and the ruler "b" that the target stores in its data folder.
seed fuzz_preset_reader named '\x0a\x00.qmfpreset\xe8\x03\x00\x00\x01\x00a\x01\x00b\x00\x00\x00\x00\x00\x00\x01\x00\x80\x0a\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x28\x00\x00\x00\xc8\x00\x00\x00\x46\x0a\x00\x00\x00\x64\x32\x01'
seed fuzz_preset_reader missing '\x0a\x00.qmfpreset\xe8\x03\x00\x00\x04\x00none\x06\x00latest\xff\x00\x00\x00\x01\x01\x03\x2d\x00\x05\x00\x00\x00\x04\x0a\x00\x00\x00\x03\x01\x01\x00\x00\x00\x05\x00\x00\x00\x01\x01\x00\x00\x00\x01\x00\x00'
seed fuzz_point_file blank '10,20\r\n30, 40\n\n50,60\n'
seed fuzz_point_file header '\xef\xbb\xbfx,y\n-5,2147483647\n1,2,3\n'
for target in build/fuzz/fuzz_*; do
  name=$(basename "$target")
  mkdir -p "$corpus/$name"
  # Seed files kept in the tree (binary ones, such as pictures).
  if [ -d "tests/fuzz/seeds/$name" ]; then cp tests/fuzz/seeds/"$name"/* "$corpus/$name/"; fi
  log="$corpus/$name.log"
  if ! "$target" -max_total_time="$fuzz_seconds" -rss_limit_mb=1024 -print_final_stats=1 "$corpus/$name" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "$name found a failure"
    exit 1
  fi
  echo "$name: $(awk '/^stat::number_of_executed_units/ {print $2}' "$log") runs, clean"
done

echo
echo "all tests passed in ${SECONDS}s"
