#!/usr/bin/env bash
# End to end through the Win32 front end under Wine: devpanel.exe runs against the virtual printer
# (--virtual=STATEFILE) and is driven with keyboard input through the system's input queue
# (winui_drive.exe: in the tree to "설정", F6, Down in "프린터 언어", Alt+A, then Alt+F X); afterwards the
# Linux devpanel-cli reads the same state file and must find the printer language changed.
#
#   tools/wine-gui-e2e.sh [WINDOWS_BUILD [LINUX_BUILD]]     (default build-win and build)
#
# Needs the prefix and the display that tools/test-windows.sh sets up (WINEPREFIX, DISPLAY).
set -euo pipefail
cd "$(dirname "$0")/.."
win=${1:-build-win}
linux=${2:-build}
export WINEPREFIX=${WINEPREFIX:-$PWD/$win/wineprefix}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all

program=$win/winapp/devpanel.exe
drive=$win/tests/winui/winui_drive.exe
linux_cli=$linux/cli/devpanel-cli
for f in "$program" "$drive" "$linux_cli"; do
  [ -f "$f" ] || { echo "wine-gui-e2e: $f is missing (build it first)" >&2; exit 1; }
done
[ -n "${DISPLAY:-}" ] || { echo "wine-gui-e2e: no DISPLAY (tools/test-windows.sh starts one)" >&2; exit 1; }

work=$(mktemp -d /tmp/devpanel-wine-gui-XXXXXX)
program_pid=
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "wine-gui-e2e: FAILED: $*" >&2; exit 1; }

state=$work/printer.state
language() { "$linux_cli" --ini data/devPanel.ini --virtual="$state" read | sed -n 's/^EMULATION=//p'; }
before=$(language) || fail "devpanel-cli could not read the virtual printer"
[ -n "$before" ] || fail "devpanel-cli printed no EMULATION"

echo "== devpanel.exe --virtual=$state, driven by the keyboard (printer language was $before)"
start=$(date +%s)
wine "$program" --lang ko --ini "$(winepath -w "$PWD/data/devPanel.ini")" --virtual="$(winepath -w "$state")" \
  >"$work/program.out" 2>&1 &
program_pid=$!
drive_status=0
wine "$drive" apply-next-language "$(winepath -w "$state")" >"$work/drive.out" 2>&1 || drive_status=$?
# The program ends by itself after "마침"; a program that does not is ended here.
for _ in $(seq 1 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
program_status=0
if kill -0 "$program_pid" 2>/dev/null; then
  kill "$program_pid"
  program_status=killed
fi
wait "$program_pid" 2>/dev/null || { [ "$program_status" = killed ] || program_status=$?; }
program_pid=
echo "   took $(( $(date +%s) - start )) s"
[ "$drive_status" -eq 0 ] || fail "the keyboard run failed: $(cat "$work/drive.out")"
[ "$program_status" = 0 ] || fail "devpanel.exe ended with $program_status: $(cat "$work/program.out")"

after=$(language) || fail "devpanel-cli could not read the virtual printer afterwards"
[ -n "$after" ] && [ "$after" != "$before" ] ||
  fail "the printer language is still $before after the apply (now: ${after:-none})"
echo "== the virtual printer's language went from $before to $after"
echo "wine-gui-e2e: passed"
