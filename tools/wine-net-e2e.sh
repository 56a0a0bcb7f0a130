#!/usr/bin/env bash
# End to end through the Winsock transport under Wine: devpanel-cli.exe drives the Linux
# devpanel-printer served on a loopback TCP port (socket://127.0.0.1:PORT?snmp=false), as it would
# a network printer on Windows: an apply, the read that finds it, and a refused connection.
#
#   tools/wine-net-e2e.sh [WINDOWS_BUILD [LINUX_BUILD]]     (default build-win and build)
set -euo pipefail
cd "$(dirname "$0")/.."
win=${1:-build-win}
linux=${2:-build}
export WINEPREFIX=${WINEPREFIX:-$PWD/$win/wineprefix}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all

cli_exe=$win/cli/devpanel-cli.exe
printer=$linux/sim/devpanel-printer
for f in "$cli_exe" "$printer"; do
  [ -f "$f" ] || { echo "wine-net-e2e: $f is missing (build it first)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/devpanel-wine-net-XXXXXX)
printer_pid=
cleanup() {
  [ -n "$printer_pid" ] && kill "$printer_pid" 2>/dev/null && wait "$printer_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "wine-net-e2e: FAILED: $*" >&2; exit 1; }

mkfifo "$work/out"
"$printer" --tcp 127.0.0.1:0 --state "$work/printer.state" --ignore-stdin >"$work/out" </dev/null 2>"$work/printer.err" &
printer_pid=$!
exec 3<"$work/out"
read -r -t 10 address <&3 || fail "devpanel-printer printed no address: $(cat "$work/printer.err")"
port="socket://$address?snmp=false"
ini=$(winepath -w "$PWD/data/devPanel.ini")
wine_cli() { wine "$cli_exe" --ini "$ini" --port "$1" "${@:2}"; }

echo "== devpanel-cli.exe --port $port apply AUTOCR=ON"
wine_cli "$port" apply AUTOCR=ON >"$work/apply.out" 2>"$work/apply.err" ||
  fail "apply exited with $?: $(cat "$work/apply.out" "$work/apply.err")"
echo "== devpanel-cli.exe --port $port read"
wine_cli "$port" read >"$work/read.out" 2>"$work/read.err" || fail "read exited with $?: $(cat "$work/read.err")"
grep -q '^AUTOCR=ON' "$work/read.out" || fail "read did not find the applied AUTOCR=ON: $(grep AUTOCR "$work/read.out")"

echo "== devpanel-cli.exe --port socket://127.0.0.1:1?snmp=false read (nothing listens)"
status=0
wine_cli "socket://127.0.0.1:1?snmp=false" read >/dev/null 2>"$work/refused.err" || status=$?
[ "$status" -eq 3 ] || fail "a refused connection exited with $status, not 3: $(cat "$work/refused.err")"
grep -q "refused the connection" "$work/refused.err" || fail "no refusal named: $(cat "$work/refused.err")"
echo "wine-net-e2e: passed"
