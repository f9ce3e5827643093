#!/usr/bin/env bash
# The main job: set up the machine, build every preset, and draw the default ruler's stroke
# and its preview into out/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
jobs=$(nproc)

for preset in native win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

mkdir -p out
lumbra=./build/native/lumbra
# The default preset (a fresh data folder holds only defaults) and the shipped focus-line preset.
"$lumbra" --data out/data render --preset latest samples/sample.png out/default.png
"$lumbra" --data samples/data render --preset focus --svg out/focus.svg samples/sample.png out/focus.png
"$lumbra" --data out/data outline --length 400 --ruler-height 40 --thickness 24 --png out/stroke.png >/dev/null
"$lumbra" --data out/data outline --length 400 --ruler-height 40 --thickness 24 \
  --png out/ruler-preview.png --preview >/dev/null
echo "main: wrote $(pwd)/out/default.png and out/focus.png (and focus.svg, stroke.png, ruler-preview.png);"
echo "main: the Windows builds (x64, x86) are in build/win64 and build/win32"
