#!/usr/bin/env bash
# The Windows build: the core and devpanel-cli cross-built with MinGW-w64 (cmake/mingw-w64-x86_64.cmake)
# into build-win, their tests run under Wine in a private, offline Wine prefix, and the end-to-end
# run of devpanel-cli.exe on LPT1 against the Linux virtual printer (tools/wine-lpt-e2e.sh, which
# needs the normal Linux build in build/).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
dir=build-win

export WINEPREFIX=$PWD/$dir/wineprefix
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all

if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEVPANEL_WERROR=$werror \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
fi
echo "== Windows build (MinGW-w64, tests under Wine)"
cmake --build "$dir" -j "$jobs"

# One prefix per build folder, made once: no Mono or Gecko download is offered (offline).
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
fi
status=0
(cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 300) || status=$?
if [ $status -eq 0 ]; then
  ./tools/wine-lpt-e2e.sh "$dir" build || status=$?
fi
wineserver -k 2>/dev/null || true
exit $status
