#!/usr/bin/env bash
# Runs a Windows x64 program under wine64, headless.
# Prepares a private wine prefix once (with Japanese font substitutes), keeps wine quiet,
# and starts an Xvfb display when none is set.
set -euo pipefail

wine=/usr/lib/wine/wine64
[ -x "$wine" ] || { echo "wine-run: $wine not found (run tools/setup.sh)" >&2; exit 127; }

# LUMBRA_WINE_DPI=144 runs in a prefix of its own whose screen has that many dots per inch.
dpi=${LUMBRA_WINE_DPI:-96}
default_prefix=${XDG_CACHE_HOME:-$HOME/.cache}/lumbra/wine64
[ "$dpi" = 96 ] || default_prefix=$default_prefix-dpi$dpi
export WINEPREFIX="${LUMBRA_WINEPREFIX:-$default_prefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    # Close wine's connection to the display before the display goes.
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    break
  done
fi

if [ ! -f "$WINEPREFIX/.lumbra-ready-3" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.lumbra-ready-3" ]; then
      "$wine" wineboot --init >/dev/null 2>&1 || true
      reg=$(mktemp --suffix=.reg)
      cat >"$reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"MS UI Gothic"="IPAPGothic"
"MS Shell Dlg"="IPAGothic"
"MS Shell Dlg 2"="IPAGothic"

; No window manager runs on the virtual display: windows are not left to one (wine would wait
; for it on every hide and destroy).
[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
REG
      if [ "$dpi" != 96 ]; then
        printf '\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=dword:%08x\n' "$dpi" >>"$reg"
        printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts]\n"LogPixels"=dword:%08x\n' "$dpi" >>"$reg"
      fi
      "$wine" regedit "$reg" >/dev/null 2>&1 || true
      rm -f "$reg"
      /usr/lib/wine/wineserver -w 2>/dev/null || true
      touch "$WINEPREFIX/.lumbra-ready-3"
    fi
  ) 9>"$WINEPREFIX.lock"
fi

set +e
"$wine" "$@"
status=$?
set -e
exit $status
