#!/usr/bin/env bash
# Renders devpanel.exe's windows on the built-in virtual printer into PNG files under Wine on an
# Xvfb display: the main window with each setting page, the printer choice, the wait dialog and
# the about box (tests/winui/screenshots.cpp). Then refreshes docs/main-window-windows.png (the
# setup page, as docs/main-window.png shows the Qt program).
#   tools/screenshots-windows.sh [OUTPUT-FOLDER]      (default: build-win/screenshots)
# Needs the Windows build and its Wine prefix as tools/test-windows.sh leaves them (the Korean
# font for 굴림 and Wine's desktop are set there).
set -euo pipefail
# The output folder is taken relative to where the script is called from.
[ $# -ge 1 ] && out=$(realpath -m -- "$1")
cd "$(dirname "$0")/.."
dir=${BUILD_DIR:-build-win}
out=${out:-$PWD/$dir/screenshots}
export WINEPREFIX=$PWD/$dir/wineprefix
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
[ -f "$WINEPREFIX/system.reg" ] || { echo "screenshots-windows: run tools/test-windows.sh first" >&2; exit 1; }
cmake --build "$dir" --target winui_screenshots -j "${JOBS:-2}"
mkdir -p "$out"
# A display of its own; the prefix's services and desktop are started before the first window:
# a program whose windows come first on a fresh Wine server cannot create them.
wineserver -k 2>/dev/null || true
wineserver -w
rm -f "$dir/xvfb-shots.display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$dir/xvfb-shots.display" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'wineserver -k 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do [ -s "$dir/xvfb-shots.display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$dir/xvfb-shots.display")"
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
wine "$dir/tests/winui/winui_screenshots.exe" "$(winepath -w "$out")"

# Small palette images keep the documentation light.
if command -v convert >/dev/null; then
  convert "$out/page-6.png" -strip -dither None -colors 96 PNG8:docs/main-window-windows.png
else
  cp "$out/page-6.png" docs/main-window-windows.png
fi
echo "pictures in $out; docs/main-window-windows.png refreshed"
