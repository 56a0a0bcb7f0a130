#!/usr/bin/env bash
# Configures a build folder once (an existing one is left as it is, so that later builds are
# incremental):
#   tools/configure.sh FOLDER OPTIMISATION [CMAKE-ARGUMENTS...]     e.g. build -O2
#
# Every build is a unity build (a few sources of a target compiled as one, so that the GoogleTest,
# Qt and standard headers are parsed once for them) with line tables only (-g1: stack traces still
# name files and lines; full debug information made the compiler twice as slow). Warnings are
# errors when CI=true.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1 optimisation=$2
shift 2
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=$optimisation -g1 -DNDEBUG" -DCMAKE_UNITY_BUILD=ON \
    -DDEVPANEL_WERROR=$werror "$@" >/dev/null
fi
