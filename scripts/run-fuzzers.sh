#!/usr/bin/env bash
# Builds the libFuzzer targets of the file readers and of the registry script interpreter (clang,
# ASan + UBSan) and runs each for a bounded time, starting from its seed corpus in
# fuzz/corpus/<target>.
# Usage: scripts/run-fuzzers.sh [seconds per target, default 60]
# Inputs that crash a target are kept in build/fuzz/artifacts/; the run then fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-${FUZZ_SECONDS:-60}}"

scripts/install-deps.sh native fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

artifacts="build/fuzz/artifacts"
mkdir -p "$artifacts"
status=0
for target in tsp_reader_fuzz tolerant_tsp_reader_fuzz tour_reader_fuzz tolerant_tour_reader_fuzz \
  registry_script_fuzz; do
  # New inputs go to a scratch corpus, so the checked-in seeds stay as they are.
  work="build/fuzz/corpus-work/$target"
  mkdir -p "$work"
  echo "run-fuzzers: $target for ${seconds}s"
  log="build/fuzz/$target.log"
  rc=0
  "build/fuzz/fuzz/$target" "$work" "fuzz/corpus/$target" \
    -dict=fuzz/tsplib.dict -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=8192 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" >"$log" 2>&1 || rc=$?
  grep -E "^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb|SUMMARY|==[0-9]+==ERROR)" "$log" || true
  if [ "$rc" -ne 0 ]; then
    tail -n 40 "$log" >&2
    echo "run-fuzzers: $target found a failing input (see $artifacts)" >&2
    status=1
  fi
done
exit "$status"
