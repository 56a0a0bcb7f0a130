#!/bin/bash
# The device lab's scenarios, run inside the guest (tools/device-lab/init chroots into the host's
# root, read-only, and starts this): the programs just built against the kernel's own printer
# drivers. usblp serves /dev/usb/lp0 for a USB printer gadget on the dummy host controller whose
# printer side, /dev/g_printer0, devpanel-printer serves; lp serves /dev/lp0 on the emulated
# parallel port, whose far end is a devpanel-printer on the host.
#
#   guest.sh SOURCE_DIR BUILD_DIR RUN_DIR [ONLY]
#
# RUN_DIR holds what the host prepared (the expected read-outs). ONLY: scenario names separated
# by commas (default: every scenario). Reports on stdout, the serial console, in lines the host
# reads (tools/device-lab/run.sh):
#   @@lab begin NAME      @@lab pass NAME (TIME)      @@lab fail NAME: WHY
#   @@lab host-check NAME: SETTING=VALUE    (the host finishes the scenario: the printer it serves
#                                            must hold that value)
#   @@lab | TEXT          details of a failure: outputs, the link's log, kernel messages
#   @@lab fact AREA: TEXT what the drivers did, for the report
#   @@lab note TEXT       @@lab done
set -uo pipefail
src=$1 build=$2 run=$3 only=${4:-}
export PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8

cli=$build/cli/devpanel-cli
printer=$build/sim/devpanel-printer
probe=$build/tools/device-lab/devpanel-lab-probe

serial=T90V000001
gadget=/sys/kernel/config/usb_gadget/t90
usb_node=/dev/usb/lp0
gadget_node=/dev/g_printer0
# The settings written by the apply scenarios: a value other than the printer's default.
apply_setting=POWERSAVER apply_value=45
# The setting changed by the command file copied to the parallel port (it carries every setting,
# so it goes before the parallel apply).
copy_setting=PRINTTIMEOUT copy_value=60
read_repeats=5

# Each entry serves the USB read and apply scenarios once more, with these devpanel-printer
# options (the first, empty, is the printer as it answers by default). An entry whose options
# devpanel-printer does not offer yet is passed over with a note.
usb_printer_option_sets=(
  ""
  "--reply-layout=single --batch-bytes=0000"
)

# The programs' private folders; the link logs everything (LoggingLevel 19: public operations,
# steps and hex dumps).
work=/run/devlab
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/runtime
export TMPDIR=$work/tmp
mkdir -p "$HOME" "$XDG_CONFIG_HOME/devpanel" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR" "$TMPDIR" "$work/out"
chmod 0700 "$XDG_RUNTIME_DIR"
printf 'LoggingLevel = 19\n' >"$XDG_CONFIG_HOME/devpanel/link.conf"
link_log=$XDG_STATE_HOME/devpanel/CorvaneSlc32.log
# No print server answers unless a scenario starts one.
export CUPS_SERVER=/run/cups/cups.sock

say() { echo "@@lab $*"; }
note() { say "note $*"; }
fact() { say "fact $1: $2"; }
# Under emulation every program started costs a good part of a second: the helpers below use the
# shell's own commands where they can.
uptime_now() { local up rest; read -r up rest </proc/uptime; echo "$up"; }
mkfifo "$work/nap"
nap() { read -rt "$1" <>"$work/nap" || true; }  # sleeps, without starting sleep
same_lines() {  # file, file: true when equal
  local -a a b
  mapfile -t a <"$1"
  mapfile -t b <"$2"
  local IFS=$'\n'
  [ "${a[*]}" = "${b[*]}" ]
}

# ---- Scenario bookkeeping --------------------------------------------------------------------

