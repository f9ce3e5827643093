#!/usr/bin/env bash
# Every control of the settings dialog set through the user interface and saved with Ctrl+S
# (under wine), then the saved preset read back by the native `lumbra show` and compared with
# the values set, field by field.
#   round-trip.sh WINE-RUNNER LUMBRA_TESTS.EXE NATIVE-LUMBRA WORK-DIR
set -euo pipefail
runner=$1 tests=$2 lumbra=$3 work=$4
if [ ! -x "$lumbra" ]; then
  echo "round-trip: $lumbra is missing; build the native preset first (tools/test.sh does)" >&2
  exit 1
fi
rm -rf "$work" && mkdir -p "$work"
windir="Z:$(echo "$work" | tr / '\\')"
LUMBRA_ROUND_TRIP_DIR="$windir" "$runner" "$tests" \
  --gtest_filter=SettingPagesTest.EveryControlReachesTheSavedPreset
[ -f "$work/roundtrip.qmfpreset" ] || { echo "round-trip: the dialog test left no preset" >&2; exit 1; }
"$lumbra" show "$work/roundtrip.qmfpreset" >"$work/shown.json"
python3 - "$work/expected.json" "$work/shown.json" <<'PY'
import json, sys
expected = json.load(open(sys.argv[1]))
shown = json.load(open(sys.argv[2]))
wrong = [f"{k}: set {expected[k]!r}, read back {shown.get(k)!r}" for k in expected if shown.get(k) != expected[k]]
extra = sorted(set(shown) - set(expected))
if wrong or extra:
    print("round-trip: the saved preset differs from what was set", *wrong, *[f"{k}: not checked" for k in extra], sep="\n  ")
    sys.exit(1)
print(f"round-trip: all {len(expected)} fields read back as set")
PY
