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
  # A unity build at -O1 without debug information (nothing reads it under Wine): a third of the
  # compile time of -O2 -g.
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -DNDEBUG" \
    -DCMAKE_UNITY_BUILD=ON -DDEVPANEL_WERROR=$werror -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
fi
echo "== Windows build (MinGW-w64, tests under Wine)"
cmake --build "$dir" -j "$jobs"

# One prefix per build folder, made once: no Mono or Gecko download is offered (offline).
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
fi
# One Wine server for the whole run, kept until the end (-p). Without it every test program
# starts a server that ends a few seconds after its last client; a test that connects while it
# is ending dies with "wine client error: recvmsg: Connection reset by peer". The first program
# also starts the prefix's services (services.exe, winedevice.exe): started here, with their
# output on /dev/null, they hold no test's output pipe open, so ctest never waits on them.
# A server left by the build (test discovery) or an earlier run is ended first: the prefix is
# this build folder's own.
wineserver -k 2>/dev/null || true
wineserver -w
trap 'wineserver -k 2>/dev/null || true' EXIT
# Its own output goes nowhere: it opens LPT1's pty for the end-to-end run, and when the printer
# closes that pty the hang-up makes it print every object it holds.
wineserver -p >/dev/null 2>&1
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
status=0
start=$(date +%s)
(cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 300) || status=$?
echo "== ctest under Wine: $(( $(date +%s) - start )) s"
# The end-to-end run says something of its own even when a unit test failed.
e2e=0
start=$(date +%s)
./tools/wine-lpt-e2e.sh "$dir" build || e2e=$?
echo "== end to end on LPT1 under Wine: $(( $(date +%s) - start )) s"
[ $status -ne 0 ] || status=$e2e
exit $status
