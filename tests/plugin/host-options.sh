#!/usr/bin/env bash
# lumbra_host apply with each host answer it can play: the flat, unset-column-step and
# no-dispose hosts give the same picture as the reference host; layer masks, one-plane targets
# and 16-bit samples are filtered too.
#   host-options.sh WINE-RUN HOST.exe PLUGIN.8bf DATA-DIR PICTURE.png WORK-DIR
set -euo pipefail
wine_run=$1 host=$2 plugin=$3 data=$4 picture=$5 work=$6
winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }
rm -rf "$work" && mkdir -p "$work/plugin"
cp "$plugin" "$work/plugin/" && cp -r "$data/." "$work/plugin/"
apply() {
  local out=$1
  shift
  "$wine_run" "$host" apply "$(winpath "$work/plugin/$(basename "$plugin")")" focus "$(winpath "$picture")" \
    "$(winpath "$work")\\$out" "$@" | tr -d '\r'
}
apply reference.png
apply other-host.png --flat --column-bytes-0 --no-dispose
cmp "$work/reference.png" "$work/other-host.png" ||
  { echo "host-options: the flat, column-bytes-0, no-dispose host got another picture" >&2; exit 1; }
apply grey.png --gray
apply grey-flat.png --gray --flat --column-bytes-0
cmp "$work/grey.png" "$work/grey-flat.png" || { echo "host-options: grey flat host differs" >&2; exit 1; }
apply masked.png --layer-mask
apply one-plane.png --one-plane
apply deep.png --16bit --flat
apply deep-grey.png --16bit --gray --layer-mask
echo "host-options: every host answer filtered"
