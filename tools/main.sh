#!/usr/bin/env bash
# The main job: set up the machine, build every preset (the plug-in Lumbra.8bf for x64 and x86
# among them), render the default preset and the shipped focus-line preset over the sample
# picture into out/, and apply the focus preset once more through the real x64 plug-in, loaded
# by our test host under wine; then write the release package into out/ and check it.
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
# The README's pictures: the focus preset plain, with white rims and in bundles, at half size
# and with fixed seeds, so that they are the same files every time.
styles=out/styles-data
rm -rf "$styles" && cp -r samples/data "$styles"
"$lumbra" --data "$styles" preset save focus-edged --from focus --edge-width 3 --edge-color '#FFFFFF' >/dev/null
"$lumbra" --data "$styles" preset save focus-bundled --from focus --bundle-lines 6 --bundle-gap 5 \
  --bundle-variation 50 >/dev/null
for name in focus focus-edged focus-bundled; do
  "$lumbra" --data "$styles" render --preset "$name" --seed 7 samples/sample.png "out/readme-$name.png"
  convert "out/readme-$name.png" -resize 50% -strip -define png:exclude-chunks=date,time "docs/images/$name.png"
done
"$lumbra" --data out/data outline --length 400 --ruler-height 40 --thickness 24 --png out/stroke.png >/dev/null
"$lumbra" --data out/data outline --length 400 --ruler-height 40 --thickness 24 \
  --png out/ruler-preview.png --preview >/dev/null
# The plug-in as a host installs it: the module with its data folder beside it.
rm -rf out/plugin && mkdir -p out/plugin && cp build/win64/Lumbra.8bf out/plugin/ && cp -r samples/data/. out/plugin/
tools/wine-run.sh build/win64/lumbra_host.exe apply "Z:$(realpath out/plugin/Lumbra.8bf | tr / '\\')" focus \
  "Z:$(realpath samples/sample.png | tr / '\\')" "Z:$(pwd | tr / '\\')\\out\\focus-plugin.png" | tr -d '\r'
bash tools/package.sh out
bash tests/package/check_package.sh "out/Lumbra-$(bash tools/version.sh)-windows.zip" "$lumbra"
echo "main: wrote $(pwd)/out/default.png and out/focus.png (and focus.svg, stroke.png, ruler-preview.png),"
echo "main: and out/focus-plugin.png through build/win64/Lumbra.8bf under wine;"
echo "main: the plug-ins: build/win64/Lumbra.8bf (x64) and build/win32/Lumbra.8bf (x86);"
echo "main: the package: out/Lumbra-$(bash tools/version.sh)-windows.zip"
