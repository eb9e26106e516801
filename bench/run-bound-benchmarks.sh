#!/usr/bin/env bash
# Builds the release benchmarks, runs the whole-solve suite of bound_benchmark.cpp (every shipped
# TSPLIB instance, random 100- and 127-city instances, tie-heavy and degenerate ones, and the
# bounds switched alone and together) and writes its tables into bench/README.md between the
# bound-table marker lines: median time per instance beside Ringmarch before the Lagrangian bounds
# and the best exact solver measured on this machine.
#
# Usage: bench/run-bound-benchmarks.sh [--repetitions N] [--no-table]
set -euo pipefail
cd "$(dirname "$0")/.."

repetitions=3
write_table=1
while [ $# -gt 0 ]; do
  case "$1" in
    --repetitions) repetitions="$2"; shift 2 ;;
    --no-table) write_table=0; shift ;;
    -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
    *) echo "run-bound-benchmarks: unknown argument '$1'" >&2; exit 2 ;;
  esac
done

scripts/install-deps.sh native bench
cmake --preset release >/dev/null
cmake --build --preset release --target ringmarch_bench -j2

results=build/release/bound-benchmark-results.json
echo "run-bound-benchmarks: $repetitions repetitions" >&2
build/release/bench/ringmarch_bench --benchmark_filter='^(Bounds|Switches)/' \
  --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out_format=json --benchmark_out="$results" >/dev/null

if [ "$write_table" = 1 ]; then
  python3 bench/bound_table.py "$results" bench/README.md
else
  echo "run-bound-benchmarks: results in $results" >&2
fi
