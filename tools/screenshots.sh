#!/usr/bin/env bash
# Saves a screenshot of each of the plug-in's windows as a person sees it, into out/screenshots/:
# the x64 plug-in runs in our test host under wine on a virtual display, and the display is
# captured while the window is up.
#   tools/screenshots.sh        (after the win64 build)
set -euo pipefail
cd "$(dirname "$0")/.."
out=out/screenshots
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"; [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null' EXIT

for n in $(seq 150 199); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
sleep 1
winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }
# Waits (up to $2 tenths of a second) for a window whose name holds $1 to be on the display.
wait_for_window() {
  for _ in $(seq "$2"); do
    windows=$(xwininfo -root -tree 2>/dev/null || true)
    grep -q "$1" <<<"$windows" && return 0
    sleep 0.1
  done
}

# The progress bar while the layer image of a large picture is made.
cp build/win64/Lumbra.8bf "$work/" && cp -r samples/data/. "$work/"
convert -size 6000x8000 gradient:white-skyblue "$work/large.png"
tools/wine-run.sh build/win64/lumbra_host.exe apply "$(winpath "$work/Lumbra.8bf")" focus \
  "$(winpath "$work/large.png")" "$(winpath "$work/large-out.png")" >/dev/null &
run=$!
wait_for_window 'レイヤーイメージ' 600
sleep 0.5
import -window root "$out/progress.png"
wait "$run" || true

# The settings dialog over the sample picture, one screenshot per tab.
for tab in 0 1; do
  tools/wine-run.sh build/win64/lumbra_host.exe dialog "$(winpath "$work/Lumbra.8bf")" \
    "$(winpath samples/sample.png)" "$tab" 8 >/dev/null &
  run=$!
  wait_for_window 'Korvane : Lumbra' 300
  sleep 4  # the first render and the preview
  import -window root "$out/settings-tab$tab.png"
  wait "$run" || true
done
echo "screenshots: $out/progress.png, $out/settings-tab0.png, $out/settings-tab1.png"