selected() {
  [ -z "$only" ] && return 0
  local name=$1 want
  for want in ${only//,/ }; do
    [ "$want" = "$name" ] && return 0
    # "usb-read" also selects its variants such as "usb-read[single]".
    [ "$want" = "${name%%\[*}" ] && return 0
  done
  return 1
}

why_file=$work/why
details=$work/details
fail() { echo "$*" >"$why_file"; return 1; }
first_line() { local line=; IFS= read -r line <"$1"; echo "${line:0:200}"; }
# Adds a file's last lines to the failure details, under a heading.
detail_file() {  # heading, file, lines
  [ -s "$2" ] || return 0
  echo "--- $1" >>"$details"
  grep -v '^[[:space:]]*$' "$2" | tail -n "${3:-40}" >>"$details"
}

# Runs one scenario function with its arguments and reports it.
scenario() {
  local name=$1
  shift
  selected "$name" || return 0
  say "begin $name"
  : >"$why_file"
  : >"$details"
  [ -f "$link_log" ] && : >"$link_log"
  local recorded_before=0
  [ -f "$work/usb-printer.record" ] && recorded_before=$(stat -c %s "$work/usb-printer.record")
  runs=()
  handed_to_host=
  dmesg -C 2>/dev/null
  local start=$SECONDS
  if "$@"; then
    # A scenario the host finishes has said so (host-check); the host reports it.
    [ -n "$handed_to_host" ] || say "pass $name ($((SECONDS - start)) s)"
  else
    local why
    why=$(<"$why_file")
    say "fail $name: ${why//$'\n'/ } ($((SECONDS - start)) s)"
    local run label
    for run in "${runs[@]}"; do
      label=${run%%|*}
      echo "--- devpanel-cli ${run#*|}" >>"$details"
      head -n 5 "$work/out/$label.out" >>"$details"
      sed 's/^/stderr: /' "$work/out/$label.err" | head -n 20 >>"$details"
    done
    detail_file "the link's log ($link_log), last lines" "$link_log" 80
    dmesg >"$work/dmesg" 2>/dev/null
    detail_file "kernel messages during the scenario" "$work/dmesg" 30
    detail_file "the USB printer's stderr" "$work/usb-printer.err" 10
    if [ -n "$usb_printer_pid" ] && [ -f "$work/usb-printer.record" ]; then
      echo "--- the USB printer received $(($(stat -c %s "$work/usb-printer.record") - recorded_before)) bytes during the scenario; the last ones:" >>"$details"
      tail -c 96 "$work/usb-printer.record" | od -An -tx1 >>"$details"
    fi
    sed 's/^/@@lab | /' "$details"
  fi
}

# The rest of the scenario is the host's: its printer must hold SETTING=VALUE.
handed_to_host=
host_check() {  # name, SETTING=VALUE
  say "host-check $1: $2"
  handed_to_host=1
}

# Runs devpanel-cli with a label; its outputs go to $work/out/LABEL.{out,err}, its exit status to
# $status (124: it hung and was stopped after cli_limit seconds, so that the scenarios after it
# still run). A failed scenario lists every call with its outputs.
cli_limit=60
status=0
runs=()
run_cli() {
  local label=$1
  shift
  timeout -k 5 "$cli_limit" "$cli" "$@" >"$work/out/$label.out" 2>"$work/out/$label.err"
  status=$?
  runs+=("$label|$* -> exit $status")
  return 0
}

# ---- The USB printer gadget and the printer behind it ----------------------------------------

make_gadget() {
  local id
  id=$("$printer" --usb --serial "$serial" --print-device-id) || return 1
  mkdir "$gadget" || return 1
  echo 0x0525 >"$gadget/idVendor"   # the kernel's printer gadget's own ids
  echo 0xa4a8 >"$gadget/idProduct"
  mkdir "$gadget/strings/0x409"
  echo "$serial" >"$gadget/strings/0x409/serialnumber"
  echo "Altrin" >"$gadget/strings/0x409/manufacturer"
  echo "Pressline T90" >"$gadget/strings/0x409/product"
  mkdir "$gadget/functions/printer.usb0"
  # This kernel's printer function sends the ID two bytes short (its length field leaves out
  # its own two bytes): two characters of padding keep the whole ID.
  printf '%s..' "$id" >"$gadget/functions/printer.usb0/pnp_string"
  echo 10 >"$gadget/functions/printer.usb0/q_len"
  mkdir "$gadget/configs/c.1"
  ln -s "$gadget/functions/printer.usb0" "$gadget/configs/c.1/"
  local controllers=(/sys/class/udc/*)
  echo "${controllers[0]##*/}" >"$gadget/UDC" || return 1
  local i
  for ((i = 0; i < 200; i++)); do
    [ -e "$usb_node" ] && [ -e "$gadget_node" ] && [ -e /sys/class/usbmisc/lp0/device/ieee1284_id ] && return 0
    nap 0.05
  done
  return 1
}

usb_printer_pid=
usb_state=
# Starts a fresh USB printer (new state file) with the given devpanel-printer options.
start_usb_printer() {  # options...
  stop_usb_printer
  usb_state=$work/usb-$RANDOM.state
  : >"$work/usb-printer.record"
  "$printer" --usb --serial "$serial" --state "$usb_state" --device "$gadget_node" --ignore-stdin \
    --record "$work/usb-printer.record" "$@" \
    >"$work/usb-printer.out" 2>"$work/usb-printer.err" </dev/null &
  usb_printer_pid=$!
  local i
  for ((i = 0; i < 200; i++)); do
    [ -s "$work/usb-printer.out" ] && return 0
    kill -0 "$usb_printer_pid" 2>/dev/null || break
    nap 0.05
  done
  note "the USB printer did not start: $(<"$work/usb-printer.err")"
  return 1
}

stop_usb_printer() {
  [ -n "$usb_printer_pid" ] || return 0
  kill "$usb_printer_pid" 2>/dev/null
  wait "$usb_printer_pid" 2>/dev/null
  usb_printer_pid=
}

# True when every option of the set is one devpanel-printer offers.
printer_offers() {  # options
  local option help
  help=$("$printer" --help)
  for option in $1; do
    [[ $help == *"${option%%=*}"* ]] || return 1
  done
}

# ---- Scenarios ---------------------------------------------------------------------------------

# Without a print server, `printers` lists the attached USB printer from its device ID.
usb_printers() {
  run_cli printers printers
  [ "$status" -eq 0 ] || fail "devpanel-cli printers exited $status: $(first_line "$work/out/printers.err")" || return 1
  grep -q $'\tUSB001$' "$work/out/printers.out" || fail "devpanel-cli printers does not list USB001" || return 1
}

# Every read gives every setting as the printer holds them; repeated, as a race shows only in
# some runs.
differences() {  # expected, got: the first lines that differ
  diff -u "$1" "$2" | grep '^[-+][A-Z]' | head -4 | tr '\n' ' '
}

usb_read() {
  local expected=$1 i failures=0 first=
  for ((i = 1; i <= read_repeats; i++)); do
    run_cli "read-$i" --port USB001 read
    if [ "$status" -ne 0 ]; then
      failures=$((failures + 1))
      first=${first:-"read $i exited $status: $(first_line "$work/out/read-$i.err")"}
    elif ! same_lines "$expected" "$work/out/read-$i.out"; then
      failures=$((failures + 1))
      first=${first:-"read $i printed other settings: $(differences "$expected" "$work/out/read-$i.out")"}
    fi
  done
  [ "$failures" -eq 0 ] || fail "$failures of $read_repeats reads failed; first: $first"
}

# An apply changes the setting (a second read shows it and nothing else changed) and leaves the
# printer online: the printer saves its settings only when it goes online again, and its write
# session's lock is free.
usb_apply() {
  local expected_after=$1
  run_cli apply --port USB001 apply "$apply_setting=$apply_value"
  [ "$status" -eq 0 ] || fail "apply exited $status: $(first_line "$work/out/apply.err")" || return 1
  run_cli read-after --port USB001 read
  [ "$status" -eq 0 ] || fail "the read after the apply exited $status: $(first_line "$work/out/read-after.err")" || return 1
  same_lines "$expected_after" "$work/out/read-after.out" ||
    fail "the read after the apply shows: $(differences "$expected_after" "$work/out/read-after.out")" || return 1
  run_cli state --virtual="$usb_state" read
  grep -qx "$apply_setting=$apply_value" "$work/out/state.out" ||
    fail "the printer did not save $apply_setting=$apply_value: it was not brought back online" || return 1
  flock -n "$usb_state.lock" true || fail "the printer's write session is still open: it was left offline"
}

# With another program holding /dev/usb/lp0 (usblp admits one), the port cannot be opened and the
# message says it is busy.
usb_busy() {
  exec 9>"$usb_node" || { fail "the scenario could not open $usb_node itself"; return 1; }
  run_cli busy --port USB001 read
  exec 9>&-
  [ "$status" -eq 3 ] || fail "read on a held $usb_node exited $status, not 3" || return 1
  grep -qi busy "$work/out/busy.err" || fail "the message does not say the port is busy: $(first_line "$work/out/busy.err")"
}

usb_doctor() {
  run_cli doctor doctor
  cat "$work/out/doctor.out" >>"$details"
  grep -qE '^Usable:.* USB001( |$)' "$work/out/doctor.out" ||
    fail "doctor does not name USB001 usable (exit $status): $(grep -m2 'USB001' "$work/out/doctor.out" | tr '\n' ' ')" || return 1
  [ "$status" -eq 0 ] || fail "doctor exited $status"
}

# The print system's own USB backend (which talks to printers through libusb, not usblp) lists
# the printer by its device ID; uri is the URI it gives it.
backend=/usr/lib/cups/backend/usb
uri=
list_with_backend() {
  "$backend" >"$work/out/backend.out" 2>"$work/out/backend.err"
  local rc=$?
  detail_file "$backend (exit $rc)" "$work/out/backend.out"
  detail_file "$backend stderr" "$work/out/backend.err" 10
  uri=$(grep -o "usb://Altrin/Pressline%20T90?serial=$serial[^ ]*" "$work/out/backend.out" | head -1)
  [ -n "$uri" ] || fail "the usb backend does not list usb://Altrin/Pressline%20T90?serial=$serial (exit $rc)"
}

usb_cups_backend() {
  [ -x "$backend" ] || { fail "$backend is missing (the cups package)"; return 1; }
  local before i
  before=$(stat -c %i "$usb_node" 2>/dev/null)
  list_with_backend || return 1
  fact cups "the usb backend lists: $(grep -m1 -F "$uri" "$work/out/backend.out")"
  # Whether listing took the printer away from usblp for a moment (its node made anew).
  for ((i = 0; i < 60; i++)); do [ -e "$usb_node" ] && break; nap 0.05; done
  if [ "$before" = "$(stat -c %i "$usb_node" 2>/dev/null)" ]; then
    fact cups "listing with the usb backend leaves usblp bound: $usb_node is the same node afterwards"
  else
    fact cups "listing with the usb backend detaches usblp for a moment: $usb_node was made anew"
  fi
}

# A scheduler in the guest, with all its folders private, and a queue on the backend's URI made
# with a driver file whose make and model are the printer's: `printers` names the queue.
start_scheduler() {  # folder
  local root=$1
  mkdir -p "$root"/{etc/ppd,spool/tmp,cache,state,log}
  printf '%s\n' "ServerRoot $root/etc" "RequestRoot $root/spool" "TempDir $root/spool/tmp" \
    "CacheDir $root/cache" "StateDir $root/state" "ErrorLog $root/log/error_log" "AccessLog $root/log/access_log" \
    "PageLog $root/log/page_log" "Printcap $root/state/printcap" "User lp" "Group lp" "SystemGroup root" \
    >"$root/cups-files.conf"
  printf '%s\n' "LogLevel warn" "Listen $root/cups.sock" "Browsing No" "WebInterface No" \
    "<Location />" "Order allow,deny" "Allow all" "</Location>" \
    "<Policy default>" "<Limit All>" "Order deny,allow" "</Limit>" "</Policy>" >"$root/etc/cupsd.conf"
  cupsd -f -c "$root/etc/cupsd.conf" -s "$root/cups-files.conf" >"$work/out/cupsd.out" 2>&1 &
  scheduler_pid=$!
  export CUPS_SERVER=$root/cups.sock
  local i
  for ((i = 0; i < 200; i++)); do
    [ -S "$root/cups.sock" ] && lpstat -r >/dev/null 2>&1 && return 0
    kill -0 "$scheduler_pid" 2>/dev/null || break
    nap 0.05
  done
  return 1
}

usb_cups_queue() {
  [ -n "$uri" ] || list_with_backend || return 1
  local scheduler_pid= result=0
  if ! start_scheduler "$work/cups"; then
    fail "cupsd did not start: $(first_line "$work/out/cupsd.out")"
    result=1
  elif ! lpadmin -p T90 -E -v "$uri" -P "$src/tools/device-lab/altrin-t90.ppd" >"$work/out/lpadmin.out" 2>&1; then
    fail "lpadmin could not make the queue: $(first_line "$work/out/lpadmin.out")"
    result=1
  else
    run_cli printers-queue printers
    if [ "$status" -ne 0 ]; then
      fail "devpanel-cli printers exited $status with a queue: $(first_line "$work/out/printers-queue.err")"
      result=1
    elif ! grep -q $'^[^\t]*T90[^\t]*\tUSB001$' "$work/out/printers-queue.out"; then
      fail "devpanel-cli printers does not name queue T90 on USB001: $(head -3 "$work/out/printers-queue.out" | tr '\n' ' ')"
      result=1
    fi
  fi
  [ "$result" -eq 0 ] || detail_file "the scheduler's log" "$work/cups/log/error_log" 20
  [ -n "$scheduler_pid" ] && kill "$scheduler_pid" 2>/dev/null && wait "$scheduler_pid" 2>/dev/null
  export CUPS_SERVER=/run/cups/cups.sock
  return $result
}

usb_probe() {
  "$probe" usb "$usb_node" "$gadget_node" >"$work/out/probe-usb" 2>&1
  local rc=$?
  grep '^@@lab fact' "$work/out/probe-usb"
  detail_file "probe" "$work/out/probe-usb"
  [ "$rc" -eq 0 ] || fail "the probe exited $rc"
}

lpt_probe() {
  "$probe" parallel /dev/lp0 /dev/parport0 >"$work/out/probe-lpt" 2>&1
  local rc=$?
  grep '^@@lab fact' "$work/out/probe-lpt"
  detail_file "probe" "$work/out/probe-lpt"
  [ "$rc" -eq 0 ] || fail "the probe exited $rc"
}

# A port without a reverse channel: read prints the configuration's defaults and says so.
lpt_read() {
  run_cli lpt-read --port LPT1: read
  [ "$status" -eq 0 ] || fail "read on LPT1: exited $status: $(first_line "$work/out/lpt-read.err")" || return 1
  local -a got want
  mapfile -t got <"$work/out/lpt-read.out"
  mapfile -t want <"$run/expected-read.txt"
  [ "${#got[@]}" -eq "${#want[@]}" ] || fail "read on LPT1: printed ${#got[@]} lines, not one per setting" || return 1
  [ -s "$work/out/lpt-read.err" ] || fail "read on LPT1: did not say that the values are the configuration's defaults"
}

# The lab's own check of the parallel port's path to the printer on the host, and the way a
# command file reaches a printer elsewhere: saved from the virtual printer (every setting, one of
# them changed), copied byte for byte to /dev/lp0 after offline.dat.
lpt_copy() {
  mkdir -p "$work/lpt-copy"
  run_cli lpt-save --virtual= save "$work/lpt-copy/settings.npa" "$copy_setting=$copy_value"
  [ "$status" -eq 0 ] || fail "save exited $status: $(first_line "$work/out/lpt-save.err")" || return 1
  cat "$work/lpt-copy/offline.dat" >/dev/lp0 2>"$work/out/lpt-copy.err" &&
    cat "$work/lpt-copy/settings.npa" >/dev/lp0 2>>"$work/out/lpt-copy.err" ||
    fail "copying the command file to /dev/lp0 failed: $(first_line "$work/out/lpt-copy.err")" || return 1
  host_check lpt-copy "$copy_setting=$copy_value"
}

# An apply on that port is written one way (only the change); the host checks that its printer
# holds the value.
lpt_apply() {
  run_cli lpt-apply --port LPT1: apply "$apply_setting=$apply_value"
  [ "$status" -eq 0 ] || fail "apply on LPT1: exited $status: $(first_line "$work/out/lpt-apply.err")" || return 1
  host_check lpt-apply "$apply_setting=$apply_value"
}

# ---- The run -----------------------------------------------------------------------------------

# The settings after the apply scenarios: those of a fresh printer with the one change.
mapfile -t expected <"$run/expected-read.txt"
for line in "${expected[@]}"; do
  [[ $line == "$apply_setting="* ]] && line="$apply_setting=$apply_value"
  echo "$line"
done >"$work/expected-after-apply.txt"

say "guest ready at $(uptime_now) s"
make_gadget || { say "setup-failed: the USB printer gadget did not appear ($usb_node)"; exit 1; }
note "the USB printer appeared at $(uptime_now) s"
fact usblp "sysfs ieee1284_id: \"$(cat /sys/class/usbmisc/lp0/device/ieee1284_id)\", serial \"$(cat /sys/class/usbmisc/lp0/device/../serial)\""
fact usblp "node modes without udev: $(stat -c '%n %A %U:%G' "$usb_node" "$gadget_node" | tr '\n' ' ')"
fact parallel "autoprobe: \"$(cat /proc/sys/dev/parport/parport0/autoprobe 2>&1)\", modes: $(cat /proc/sys/dev/parport/parport0/modes)"
fact parallel "node modes without udev: $(stat -c '%n %A %U:%G' /dev/lp0 /dev/parport0 | tr '\n' ' ')"

# The probe needs both ends of the USB printer to itself: before the printer starts.
scenario usb-probe usb_probe

start_usb_printer || { say "setup-failed: the USB printer did not start"; exit 1; }
note "the USB printer started at $(uptime_now) s"
scenario usb-printers usb_printers
scenario usb-doctor usb_doctor
scenario usb-busy usb_busy
scenario usb-cups-backend usb_cups_backend
scenario usb-cups-queue usb_cups_queue

for options in "${usb_printer_option_sets[@]}"; do
  suffix=
  if [ -n "$options" ]; then
    if ! printer_offers "$options"; then
      note "devpanel-printer does not offer $options yet: its USB read and apply are not run"
      continue
    fi
    suffix="[$(echo "$options" | sed 's/--//g; s/ /,/g')]"
  fi
  for step in read apply; do
    selected "usb-$step$suffix" || continue
    # shellcheck disable=SC2086 # the options are words
    start_usb_printer $options || { say "fail usb-$step$suffix: the USB printer did not start"; continue; }
    case $step in
      read) scenario "usb-read$suffix" usb_read "$run/expected-read.txt" ;;
      apply) scenario "usb-apply$suffix" usb_apply "$work/expected-after-apply.txt" ;;
    esac
  done
done
stop_usb_printer

scenario lpt-probe lpt_probe
scenario lpt-read lpt_read
scenario lpt-copy lpt_copy
scenario lpt-apply lpt_apply
say "done at $(uptime_now) s"
