#!/usr/bin/env bash
# Writes the release package, out/Lumbra-<version>-windows.zip: both plug-in modules, the shipped
# data folder (samples/data and the starting presets made below), README.txt and the licence.
# Builds the native program (for the presets) and the two Windows modules first.
#   tools/package.sh [OUT-DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:-out}
version=$(bash tools/version.sh)
name=Lumbra-$version-windows
jobs=${LUMBRA_JOBS:-$(nproc)}

for preset in native win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" --target "$([ $preset = native ] && echo lumbra || echo Lumbra)"
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/x64" "$stage/x86" "$stage/data"
cp build/win64/Lumbra.8bf "$stage/x64/"
cp build/win32/Lumbra.8bf "$stage/x86/"
cp -r samples/data/. "$stage/data/"
cp LICENSE "$stage/LICENSE"
# README.txt for Notepad: UTF-8 with a byte-order mark, CRLF line ends.
{ printf '\xef\xbb\xbf'; sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' tools/package/README.txt; } >"$stage/README.txt"

# The starting presets, written by our own program so that they are always readable. Every one
# names a layout and a ruler stored beside it.
lumbra() { ./build/native/lumbra --data "$stage/data" "$@" >/dev/null; }
# "straight" (the default ruler's shape) comes with samples/data.
lumbra ruler save swell --points "0,0;30,60;100,0" --curve
# Speed lines across: a path just beyond the right edge (so that no line's base shows), lines
# pointing left over most of the width.
lumbra layout save right-edge --points "104,0;104,100"
lumbra preset save speed-across --layout right-edge --ruler straight --angle 90 --draw-side 0 \
  --path-position 0 --interval 5 --jitter 3 --overshoot 0 --length 900 --min-length 40 --thickness 5 \
  --min-thickness 50 --pen g --height 40 --taper-start 30 --fixed-taper 0 --color '#000000' --antialias 1
# A focus burst: a spiky star round the centre, thick wedges pointing inwards.
lumbra layout save star-burst --polygon 50,50,62,62,16,0,4
lumbra preset save focus-burst --layout star-burst --ruler swell --angle path --draw-side 0 \
  --path-position 0 --interval 12 --jitter 2 --overshoot 20 --length 380 --min-length 50 --thickness 16 \
  --min-thickness 30 --pen mill --height 40 --taper-start 0 --fixed-taper 1 --color '#000000' --antialias 1
# A soft radial: many thin grey lines from a wide ellipse, leaving a large clear centre.
lumbra layout save wide-ellipse --circle 50,50,80,80,0,360
lumbra preset save soft-radial --layout wide-ellipse --ruler straight --angle path --draw-side 0 \
  --path-position 0 --interval 3 --jitter 2 --overshoot 0 --length 520 --min-length 30 --thickness 3 \
  --min-thickness 20 --pen g --height 40 --taper-start 60 --fixed-taper 0 --color '#707070' --antialias 1

mkdir -p "$out"
rm -f "$out/$name.zip"
(cd "$stage" && zip -q -X -r "$OLDPWD/$out/$name.zip" x64 x86 data README.txt LICENSE)
echo "package: wrote $out/$name.zip"
