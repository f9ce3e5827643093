#!/usr/bin/env bash
# Unpacks the release package and checks it: exactly the expected files, each module built for
# its machine (read from the PE header), every preset readable by our program with its layout and
# ruler beside it, a README.txt in English and Japanese, and the licence.
#   check_package.sh PACKAGE.zip LUMBRA-PROGRAM
set -euo pipefail
zip=$1 lumbra=$2
fail() { echo "check_package: $zip: $*" >&2; exit 1; }
[ -f "$zip" ] || fail "missing"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
unzip -q "$zip" -d "$dir"

# The file list: both modules, the data folder, README.txt and LICENSE, nothing else.
files=$(cd "$dir" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
expected=$(LC_ALL=C sort <<'LIST'
x64/Lumbra.8bf
x86/Lumbra.8bf
README.txt
LICENSE
data/preset/focus.qmfpreset
data/preset/speed-across.qmfpreset
data/preset/focus-burst.qmfpreset
data/preset/soft-radial.qmfpreset
data/layout/default-circle.qmflayout
data/layout/right-edge.qmflayout
data/layout/star-burst.qmflayout
data/layout/wide-ellipse.qmflayout
data/ruler/straight.qmfruler
data/ruler/swell.qmfruler
LIST
)
[ "$files" = "$expected" ] || { diff <(echo "$expected") <(echo "$files") >&2 || true; fail "unexpected file list"; }

# The PE machine type: the 16-bit word after "PE\0\0", whose offset is at 0x3c.
machine() {
  local f=$1 pe
  [ "$(head -c 2 "$f")" = MZ ] || { echo none; return; }
  pe=$(od -An -tu4 -j 60 -N 4 "$f" | tr -d ' ')
  [ "$(od -An -c -j "$pe" -N 4 "$f" | tr -d ' ')" = 'PE\0\0' ] || { echo none; return; }
  printf '0x%x\n' "$(od -An -tu2 -j $((pe + 4)) -N 2 "$f" | tr -d ' ')"
}
[ "$(machine "$dir/x64/Lumbra.8bf")" = 0x8664 ] || fail "x64/Lumbra.8bf is not an x64 module ($(machine "$dir/x64/Lumbra.8bf"))"
[ "$(machine "$dir/x86/Lumbra.8bf")" = 0x14c ] || fail "x86/Lumbra.8bf is not an x86 module ($(machine "$dir/x86/Lumbra.8bf"))"

# Every preset, layout and ruler reads; every preset's layout and ruler are in the package.
for f in "$dir"/data/*/*; do "$lumbra" show "$f" >/dev/null || fail "${f#"$dir"/} does not read"; done
for preset in "$dir"/data/preset/*.qmfpreset; do
  json=$("$lumbra" show "$preset")
  layout=$(sed -n 's/.*"layout":"\([^"]*\)".*/\1/p' <<<"$json")
  ruler=$(sed -n 's/.*"ruler":"\([^"]*\)".*/\1/p' <<<"$json")
  [ -f "$dir/data/layout/$layout.qmflayout" ] || fail "$(basename "$preset") names layout '$layout', not in the package"
  [ -f "$dir/data/ruler/$ruler.qmfruler" ] || fail "$(basename "$preset") names ruler '$ruler', not in the package"
  # And it draws: the lines alone over a small blank page cover some pixels.
  [ "$("$lumbra" --data "$dir/data" place --preset "$(basename "$preset" .qmfpreset)" --size 300x200 --seed 1 | wc -l)" -gt 10 ] ||
    fail "$(basename "$preset") places (almost) no lines"
done

# README.txt: both languages, the data folders, the version in the package's name.
readme=$dir/README.txt
version=$(basename "$zip" | sed -n 's/^Lumbra-\(.*\)-windows\.zip$/\1/p')
[ -n "$version" ] || fail "not named Lumbra-<version>-windows.zip"
for text in "Lumbra $version" Install Uninstall 'Korvane\Lumbra' 'preset\' 'layout\' 'ruler\' LUMBRA_LANG インストール アンインストール データの保存場所 表示言語; do
  grep -qF "$text" "$readme" || fail "README.txt lacks \"$text\""
done
grep -q "MIT License" "$dir/LICENSE" || fail "LICENSE is not the MIT licence"
echo "check_package: $zip: $(wc -l <<<"$files") files, x64 and x86 modules, presets complete, README in English and Japanese"
