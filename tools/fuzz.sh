#!/usr/bin/env bash
# A fuzzing campaign over every libFuzzer target of the sanitizer build, one after another.
#
#   tools/fuzz.sh [--seconds N] [--runs N] [--scratch DIR] [--update-corpora] [TARGET...]
#
# Each target runs for N seconds (default 60) or N executions, whichever ends first, on a working
# corpus in the scratch folder (default /tmp/devpanel-fuzz) seeded read-only from its tracked
# corpus (fuzz/<area>/corpus). What it found is then merged and minimised into
# <scratch>/<target>/minimised; with --update-corpora, only the inputs that add coverage are
# merged into the tracked corpus as well. Crashes, leaks and time-outs go to <scratch>/<target>/.
# Ends with one line per target: executions, executions per second, coverage, crashes; exits 1
# when any target crashed.
#
# Builds the targets in build-fuzz (made here on first use: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer at -O1; test.sh's build-asan replays the corpora at -O0, which
# compiles fast but fuzzes at a third of the speed). --build DIR uses another fuzzing build.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
runs=-1
scratch=/tmp/devpanel-fuzz
update=0
build=build-fuzz
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --scratch) scratch="$2"; shift 2 ;;
    --update-corpora) update=1; shift ;;
    --build) build="$2"; shift 2 ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done

if [ "$build" = build-fuzz ]; then
  ./tools/configure.sh build-fuzz -O1 -DCMAKE_CXX_COMPILER=clang++ -DDEVPANEL_SANITIZE=address,undefined \
    -DDEVPANEL_FUZZ=ON -DDEVPANEL_BENCH=OFF
fi
if [ ! -f "$build/CMakeCache.txt" ] || ! grep -q '^DEVPANEL_FUZZ:BOOL=ON' "$build/CMakeCache.txt"; then
  echo "fuzz.sh: $build is not a fuzzing build (configure it with -DDEVPANEL_FUZZ=ON)" >&2
  exit 2
fi

# Every target and its area, from the fuzz folders' CMakeLists.
declare -A area_of
for list in fuzz/*/CMakeLists.txt; do
  area=$(basename "$(dirname "$list")")
  for target in $(sed -n 's/^devpanel_fuzz_target(\(fuzz_[a-z_0-9]*\).*/\1/p' "$list"); do
    area_of[$target]=$area
  done
done
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(printf '%s\n' "${!area_of[@]}" | sort)
fi
for target in "${targets[@]}"; do
  [ -n "${area_of[$target]:-}" ] || { echo "fuzz.sh: no fuzz target $target" >&2; exit 2; }
done

cmake --build "$build" -j 2 --target "${targets[@]}" >/dev/null

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$scratch"
summary="$scratch/summary.txt"
printf '%-22s %12s %10s %9s %8s\n' target executions "exec/s" coverage crashes > "$summary"
failed=0
for target in "${targets[@]}"; do
  area=${area_of[$target]}
  binary="$build/fuzz/$area/$target"
  corpus="fuzz/$area/corpus"
  work="$scratch/$target/work"
  minimised="$scratch/$target/minimised"
  mkdir -p "$work" "$minimised"
  log="$scratch/$target/run.log"
  echo "== $target: ${seconds}s$([ "$runs" -ge 0 ] && echo ", at most $runs runs")" >&2
  set +e
  # The first folder is the one libFuzzer writes to: the tracked corpus is only read.
  "$binary" -max_total_time="$seconds" -runs="$runs" -print_final_stats=1 \
    -artifact_prefix="$scratch/$target/" "$work" "$corpus" >"$log" 2>&1
  set -e
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  per_second=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  crashes=$(find "$scratch/$target" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  [ "$crashes" -eq 0 ] || failed=1
  # Minimised: the smallest set of inputs with all the coverage found so far.
  "$binary" -merge=1 "$minimised" "$work" "$corpus" >>"$log" 2>&1 || true
  if [ "$update" -eq 1 ]; then
    "$binary" -merge=1 "$corpus" "$work" >>"$log" 2>&1 || true
  fi
  printf '%-22s %12s %10s %9s %8s\n' "$target" "${executions:-?}" "${per_second:-?}" "${coverage:-?}" "$crashes" >> "$summary"
done
cat "$summary"
exit $failed
