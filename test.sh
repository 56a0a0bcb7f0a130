#!/usr/bin/env bash
# Installs what is missing, checks that every include points down the layers, builds and runs
# every test: a normal build, an AddressSanitizer +
# UndefinedBehaviorSanitizer build (clang, with the fuzz targets replaying their corpora), a
# ThreadSanitizer build of the printer link and its tests, and a Windows build (MinGW-w64) whose
# tests run under Wine. Build folders are kept, so a second run is incremental.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh

jobs=${JOBS:-2}
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

configure() {  # folder, extra cmake arguments...
  local dir=$1; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEVPANEL_WERROR=$werror "$@" >/dev/null
  fi
}

run_tests() {  # folder, label
  echo "== $2"
  cmake --build "$1" -j "$jobs"
  (cd "$1" && ctest --output-on-failure -j "$jobs" --timeout 300)
}

export QT_QPA_PLATFORM=offscreen

echo "== layers"
python3 tools/check-layers.py

configure build
run_tests build "normal build"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$PWD/tools/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
configure build-asan -DCMAKE_CXX_COMPILER=clang++ -DDEVPANEL_SANITIZE=address,undefined \
  -DDEVPANEL_FUZZ=ON -DDEVPANEL_BENCH=OFF
run_tests build-asan "AddressSanitizer + UndefinedBehaviorSanitizer build"

export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
configure build-tsan -DCMAKE_CXX_COMPILER=clang++ -DDEVPANEL_SANITIZE=thread \
  -DDEVPANEL_LINK_TESTS_ONLY=ON
run_tests build-tsan "ThreadSanitizer build (printer link)"

# The core and devpanel-cli cross-built for Windows (MinGW-w64), their tests and the LPT1 end-to-end
# run under Wine, against the Linux build's virtual printer program.
./tools/test-windows.sh
