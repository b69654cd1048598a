#!/usr/bin/env bash
# Runs every fuzz target of build/fuzz (cmake --preset fuzz && cmake --build
# --preset fuzz) over its seed corpus in fuzz/corpus/<target>/.
#
#   fuzz/run.sh                         # each target for 20000 runs, import 2000 (what ./test.sh does)
#   fuzz/run.sh -max_total_time=600     # each target for ten minutes
#   FUZZ_TARGETS="read_config" fuzz/run.sh -runs=1000000
#
# Arguments are libFuzzer options. Inputs that reach new code are kept in
# build/fuzz/corpus/<target>/, so a later run goes on from there; an input that
# fails is saved as build/fuzz/artifacts/<target>-crash-<hash> and the run stops
# with its report. Replay one with: build/fuzz/fuzz/fuzz_<target> <file>.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$PWD/build/fuzz  # absolute: a target may work in a folder of its own
options=("$@")
default_runs=0
[ ${#options[@]} -gt 0 ] || default_runs=1
targets=${FUZZ_TARGETS:-$(cd fuzz/corpus && echo *)}
mkdir -p "$build/artifacts"
for target in $targets; do
  corpus=$build/corpus/$target
  log=$build/$target.log
  mkdir -p "$corpus"
  if [ $default_runs = 1 ]; then
    # Each input of the import target is three transactions on a GeoPackage.
    if [ "$target" = import ]; then options=(-runs=2000); else options=(-runs=20000); fi
  fi
  if ! "$build"/fuzz/fuzz_"$target" "${options[@]}" -artifact_prefix="$build/artifacts/$target-" \
      "$corpus" "$PWD/fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "== fuzz target $target FAILED (whole report: $log)"
    exit 1
  fi
  echo "$target: $(grep -E '^Done [0-9]+ runs' "$log" || tail -n 1 "$log")"
done
