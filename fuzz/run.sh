#!/usr/bin/env bash
# Runs every fuzz target of a fuzzing build for a while, from its corpus in fuzz/corpus/<name>/.
# Afterwards the corpus is replaced by a minimal set of its inputs and the new ones that together
# reach every code edge reached so far (libFuzzer's -merge); crashing inputs are kept in
# <build>/artifacts/. Targets run side by side, as many at once as there are cores.
#
#   fuzz/run.sh <build folder> <seconds per target> [target name ...]
#
# FUZZ_RUNS=<n> also ends a target after n executions, whichever comes first.
set -uo pipefail

build=${1:?usage: fuzz/run.sh <build folder> <seconds per target> [target ...]}
seconds=${2:?usage: fuzz/run.sh <build folder> <seconds per target> [target ...]}
shift 2
source_dir=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$build" && pwd)
jobs=${JOBS:-$(nproc)}

if [ $# -gt 0 ]; then
  names=("$@")
else
  names=()
  for program in "$build"/fuzz/*_fuzz; do
    [ -x "$program" ] && names+=("$(basename "$program" _fuzz)")
  done
fi
[ ${#names[@]} -gt 0 ] || { echo "no fuzz targets in $build/fuzz (build with VELKO_BUILD_FUZZERS=ON)"; exit 1; }

run_one() {
  local name=$1 program="$build/fuzz/$1_fuzz" corpus="$source_dir/corpus/$1"
  local found="$build/found/$1" log="$build/logs/$1.log"
  mkdir -p "$corpus" "$found" "$build/artifacts" "$build/logs"
  local limit_runs=()
  [ -n "${FUZZ_RUNS:-}" ] && limit_runs=(-runs="$FUZZ_RUNS")
  "$program" -max_total_time="$seconds" "${limit_runs[@]}" -timeout=60 -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$name-" "$found" "$corpus" >"$log" 2>&1
  local status=$?
  # The corpus keeps the smallest set of inputs that reaches every edge reached so far (edge
  # coverage only, without hit counts, so that it stays small enough to commit).
  local merged="$build/merged/$name"
  rm -rf "$merged" && mkdir -p "$merged"
  if "$program" -merge=1 -use_counters=0 "$merged" "$corpus" "$found" >>"$log" 2>&1 &&
    [ -n "$(ls -A "$merged")" ]; then
    find "$corpus" -maxdepth 1 -type f -delete && cp "$merged"/* "$corpus"/ 2>/dev/null
  fi
  local runs
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  if [ $status -eq 0 ]; then
    echo "fuzz $name: ok, ${runs:-?} executions, corpus $(ls "$corpus" | wc -l) inputs"
  else
    echo "fuzz $name: FAILED (exit $status), see $log and $build/artifacts/$name-*"
  fi
  return $status
}
export -f run_one
export build seconds source_dir

printf '%s\n' "${names[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {}
