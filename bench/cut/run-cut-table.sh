#!/usr/bin/env bash
# Runs the cut engine's table over a set of instances, one process per instance so that each
# line's peak memory is that instance's own.
#   run-cut-table.sh FOLDER SET [TIME_LIMIT] [BUILD_DIR]
# FOLDER holds TSPLIB files and an INDEX.tsv of published optima (file, dimension, ..., optimum in
# the sixth column); SET is one of
#   small       every file of up to 127 cities, TSP and ATSP
#   medium      TSP files of 128 to 442 cities
#   large       TSP files of 493 to 1,084 cities
#   atsp        every ATSP file
#   structured  the generated lattices, grids with holes and triangular lattice (FOLDER unused)
#   all         small, atsp, structured and medium in turn, each under a heading (the tables of
#               bench/README.md)
# TIME_LIMIT is each cut engine run's limit in seconds (default 120). For small and structured the
# canonical engine solves each instance too, and a second table sets both engines' nodes and
# seconds side by side; its run ends after CANONICAL_NODES nodes (default 1,000,000), so that
# whether it finished does not depend on the machine's load, or after CANONICAL_LIMIT seconds
# (default 600, a safety net). The load average is printed before and
# after. Exits 1 when any line is a fault (a proven length other than the optimum, a bound above
# it, an invalid tour, an unreadable file).
set -euo pipefail
folder=${1:?usage: run-cut-table.sh FOLDER SET [TIME_LIMIT] [BUILD_DIR]}
set_name=${2:?usage: run-cut-table.sh FOLDER SET [TIME_LIMIT] [BUILD_DIR]}
limit=${3:-120}
build=${4:-$(cd "$(dirname "$0")/../.." && pwd)/build/release}
canonical_limit=${CANONICAL_LIMIT:-600}
canonical_nodes=${CANONICAL_NODES:-1000000}
table="$build/bench/cut_engine_table"
[[ -x "$table" ]] || { echo "no $table: build the release preset with the cut engine" >&2; exit 2; }

if [[ "$set_name" == all ]]; then
  status=0
  for part in small atsp structured medium; do
    echo "### $part"
    echo
    bash "$0" "$folder" "$part" "$limit" "$build" || status=1
    echo
  done
  exit $status
fi

instances=()
case "$set_name" in
  small | medium | large | atsp)
    while IFS=$'\t' read -r file dimension _; do
      [[ "$file" == file ]] && continue
      case "$set_name" in
        small) (( dimension <= 127 )) || continue ;;
        medium) [[ "$file" == *.tsp ]] && (( dimension >= 128 && dimension <= 442 )) || continue ;;
        large) [[ "$file" == *.tsp ]] && (( dimension >= 493 && dimension <= 1084 )) || continue ;;
        atsp) [[ "$file" == *.atsp ]] || continue ;;
      esac
      instances+=("$folder/$file")
    done < "$folder/INDEX.tsv"
    ;;
  structured)
    instances=(lattice-11x11 lattice-10x12 tri-11x11 holes-12-100-1 holes-12-105-2 holes-12-110-3
               holes-12-115-4 holes-12-120-5 holes-12-125-6 holes-12-127-7 holes-11-110-8)
    ;;
  *) echo "unknown set $set_name" >&2; exit 2 ;;
esac

index=()
[[ -f "$folder/INDEX.tsv" ]] && index=(--index="$folder/INDEX.tsv")
compare=()
compare_file=""
if [[ "$set_name" == small || "$set_name" == structured ]]; then
  compare_file=$(mktemp)
  trap 'rm -f "$compare_file"' EXIT
  compare=(--canonical="$compare_file" --canonical-time-limit="$canonical_limit"
           --canonical-node-limit="$canonical_nodes")
fi

echo "load before: $(uptime)"
echo
"$table"  # the header alone
status=0
for instance in "${instances[@]}"; do
  "$table" --no-header --time-limit="$limit" "${index[@]}" "${compare[@]}" "$instance" || status=1
done
if [[ -n "$compare_file" ]]; then
  echo
  echo "| instance | cities | optimum | cut | cut nodes | cut user s | cut wall s | canonical |" \
    "canonical nodes | canonical user s | canonical wall s | other s |"
  echo "|---|---:|---:|---|---:|---:|---:|---|---:|---:|---:|---:|"
  cat "$compare_file"
fi
echo
echo "load after: $(uptime)"
exit $status
