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
data=out/data
./build/native/lumbra --data "$data" outline --length 400 --ruler-height 40 --thickness 24 --png out/stroke.png
./build/native/lumbra --data "$data" outline --length 400 --ruler-height 40 --thickness 24 \
  --png out/ruler-preview.png --preview >/dev/null
echo "main: wrote out/stroke.png and out/ruler-preview.png"
