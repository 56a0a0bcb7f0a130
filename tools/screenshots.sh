#!/usr/bin/env bash
# Renders the main window, each setting page, the printer choice, the wait dialog and the about
# box of devpanel (on the built-in virtual printer) into PNG files, under Xvfb when it is there
# (else on Qt's offscreen platform), and refreshes docs/main-window.png (the setup page).
#   tools/screenshots.sh [OUTPUT-FOLDER]      (default: build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
out=${1:-$build/screenshots}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target gui_screenshots -j "${JOBS:-2}"

state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT
export XDG_STATE_HOME=$state/state XDG_CONFIG_HOME=$state/config XDG_RUNTIME_DIR=$state/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

if command -v xvfb-run >/dev/null; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$build/tests/gui/gui_screenshots" "$out"
else
  QT_QPA_PLATFORM=offscreen "$build/tests/gui/gui_screenshots" "$out"
fi
# The README shows the main window with the setup page open; a palette image keeps it small.
mkdir -p docs
if command -v convert >/dev/null; then
  convert "$out/page-6.png" -colors 96 PNG8:docs/main-window.png
else
  cp "$out/page-6.png" docs/main-window.png
fi
echo "pictures in $out; docs/main-window.png updated"
