#!/usr/bin/env bash
# Renders the eleven setting pages, filled with sample printer values, into PNG files (under
# Xvfb when it is there, else on Qt's offscreen platform) and refreshes the three page pictures
# of docs/ (paper, setup, tray renumbering).
#   tools/page-screenshots.sh [OUTPUT-FOLDER]      (default: build/page-screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
out=${1:-$build/page-screenshots}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target page_screenshots -j "${JOBS:-2}"

state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT
export XDG_STATE_HOME=$state/state XDG_CONFIG_HOME=$state/config XDG_RUNTIME_DIR=$state/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

if command -v xvfb-run >/dev/null; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$build/tests/pages/page_screenshots" "$out"
else
  QT_QPA_PLATFORM=offscreen "$build/tests/pages/page_screenshots" "$out"
fi

# Small palette images for the documentation.
mkdir -p docs
for pair in "01 paper" "06 setup" "08 renumber"; do
  set -- $pair
  if command -v convert >/dev/null; then
    convert "$out/page-$1.png" -strip -dither None -colors 96 "docs/page-$2.png"
  else
    cp "$out/page-$1.png" "docs/page-$2.png"
  fi
done
echo "pages in $out; docs/page-paper.png, docs/page-setup.png, docs/page-renumber.png refreshed"
