#!/usr/bin/env bash
# Installs what is missing, checks that every include points down the layers, builds and runs
# every test: a normal build, the programs once more without unity (a missing include shows), an
# AddressSanitizer +
# UndefinedBehaviorSanitizer build (clang, with the fuzz targets replaying their corpora), a
# ThreadSanitizer build of the printer link and its tests, and a Windows build (MinGW-w64) whose
# tests run under Wine; the normal build is also installed into a staging folder and packaged
# (tools/check-install.sh: desktop entry, metainfo, lintian) and run against the kernel's own
# printer drivers in a QEMU guest (tools/device-lab/run.sh). Build folders are kept, so a second
# run is incremental. It ends with one line per build: tests run and failed.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh

jobs=${JOBS:-2}

# The normal build is optimised as released (-O2: it is packaged and benchmarked); the sanitizer
# builds are not (-O0 compiles them in half the time or less, and the sanitizers check the same
# code). tools/configure.sh gives every build its unity setting and line tables.
configure() { part_start=$SECONDS; ./tools/configure.sh "$@"; }

# One line per build for the end of the run. A build whose tests fail does not stop the run:
# the later builds still report, and the run fails at the end.
summary=()
failed=0
# Each summary line says how long its part took (wall clock, so that a slow part shows in CI's log).
# (part_start is set where a part begins: took runs in a subshell and cannot set it.)
part_start=$SECONDS
took() { echo "$((SECONDS - part_start)) s"; }
tests_line() {  # ctest log -> "N tests run, M failed"
  sed -nE 's/.*tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\2 tests run, \1 failed/p' "$1" | tail -1
}

run_tests() {  # folder, label (configured just before: the time counts from the configure)
  echo "== $2"
  cmake --build "$1" -j "$jobs"
  local status=0
  (cd "$1" && ctest --output-on-failure -j "$jobs" --timeout 300) 2>&1 | tee "$1/ctest.log" || status=$?
  summary+=("$2: $(tests_line "$1/ctest.log"), $(took)")
  [ $status -eq 0 ] || failed=1
}

export QT_QPA_PLATFORM=offscreen

echo "== layers"
python3 tools/check-layers.py

configure build -O2
run_tests build "normal build"
# The programs once more without unity: a unity build compiles a folder's sources as one file,
# so a source that misses an include of its own still compiles there. This build compiles each
# source alone (the programs only, which cover every product source on Linux; without
# optimisation), as a distribution packager's plain `cmake --build` does. Under CI, warnings are
# errors here too.
configure build-plain -O0 -DCMAKE_UNITY_BUILD=OFF -DDEVPANEL_BENCH=OFF
echo "== plain build (no unity)"
plain_status=0
cmake --build build-plain -j "$jobs" --target devpanel devpanel-cli devpanel-printer >build-plain/build.log 2>&1 ||
  plain_status=$?
grep -E 'error:|warning:' build-plain/build.log || true
plain_warnings=$(grep -c 'warning:' build-plain/build.log || true)
if [ $plain_status -eq 0 ]; then plain_result=compiled; else plain_result=FAILED; failed=1; fi
summary+=("plain build (no unity, the programs): $plain_result, $plain_warnings warnings, $(took)")

# The installed tree, the desktop entry, the metainfo and the Debian package of the normal build.
part_start=$SECONDS
if ./tools/check-install.sh build 2>&1 | tee build/check-install.log; then result=passed; else result=FAILED; failed=1; fi
summary+=("install and package: $result; $(grep -m1 '^package:' build/check-install.log || echo 'no package built'), $(took)")
# The normal build's programs against the real kernel drivers (usblp with a USB printer gadget,
# lp on an emulated parallel port) in a QEMU guest. A guest that cannot start at all is reported
# as not run, never as passed; a failing scenario fails the run.
mkdir -p build/device-lab
part_start=$SECONDS
lab_status=0
./tools/device-lab/run.sh build 2>&1 | tee build/device-lab/last-run.log || lab_status=$?
lab_line=$(sed -n 's/^device lab: //p' build/device-lab/last-run.log | tail -1)
case $lab_status in
  0) summary+=("device lab (real kernel drivers in QEMU): ${lab_line:-no result}, $(took)") ;;
  77) summary+=("device lab (real kernel drivers in QEMU): NOT RUN: ${lab_line#not run }, $(took)") ;;
  *) summary+=("device lab (real kernel drivers in QEMU): ${lab_line:-no result}, FAILED, $(took)"); failed=1 ;;
esac

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$PWD/tools/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
configure build-asan -O0 -DCMAKE_CXX_COMPILER=clang++ -DDEVPANEL_SANITIZE=address,undefined \
  -DDEVPANEL_FUZZ=ON -DDEVPANEL_BENCH=OFF
run_tests build-asan "AddressSanitizer + UndefinedBehaviorSanitizer build"

export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
configure build-tsan -O0 -DCMAKE_CXX_COMPILER=clang++ -DDEVPANEL_SANITIZE=thread \
  -DDEVPANEL_LINK_TESTS_ONLY=ON
run_tests build-tsan "ThreadSanitizer build (printer link)"

# The core and devpanel-cli cross-built for Windows (MinGW-w64), their tests and the LPT1 end-to-end
# run under Wine, against the Linux build's virtual printer program.
windows_status=0
part_start=$SECONDS
mkdir -p build-win
./tools/test-windows.sh 2>&1 | tee build-win/test-windows.log || windows_status=$?
summary+=("Windows build (Wine): $(tests_line build-win/test-windows.log)$([ $windows_status -eq 0 ] || echo ", run FAILED"), $(took)")
[ $windows_status -eq 0 ] || failed=1

echo "== summary"
printf '%s\n' "${summary[@]}"
exit $failed
