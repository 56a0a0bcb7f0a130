#!/usr/bin/env bash
# The device lab: DevPanel against the kernel's own printer drivers in a QEMU guest (Debian's
# kernel, TCG). usblp with a USB printer gadget on the dummy host controller, and lp/parport_pc
# on QEMU's ISA parallel port, whose far end is a devpanel-printer on this host. One guest per
# run, with a hard time limit; the guest reports over its serial console.
#
#   tools/device-lab/run.sh [BUILD_DIR] [--only NAME[,NAME...]] [--list]
#
# BUILD_DIR (default build) must hold a normal build. --only runs the named scenarios alone
# (usb-read also selects its variants). The kernel and modules are cached in
# BUILD_DIR/device-lab/cache (fetched once per kernel version); the last run's console and
# printer files stay in BUILD_DIR/device-lab/run.
#
# Exit status: 0 every scenario passed; 1 a scenario or the lab failed; 77 the lab did not run
# (QEMU is missing or could not start at all) -- said loudly, never counted as passed.
set -uo pipefail
cd "$(dirname "$0")/../.."
source_dir=$PWD

build=build only= list=
while [ $# -gt 0 ]; do
  case $1 in
    --only) only=${2:-}; shift 2 ;;
    --only=*) only=${1#--only=}; shift ;;
    --list) list=1; shift ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "run.sh: unknown option $1" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done
build=$(cd "$build" 2>/dev/null && pwd) || { echo "device lab: no build folder $build" >&2; exit 1; }

scenarios=(usb-probe usb-printers usb-doctor usb-busy usb-cups-backend usb-cups-queue usb-read usb-apply
           lpt-probe lpt-read lpt-copy lpt-apply)
if [ -n "$list" ]; then printf '%s\n' "${scenarios[@]}"; exit 0; fi
for want in ${only//,/ }; do
  [[ " ${scenarios[*]} " == *" ${want%%\[*} "* ]] || { echo "run.sh: no scenario $want (--list names them)" >&2; exit 2; }
done

# The longest the guest may run, boot to power-off; QEMU is killed after it.
time_limit=${DEVLAB_TIME_LIMIT:-170}
lab=$build/device-lab
run=$lab/run
cli=$build/cli/devpanel-cli
printer=$build/sim/devpanel-printer
probe=$build/tools/device-lab/devpanel-lab-probe

not_run() {
  printf '%s\n' "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!" \
    "!! device lab NOT RUN: $*" "!! Nothing was tested against the real kernel drivers." \
    "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!" >&2
  echo "device lab: not run ($*)"
  exit 77
}

qemu=$(command -v qemu-system-x86_64 || true)
[ -n "$qemu" ] || not_run "qemu-system-x86_64 is not installed (tools/install-deps.sh installs qemu-system-x86)"
for f in "$cli" "$printer" "$probe"; do
  [ -x "$f" ] || { echo "device lab: $f is missing: build $build first" >&2; exit 1; }
done
case "$source_dir$build" in *[[:space:]]*) echo "device lab: paths with spaces cannot be passed to the guest" >&2; exit 1 ;; esac

started=$SECONDS
kernel=$(tools/device-lab/prepare.sh "$lab" | tail -1) || { echo "device lab: FAILED to prepare the guest's kernel" >&2; exit 1; }
[ -f "$kernel" ] || { echo "device lab: FAILED to prepare the guest's kernel" >&2; exit 1; }
prepared=$SECONDS

