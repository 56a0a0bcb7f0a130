#!/usr/bin/env bash
# A fuzzing campaign over every libFuzzer target, one after another.
#
#   tools/fuzz.sh [--seconds N] [--runs N] [--scratch DIR] [--update-corpora] [--check]
#                 [--min-edges N] [--build DIR] [TARGET...]
#
# First every target is started once without running an input, and the campaign stops (exit 2)
# when one reports fewer instrumented edges than --min-edges (default 1500): a target that cannot
# see the code it calls finds nothing. --check stops after that.
# Then each target runs for N seconds (default 60) or N executions, whichever ends first, on a
# working corpus in the scratch folder (default /tmp/devpanel-fuzz) seeded read-only from its
# tracked corpus (fuzz/<area>/corpus), with the area's dictionary (fuzz/<area>/dictionary) when
# it has one. What it found is then merged and minimised into <scratch>/<target>/minimised; with
# --update-corpora, only the inputs that add coverage are merged into the tracked corpus as well.
# Crashes, leaks, time-outs (10 s) and out-of-memory inputs go to <scratch>/<target>/.
# Ends with one line per target (also in <scratch>/summary.txt): instrumented edges; edges covered
# at start (the tracked corpus loaded), half-way and at the end; the second at which coverage last
# grew ("-": never; early in the run: a plateau); executions, executions per second, findings.
# Exits 1 when anything was found.
#
# Builds the targets in build-fuzz (made here on first use: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer at -O1, every library instrumented for coverage by
# DEVPANEL_FUZZ_COVERAGE; test.sh's build-asan replays the corpora at -O0 without that
# instrumentation). --build DIR uses another fuzzing build.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
runs=-1
scratch=/tmp/devpanel-fuzz
update=0
check_only=0
min_edges=1500
build=build-fuzz
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --scratch) scratch="$2"; shift 2 ;;
    --update-corpora) update=1; shift ;;
    --check) check_only=1; shift ;;
    --min-edges) min_edges="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    -h|--help) sed -n '2,24p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done

if [ "$build" = build-fuzz ]; then
  ./tools/configure.sh build-fuzz -O1 -DCMAKE_CXX_COMPILER=clang++ -DDEVPANEL_SANITIZE=address,undefined \
    -DDEVPANEL_FUZZ=ON -DDEVPANEL_FUZZ_COVERAGE=ON -DDEVPANEL_BENCH=OFF
  # A build-fuzz configured before the libraries were instrumented gets the option now.
  grep -q '^DEVPANEL_FUZZ_COVERAGE:BOOL=ON' build-fuzz/CMakeCache.txt ||
    cmake -B build-fuzz -DDEVPANEL_FUZZ_COVERAGE=ON >/dev/null
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

# The replay's settings (test.sh), so that what passes here passes there.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tools/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$scratch"

# The edges a target's binary holds: the sum of libFuzzer's "INFO: Loaded N modules (E inline
# 8-bit counters)" lines on a start that runs no input.
instrumented_edges() {  # binary
  local empty
  empty=$(mktemp -d "$scratch/empty.XXXXXX")
  "$1" -runs=0 "$empty" 2>&1 | sed -n 's/^INFO: Loaded [0-9]* modules* *(\([0-9]*\) inline 8-bit counters).*/\1/p' |
    awk '{ sum += $1 } END { print sum + 0 }'
  rmdir "$empty"
}

declare -A edges_of
blind=0
for target in "${targets[@]}"; do
  edges=$(instrumented_edges "$build/fuzz/${area_of[$target]}/$target")
  edges_of[$target]=$edges
  if [ "$edges" -lt "$min_edges" ]; then
    echo "fuzz.sh: $target holds $edges instrumented edges, fewer than $min_edges: its libraries are not" \
      "instrumented (configure the build with -DDEVPANEL_FUZZ_COVERAGE=ON)" >&2
    blind=1
  fi
done
[ $blind -eq 0 ] || exit 2
if [ $check_only -eq 1 ]; then
  for target in "${targets[@]}"; do printf '%-26s %7s instrumented edges\n' "$target" "${edges_of[$target]}"; done
  exit 0
fi

# Each line of libFuzzer's output with the whole seconds since the run began in front.
stamp() {
  local start=$SECONDS line
  while IFS= read -r line; do printf '%d %s\n' $((SECONDS - start)) "$line"; done
}

summary="$scratch/summary.txt"
printf '%-26s %7s %7s %7s %7s %9s %11s %7s %8s\n' target edges "cov@0" "cov@1/2" "cov@end" "last-gain" \
  executions "exec/s" findings > "$summary"
found=0
for target in "${targets[@]}"; do
  area=${area_of[$target]}
  binary="$build/fuzz/$area/$target"
  corpus="fuzz/$area/corpus"
  work="$scratch/$target/work"
  minimised="$scratch/$target/minimised"
  mkdir -p "$work" "$minimised"
  log="$scratch/$target/run.log"
  dictionary=()
  [ -f "fuzz/$area/dictionary" ] && dictionary=(-dict="fuzz/$area/dictionary")
  echo "== $target: ${seconds}s$([ "$runs" -ge 0 ] && echo ", at most $runs runs")" >&2
  set +e
  # The first folder is the one libFuzzer writes to: the tracked corpus is only read.
  "$binary" -max_total_time="$seconds" -runs="$runs" -timeout=10 -print_final_stats=1 "${dictionary[@]}" \
    -artifact_prefix="$scratch/$target/" "$work" "$corpus" 2>&1 | stamp >"$log"
  set -e
  executions=$(sed -n 's/^[0-9]* stat::number_of_executed_units: *//p' "$log" | tail -1)
  per_second=$(sed -n 's/^[0-9]* stat::average_exec_per_sec: *//p' "$log" | tail -1)
  # Coverage once the tracked corpus is loaded, half-way, at the end, and when it last grew.
  read -r start_cov half_cov end_cov last_gain < <(awk -v half=$((seconds / 2)) '
    / #[0-9]+[ \t]+[A-Z]+ +cov: / {
      for (i = 1; i <= NF; i++) if ($i == "cov:") cov = $(i + 1) + 0
      if (start == "" && /INITED/) start = cov
      if (start == "") next
      if ($1 <= half) mid = cov
      if (cov > top) { top = cov; if (cov > start) gain = $1 " s" }
    }
    END { print (start == "" ? "?" : start), (mid == "" ? "?" : mid), (top == "" ? "?" : top), (gain == "" ? "-" : gain) }
  ' "$log" | sed 's/ s$/s/')
  findings=$(find "$scratch/$target" -maxdepth 1 -type f \
    \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  [ "$findings" -eq 0 ] || found=1
  # Minimised: the smallest set of inputs with all the coverage found so far.
  "$binary" -merge=1 "$minimised" "$work" "$corpus" >>"$log" 2>&1 || true
  # The tracked corpus takes only inputs that cover new edges (not merely hit known ones more
  # often), so that it stays small enough for test.sh's replay.
  if [ "$update" -eq 1 ]; then
    "$binary" -merge=1 -use_counters=0 "$corpus" "$work" >>"$log" 2>&1 || true
  fi
  printf '%-26s %7s %7s %7s %7s %9s %11s %7s %8s\n' "$target" "${edges_of[$target]}" "$start_cov" "$half_cov" \
    "$end_cov" "$last_gain" "${executions:-?}" "${per_second:-?}" "$findings" >> "$summary"
done
cat "$summary"
exit $found
