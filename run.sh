#!/usr/bin/env bash
# Installs what is missing, builds, and starts the GUI on the virtual printer. Without a display
# it runs under xvfb-run, saves a screenshot of the screen and prints its path. Arguments are
# passed to devpanel (default: --virtual).
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
./tools/configure.sh build -O2
cmake --build build -j "${JOBS:-2}"

args=("$@")
[ ${#args[@]} -eq 0 ] && args=(--virtual)

if [ ! -x build/qtapp/devpanel ]; then
  # The GUI is not built yet: show what the command-line tool reads from the virtual printer.
  exec build/cli/devpanel-cli "${args[@]}" read
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/qtapp/devpanel "${args[@]}"
fi

shot=${SCREENSHOT:-$PWD/build/devpanel-screenshot.png}
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$0" "${@:2}" & pid=$!
  sleep "${SCREENSHOT_DELAY:-4}"
  import -window root "$1"
  kill $pid 2>/dev/null; wait $pid 2>/dev/null || true
' build/qtapp/devpanel "$shot" "${args[@]}"
echo "screenshot: $shot"
