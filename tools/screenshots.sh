#!/usr/bin/env bash
# Renders the main window, each setting page, the printer choice, the wait dialog and the about
# box of devpanel (on the built-in virtual printer) into PNG files, under Xvfb when it is there
# (else on Qt's offscreen platform), and refreshes docs/main-window.png.
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
mkdir -p docs
cp "$out/main-window.png" docs/main-window.png
echo "pictures in $out; docs/main-window.png updated"
