#!/usr/bin/env bash
# Saves a screenshot of each of the plug-in's windows as a person sees it, in Japanese into
# out/screenshots/ja/ and in English into out/screenshots/en/ (and, on a 144-DPI screen, into
# their dpi144/ folders); the dialog's first tab in each language also goes to docs/images/ for
# the README:
# the x64 plug-in runs in our test host under wine on a virtual display, and the display is
# captured while the window is up.
#   tools/screenshots.sh        (after the win64 build)
set -euo pipefail
cd "$(dirname "$0")/.."
rm -rf out/screenshots && mkdir -p out/screenshots
work=$(mktemp -d)
trap 'rm -rf "$work"; [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null' EXIT

for n in $(seq 150 199); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
Xvfb ":$n" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
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

cp build/win64/Lumbra.8bf "$work/" && cp -r samples/data/. "$work/"
convert -size 6000x8000 gradient:white-skyblue "$work/large.png"

# A window's caption in the language of the run: $1 Japanese, $2 English.
caption() { if [ "$LUMBRA_LANG" = ja ]; then echo "$1"; else echo "$2"; fi; }

# Every window on a screen of $2 dots per inch in the language $3, into the folder $1.
all_shots() {
out=$1
export LUMBRA_WINE_DPI=$2 LUMBRA_LANG=$3
mkdir -p "$out"
# The progress bar while the layer image of a large picture is made.
tools/wine-run.sh build/win64/lumbra_host.exe apply "$(winpath "$work/Lumbra.8bf")" focus \
  "$(winpath "$work/large.png")" "$(winpath "$work/large-out.png")" >/dev/null &
run=$!
wait_for_window "$(caption レイヤーイメージ 'Making the layer')" 600
sleep 0.5
import -window root "$out/progress.png"
wait "$run" || true

# The settings dialog over the sample picture, one screenshot per tab; then each editor and
# generator, opened from the dialog's lists as a person would.
shot() {  # VIEW FILE WINDOW-NAME SETTLE-SECONDS
  tools/wine-run.sh build/win64/lumbra_host.exe dialog "$(winpath "$work/Lumbra.8bf")" \
    "$(winpath samples/sample.png)" "$1" 8 >/dev/null &
  run=$!
  wait_for_window 'Korvane : Lumbra' 300
  wait_for_window "$3" 300
  sleep "$4"
  import -window root "$out/$2.png"
  wait "$run" || true
}
shot 0 settings-tab0 'Korvane : Lumbra' 4
shot 1 settings-tab1 'Korvane : Lumbra' 4
shot 2 settings-tab2 'Korvane : Lumbra' 4
shot zoomed settings-zoomed 'Korvane : Lumbra' 4
shot layout-editor layout-editor "$(caption 線の配置設定 'Line Layout')" 2
shot circle-editor circle-editor "$(caption 線の配置設定 'Line Layout')" 2
shot line-generator line-generator "$(caption '線の配置"' 'Placement"')" 2
shot polygon-generator polygon-generator "$(caption 多角形 Polygon)" 2
shot name-entry name-entry "$(caption プリセットの保存 'Save Preset')" 2
shot ruler-editor ruler-editor "$(caption 定規 'Ruler"')" 2
echo "screenshots: $out: $(ls "$out" | tr '\n' ' ')"
}

for language in ja en; do
  all_shots "out/screenshots/$language" 96 "$language"
  all_shots "out/screenshots/$language/dpi144" 144 "$language"
  # The README's picture of the dialog: the first tab, without the empty screen around it.
  convert "out/screenshots/$language/settings-tab0.png" -trim +repage "docs/images/dialog-$language.png"
done