rm -rf "$run"
mkdir -p "$run"
# A short private folder for the parallel port's socket (a socket path has at most 107 bytes).
sockets=$(mktemp -d /tmp/devpanel-lab-XXXXXX)
printer_pid= qemu_pid=
cleanup() {
  [ -n "$qemu_pid" ] && kill "$qemu_pid" 2>/dev/null && wait "$qemu_pid" 2>/dev/null
  [ -n "$printer_pid" ] && kill "$printer_pid" 2>/dev/null && wait "$printer_pid" 2>/dev/null
  qemu_pid= printer_pid=
  rm -rf "$sockets"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# What the guest compares its reads with: the settings of a fresh virtual printer.
home=$run/home
mkdir -p "$home"
HOME=$home XDG_CONFIG_HOME=$home/config XDG_STATE_HOME=$home/state "$cli" --virtual= read >"$run/expected-read.txt" ||
  { echo "device lab: the virtual printer's settings could not be read" >&2; exit 1; }

# The parallel port's far end: a virtual printer on a socket that QEMU connects to.
"$printer" --socket "$sockets/lpt.sock" --state "$run/lpt.state" --record "$run/lpt.record" --ignore-stdin \
  >"$run/lpt-printer.out" 2>"$run/lpt-printer.err" </dev/null &
printer_pid=$!
for _ in $(seq 100); do [ -S "$sockets/lpt.sock" ] && break; sleep 0.05; done
[ -S "$sockets/lpt.sock" ] || { echo "device lab: the parallel port's printer did not start: $(cat "$run/lpt-printer.err")" >&2; exit 1; }

# Quicker under emulation: no self-tests of the crypto code, no speculation mitigations, no
# keyboard controller probing, a clock trusted as it is; nothing the scenarios look at.
boot_options="cryptomgr.notests mitigations=off nokaslr audit=0 apparmor=0 tsc=reliable i8042.noaux i8042.nokbd i8042.nopnp"
echo "== device lab: booting the guest (kernel $(basename "$(dirname "$kernel")"), at most $time_limit s)"
# TCG always: KVM is not to be relied on here (it hangs on some hosts, and probing it costs the
# time limit).
timeout -k 5 "$time_limit" "$qemu" -accel tcg,thread=multi -M pc -smp 2 -m 640 \
  -nodefaults -no-user-config -display none -vga none -no-reboot \
  -kernel "$kernel" -initrd "$lab/initramfs.cpio.gz" \
  -append "console=ttyS0,115200 panic=-1 quiet loglevel=4 $boot_options devlab.src=$source_dir devlab.build=$build devlab.run=$run devlab.only=$only" \
  -serial "file:$run/console.log" \
  -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
  -chardev "socket,id=lpt,path=$sockets/lpt.sock" -device isa-parallel,chardev=lpt \
  >"$run/qemu.out" 2>&1 </dev/null &
qemu_pid=$!
wait "$qemu_pid"
qemu_status=$?
qemu_pid=
guest_seconds=$((SECONDS - prepared))
# The printer saves its state at each online request; stopping it ends its part.
kill "$printer_pid" 2>/dev/null && wait "$printer_pid" 2>/dev/null
printer_pid=

# The serial console's lines end in CR LF.
console=$run/console.txt
if [ -f "$run/console.log" ]; then tr -d '\r' <"$run/console.log" >"$console"; else : >"$console"; fi
if ! grep -q '^@@lab booted' "$console"; then
  if [ ! -s "$console" ] && [ "$qemu_status" -ne 0 ] && [ "$qemu_status" -ne 124 ]; then
    not_run "QEMU could not start (exit $qemu_status): $(head -c 300 "$run/qemu.out")"
  fi
fi

# ---- Results -----------------------------------------------------------------------------------
passed=0 failed=0
results=()
report_fail() {  # name, why
  failed=$((failed + 1))
  results+=("FAIL  $1: $2")
  echo "-- $1 FAILED: $2"
  # The scenario's part of the console: the guest's details (the programs' outputs, the link's
  # log, kernel messages) and what the kernel printed meanwhile.
  awk -v begin="@@lab begin $1" '
    $0 == begin { on = 1; next }
    on && /^@@lab (begin |done)/ { on = 0 }
    on && !/^@@lab (pass|fail|host-check|fact|note) / { sub(/^@@lab \| /, ""); print "   | " $0 }' "$console" | tail -n 150
}
while IFS= read -r line; do
  case $line in
    "@@lab pass "*)
      rest=${line#@@lab pass }
      passed=$((passed + 1)); results+=("pass  $rest") ;;
    "@@lab fail "*)
      rest=${line#@@lab fail }
      report_fail "${rest%%:*}" "${rest#*: }" ;;
    "@@lab host-check "*)
      rest=${line#@@lab host-check }
      name=${rest%%:*} want=${rest#*: }
      # The printer on the host must hold what the guest applied.
      got=$(HOME=$home XDG_CONFIG_HOME=$home/config XDG_STATE_HOME=$home/state "$cli" --virtual="$run/lpt.state" read 2>&1 |
            grep "^${want%%=*}=" || true)
      if [ "$got" = "$want" ]; then
        passed=$((passed + 1)); results+=("pass  $name (the printer on the host holds $want)")
      else
        report_fail "$name" "the printer on the host holds ${got:-no ${want%%=*}}, not $want (received $(stat -c %s "$run/lpt.record" 2>/dev/null || echo 0) bytes)"
      fi ;;
  esac
done <"$console"

# A scenario that began and never ended: the guest stopped (time limit, crash) inside it.
mapfile -t begun < <(sed -n 's/^@@lab begin //p' "$console")
for name in "${begun[@]}"; do
  grep -qE "^@@lab (pass|fail|host-check) $(printf '%s' "$name" | sed 's/[][]/\\&/g')( |:)" "$console" ||
    report_fail "$name" "no result: the guest stopped during it"
done
complete=1
if ! grep -q '^@@lab done' "$console"; then
  complete=0
  failed=$((failed + 1))
  why=$(sed -n 's/^@@lab setup-failed: //p' "$console" | head -1)
  [ "$qemu_status" -eq 124 ] && why="time limit of $time_limit s reached"
  results+=("FAIL  the guest did not finish: ${why:-QEMU exited $qemu_status}")
  echo "-- the guest did not finish (${why:-QEMU exited $qemu_status}); the console's last lines:"
  tail -n 40 "$console" | sed 's/^/   /'
  tail -n 5 "$run/qemu.out" | sed 's/^/   qemu: /'
fi

echo "== device lab: what the drivers showed"
sed -n 's/^@@lab fact /   /p; s/^@@lab note /   note: /p' "$console"
echo "== device lab: results"
printf '   %s\n' "${results[@]}"
echo "   guest ${guest_seconds} s, set-up $((prepared - started)) s, kernel download $(cat "$(dirname "$kernel")/download-bytes" 2>/dev/null || echo '?') bytes (once)"
echo "device lab: $((passed + failed)) scenarios, $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$complete" -eq 1 ]
