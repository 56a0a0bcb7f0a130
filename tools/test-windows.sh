#!/usr/bin/env bash
# The Windows build: the core, devpanel-cli and the Win32 front end devpanel.exe cross-built with
# MinGW-w64 (cmake/mingw-w64-x86_64.cmake) into build-win, their tests run under Wine in a private,
# offline Wine prefix on a display of their own (Xvfb), and end-to-end runs against the Linux
# build in build/: devpanel-cli.exe on LPT1 with the Linux virtual printer (tools/wine-lpt-e2e.sh)
# and on a loopback network port (tools/wine-net-e2e.sh),
# and devpanel.exe driven by the keyboard on the virtual printer (tools/wine-gui-e2e.sh); then the
# Windows ZIP is packed and its contents checked.
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
# The windows' tests and devpanel.exe need a display: an Xvfb of this run's own, on a free number.
xvfb_pid=
trap 'wineserver -k 2>/dev/null || true; [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true' EXIT
rm -f "$dir/xvfb.display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/xvfb.display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -s "$dir/xvfb.display" ] && break; sleep 0.1; done
[ -s "$dir/xvfb.display" ] || { echo "test-windows: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -1 "$dir/xvfb.display")"
# Its own output goes nowhere: it opens LPT1's pty for the end-to-end run, and when the printer
# closes that pty the hang-up makes it print every object it holds.
wineserver -p >/dev/null 2>&1
# The dialogs' font "굴림" (and its Latin name) stands in as the Korean font installed here: without
# it every Korean letter is a box. Wine's own desktop window holds every window of the run, so that
# a modal dialog ends at once and a program's exit code comes back through wine.
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
  '"굴림"="NanumGothic"' '"Gulim"="NanumGothic"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Default"="1024x768"' |
  iconv -f UTF-8 -t UTF-16 >"$dir/wine-desktop.reg"
wine regedit /S "$(winepath -w "$PWD/$dir/wine-desktop.reg")" >/dev/null 2>&1 </dev/null
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
net=0
start=$(date +%s)
./tools/wine-net-e2e.sh "$dir" build || net=$?
echo "== end to end on a network port under Wine: $(( $(date +%s) - start )) s"
[ $status -ne 0 ] || status=$net
gui=0
start=$(date +%s)
./tools/wine-gui-e2e.sh "$dir" build || gui=$?
echo "== end to end through devpanel.exe's windows under Wine: $(( $(date +%s) - start )) s"
[ $status -ne 0 ] || status=$gui

# The package people download: one ZIP (CPack) that must hold both programs, the configuration,
# the virtual printer's model and the README.
zip_ok=0
(cd "$dir" && cpack -G ZIP >cpack.log 2>&1) || { cat "$dir/cpack.log"; zip_ok=1; }
if [ $zip_ok -eq 0 ]; then
  python3 - "$dir" <<'PY' || zip_ok=$?
import glob, os, sys, zipfile
zips = glob.glob(os.path.join(sys.argv[1], "devpanel-*-windows-x64.zip"))
if len(zips) != 1:
    sys.exit(f"windows package: expected one ZIP, found {zips}")
names = {n.split("/", 1)[1] for n in zipfile.ZipFile(zips[0]).namelist() if "/" in n}
wanted = {"bin/devpanel.exe", "bin/devpanel-cli.exe", "share/devpanel/devPanel.ini",
          "share/devpanel/virtual-t90.model", "README-Windows.txt"}
missing = sorted(wanted - names)
if missing:
    sys.exit(f"windows package: {os.path.basename(zips[0])} lacks {', '.join(missing)}")
print(f"== windows package: {os.path.basename(zips[0])}, {os.path.getsize(zips[0])} bytes")
PY
fi
[ $status -ne 0 ] || status=$zip_ok
exit $status
