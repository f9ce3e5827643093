#!/usr/bin/env bash
# Checks a built plug-in module statically, the way a host first meets it: machine type and no
# DLL beyond those every Windows has, the exported entry point, and a PiPL that names this
# architecture's entry point (read by our x64 test host, which opens either module as data), and a
# version resource with this version in its English and Japanese blocks.
#   check-plugin.sh PLUGIN.8bf i386|x86-64 TEST-HOST.exe
set -euo pipefail
file=$1 machine=$2 testhost=$3
here=$(dirname "$0")
bash "$here/check-pe.sh" "$file" "$machine"
case "$machine" in
  i386) objdump=i686-w64-mingw32-objdump; entry_key=wx86; other_key=8664 ;;
  x86-64) objdump=x86_64-w64-mingw32-objdump; entry_key=8664; other_key=wx86 ;;
esac
exports=$("$objdump" -p "$file")
grep -Eq '^\s*\[\s*[0-9]+\] PluginMain$' <<<"$exports" ||
  { echo "check-plugin: $file does not export PluginMain" >&2; exit 1; }
pipl=$("$here/wine-run.sh" "$testhost" pipl "Z:$(realpath "$file" | tr / '\\')" | tr -d '\r') ||
  { echo "$pipl"; echo "check-plugin: $file: malformed PiPL or terminology" >&2; exit 1; }
grep -q "^8BIM $entry_key 12: 50 6c 75 67 69 6e 4d 61 69 6e 00 00$" <<<"$pipl" ||
  { echo "$pipl"; echo "check-plugin: $file: no '$entry_key' entry point PluginMain" >&2; exit 1; }
grep -q "^8BIM mode 4: 50 30 00 00$" <<<"$pipl" ||
  { echo "$pipl"; echo "check-plugin: $file: modes other than greyscale, RGB, Gray16 and RGB48" >&2; exit 1; }
if grep -q "^8BIM $other_key " <<<"$pipl"; then
  echo "check-plugin: $file also names the other architecture's entry point" >&2; exit 1
fi
version=$(bash "$here/version.sh")
IFS=. read -r major minor patch <<<"$version"
info=$("$here/wine-run.sh" "$testhost" version "Z:$(realpath "$file" | tr / '\\')" | tr -d '\r') ||
  { echo "$info"; echo "check-plugin: $file: no version resource" >&2; exit 1; }
expected="file $major.$minor.$patch.0 product $major.$minor.$patch.0"
for lang in 040904b0 041104b0; do
  expected+=$'\n'"translation $lang"$'\n'"$lang ProductName \"Lumbra\""
  expected+=$'\n'"$(grep "^$lang FileDescription \"Lumbra - .\+\"$" <<<"$info" || echo "$lang: no description")"
  expected+=$'\n'"$lang FileVersion \"$version\""$'\n'"$lang ProductVersion \"$version\""
done
[ "$info" = "$expected" ] ||
  { diff <(echo "$expected") <(echo "$info"); echo "check-plugin: $file: version resource is not $version in English and Japanese" >&2; exit 1; }
echo "check-plugin: $file: exports PluginMain, PiPL names it under '$entry_key', modes grey, RGB, Gray16, RGB48, version $version"
