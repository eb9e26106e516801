#!/usr/bin/env bash
# Runs the tour engine's table over a folder of TSPLIB files with an INDEX.tsv of published
# optima (columns: file, dimension, ..., published_optimum in the sixth), one process per file so
# that each line's peak memory is that instance's own.
#   run-tour-table.sh FOLDER [small|medium|large] [BUILD_DIR]
# small: fewer than 128 cities; medium (the default): 128 to 1,084 cities; large: more than
# 1,084 cities, each with a 60 s time limit. TSP and ATSP files alike. Exits 1 when any line is a
# fault (a bound above the optimum, an invalid tour, an unreadable file).
set -euo pipefail
folder=${1:?usage: run-tour-table.sh FOLDER [small|medium|large] [BUILD_DIR]}
range=${2:-medium}
build=${3:-$(cd "$(dirname "$0")/../.." && pwd)/build/release}
table="$build/bench/tour_engine_table"
case "$range" in
  small) low=1 high=127 extra=() ;;
  medium) low=128 high=1084 extra=() ;;
  large) low=1085 high=1000000 extra=(--time-limit=60) ;;
  *) echo "unknown range $range" >&2; exit 2 ;;
esac
printf '| instance | cities | tour | over optimum | bound | below optimum | tour s | bound s | peak MB |\n'
printf '|---|---|---|---|---|---|---|---|---|\n'
status=0
while IFS=$'\t' read -r file dimension _ _ _ optimum _; do
  [[ "$file" == file ]] && continue
  (( dimension >= low && dimension <= high )) || continue
  "$table" --no-header "${extra[@]}" "$folder/$file:$optimum" || status=1
done < "$folder/INDEX.tsv"
exit $status
