#!/usr/bin/env bash
# Renders devpanel on the built-in virtual printer into PNG files, under Xvfb when it is there
# (else on Qt's offscreen platform):
#   OUTPUT/          the main window with each setting page, the printer choice, the wait dialog
#                    and the about box (tests/qtapp/gui_screenshots);
#   OUTPUT/pages/    each setting page alone, filled with sample printer values
#                    (tests/pages/page_screenshots).
#   OUTPUT/en/       the same windows in English.
# Then refreshes the pictures of docs/: the main window (setup page) and three pages, and the main
# window on three pages in English.
#   tools/screenshots.sh [OUTPUT-FOLDER]      (default: build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
out=${1:-$build/screenshots}
./tools/configure.sh "$build" -O2
cmake --build "$build" --target gui_screenshots page_screenshots -j "${JOBS:-2}"

state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT
export XDG_STATE_HOME=$state/state XDG_CONFIG_HOME=$state/config XDG_RUNTIME_DIR=$state/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

render() {  # program, arguments...
  if command -v xvfb-run >/dev/null; then
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$@"
  else
    QT_QPA_PLATFORM=offscreen "$@"
  fi
}
render "$build/tests/qtapp/gui_screenshots" "$out"
render "$build/tests/qtapp/gui_screenshots" --lang en "$out/en"
render "$build/tests/pages/page_screenshots" "$out/pages"

# Small palette images keep the documentation light.
shrink() {  # source, target
  if command -v convert >/dev/null; then
    convert "$1" -strip -dither None -colors 96 PNG8:"$2"
  else
    cp "$1" "$2"
  fi
}
mkdir -p docs
shrink "$out/page-6.png" docs/main-window.png
shrink "$out/restore-dialog.png" docs/restore-dialog.png
for pair in "01 paper" "06 setup" "08 renumber"; do
  set -- $pair
  shrink "$out/pages/page-$1.png" "docs/page-$2.png"
done
# The same window in English: the setup page, paper and tray renumbering.
shrink "$out/en/page-6.png" docs/main-window-en.png
shrink "$out/en/page-1.png" docs/page-paper-en.png
shrink "$out/en/page-8.png" docs/page-renumber-en.png
echo "pictures in $out and $out/pages; docs/*.png refreshed"
