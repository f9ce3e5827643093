#!/usr/bin/env bash
# lumbra_host apply with each host answer it can play: the flat, unset-column-step and
# no-dispose hosts give the same picture as the reference host; layer masks, one-plane targets
# and 16-bit samples are filtered too.
#   host-options.sh WINE-RUN HOST.exe PLUGIN.8bf DATA-DIR PICTURE.png WORK-DIR NATIVE-LUMBRA
set -euo pipefail
wine_run=$1 host=$2 plugin=$3 data=$4 picture=$5 work=$6 lumbra=$7
winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }
rm -rf "$work" && mkdir -p "$work/plugin"
cp "$plugin" "$work/plugin/" && cp -r "$data/." "$work/plugin/"
# The shipped focus lines without their random parts, so that two runs draw the same picture.
"$lumbra" --data "$work/plugin" preset save steady --from focus --jitter 0 --overshoot 0 --min-length 100 \
  --min-thickness 100 >/dev/null
same() {
  local differing
  differing=$(compare -metric AE "$work/$1" "$work/$2" null: 2>&1 || true)
  [ "$differing" = 0 ] || { echo "host-options: $2 differs from $1 in $differing pixels" >&2; exit 1; }
}
apply() {
  local out=$1
  shift
  "$wine_run" "$host" apply "$(winpath "$work/plugin/$(basename "$plugin")")" steady "$(winpath "$picture")" \
    "$(winpath "$work")\\$out" "$@" | tr -d '\r'
}
apply reference.png
apply other-host.png --flat --column-bytes-0 --no-dispose
same reference.png other-host.png
apply grey.png --gray
apply grey-flat.png --gray --flat --column-bytes-0
same grey.png grey-flat.png
apply masked.png --layer-mask
apply one-plane.png --one-plane
apply deep.png --16bit --flat
apply deep-grey.png --16bit --gray --layer-mask
echo "host-options: every host answer filtered"
