#!/usr/bin/env bash
# End to end through the real Win32 parallel path under Wine: LPT1 of a private Wine prefix is
# pointed at the pseudo-terminal on which the Linux devpanel-printer serves a virtual printer,
# and devpanel-cli.exe drives it exactly as on Windows (CreateFile("\\.\LPT1"), the one-way
# workaround: commands collected in a temporary file and copied to the port after offline.dat).
#
#   tools/wine-lpt-e2e.sh [WINDOWS_BUILD [LINUX_BUILD]]     (default build-win and build)
#
# The prefix is WINDOWS_BUILD/wineprefix, made by tools/test-windows.sh (wineboot -i).
set -euo pipefail
cd "$(dirname "$0")/.."
win=${1:-build-win}
linux=${2:-build}
export WINEPREFIX=${WINEPREFIX:-$PWD/$win/wineprefix}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all

cli_exe=$win/cli/devpanel-cli.exe
printer=$linux/sim/devpanel-printer
linux_cli=$linux/cli/devpanel-cli
for f in "$cli_exe" "$printer" "$linux_cli"; do
  [ -x "$f" ] || [ -f "$f" ] || { echo "wine-lpt-e2e: $f is missing (build it first)" >&2; exit 1; }
done
[ -d "$WINEPREFIX/dosdevices" ] || { echo "wine-lpt-e2e: no Wine prefix at $WINEPREFIX" >&2; exit 1; }

work=$(mktemp -d /tmp/devpanel-wine-e2e-XXXXXX)
printer_pid=
own_server=
lpt=$WINEPREFIX/dosdevices/lpt1
cleanup() {
  [ -n "$printer_pid" ] && kill "$printer_pid" 2>/dev/null && wait "$printer_pid" 2>/dev/null || true
  [ -n "$own_server" ] && { wineserver -k 2>/dev/null || true; }
  rm -f "$lpt"
  rm -rf "$work"
}
trap cleanup EXIT

# The Wine server opens LPT1's pty for the program. Started here (unless one runs already, as
# under tools/test-windows.sh) with its output on /dev/null: when the printer closes the pty,
# the hang-up makes the server print every object it holds, which belongs in no output here.
if wineserver -p >/dev/null 2>&1; then own_server=1; fi

fail() { echo "wine-lpt-e2e: FAILED: $*" >&2; [ -f "$work/log" ] && sed 's/^/  log: /' "$work/log" >&2; exit 1; }

# The virtual printer on a pty; its first line of output is the pty's path.
mkfifo "$work/out"
"$printer" --state "$work/printer.state" --ignore-stdin >"$work/out" </dev/null 2>"$work/printer.err" &
printer_pid=$!
exec 3<"$work/out"
read -r -t 10 pty <&3 || fail "devpanel-printer printed no pty path: $(cat "$work/printer.err")"
[ -e "$pty" ] || fail "devpanel-printer's pty $pty does not exist"
ln -sfn "$pty" "$lpt"

ini=$(winepath -w "$PWD/data/devPanel.ini")
wine_cli() { wine "$cli_exe" --ini "$ini" --port LPT1: "$@"; }

echo "== devpanel-cli.exe --port LPT1: apply POWERSAVER=45 (printer on $pty)"
start=$(date +%s)
wine_cli apply POWERSAVER=45 >"$work/apply.out" 2>"$work/apply.err" ||
  fail "apply exited with $?: $(cat "$work/apply.out" "$work/apply.err")"
echo "   took $(( $(date +%s) - start )) s"

echo "== devpanel-cli.exe --port LPT1: read (one-way: the configuration's defaults)"
wine_cli read >"$work/read.out" 2>"$work/read.err" || fail "read exited with $?: $(cat "$work/read.err")"
grep -q '^POWERSAVER=' "$work/read.out" || fail "read printed no POWERSAVER: $(head -5 "$work/read.out")"
# What the configuration gives when nothing can be read back: the same lines the Linux program
# prints for a fresh virtual printer's port that can only be written would be the defaults too,
# so compare with the configuration's default value of the setting instead of the printer's.
if grep -q '^POWERSAVER=45$' "$work/read.out"; then
  fail "read on a one-way port printed the printer's new value, not the configuration's default"
fi
[ -s "$work/read.err" ] || fail "read did not say that the values are the configuration's defaults"

# The printer keeps what was applied: stop it (it saves its state) and read the state on Linux.
kill "$printer_pid"
wait "$printer_pid" 2>/dev/null || true
printer_pid=
"$linux_cli" --virtual="$work/printer.state" read >"$work/state.out" 2>"$work/state.err" ||
  fail "reading the printer's state back failed: $(cat "$work/state.err")"
grep -q '^POWERSAVER=45$' "$work/state.out" ||
  fail "the virtual printer does not hold POWERSAVER=45: $(grep '^POWERSAVER=' "$work/state.out" || echo none)"
echo "== the virtual printer holds POWERSAVER=45"
echo "wine-lpt-e2e: passed"
