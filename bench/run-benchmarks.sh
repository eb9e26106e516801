#!/usr/bin/env bash
# Builds the release benchmarks, runs the solve suite with repetitions, and writes the results
# table of bench/README.md between its marker lines (the rest of that file stays as it is):
# median solve time per instance with cities, optimal length and evaluated nodes, where the time
# of a solve goes (loading, initial tour, search), and the peak memory of 127-city solves.
#
# Usage: bench/run-benchmarks.sh [--filter REGEX] [--repetitions N] [--no-table]
#   --filter       benchmarks to run (default: the random-instance solves and the full-chain
#                  TSPLIB and random solves)
#   --repetitions  runs per benchmark; the table shows their median (default 3)
#   --no-table     run and keep the JSON, but leave bench/README.md alone
set -euo pipefail
cd "$(dirname "$0")/.."

filter='^(BM_SolveRandom/[0-9]+|Chain/[^/]+/full)(/|$)'
repetitions=3
write_table=1
while [ $# -gt 0 ]; do
  case "$1" in
    --filter) filter="$2"; shift 2 ;;
    --repetitions) repetitions="$2"; shift 2 ;;
    --no-table) write_table=0; shift ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    *) echo "run-benchmarks: unknown argument '$1'" >&2; exit 2 ;;
  esac
done

scripts/install-deps.sh native bench
cmake --preset release >/dev/null
cmake --build --preset release --target ringmarch_bench ringmarch -j2

build=build/release
results="$build/benchmark-results.json"
stages="$build/benchmark-stages.jsonl"
memory="$build/benchmark-memory.txt"

echo "run-benchmarks: running '$filter' with $repetitions repetitions" >&2
"$build/bench/ringmarch_bench" --benchmark_filter="$filter" \
  --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out_format=json --benchmark_out="$results" >/dev/null

# Where a solve's time goes, from the solver's own stage clocks.
: >"$stages"
for instance in default tests/data/gr17.tsp tests/data/bays29.tsp tests/data/eil51.tsp \
  tests/data/berlin52.tsp; do
  if [ "$instance" = default ]; then
    "$build/cli/ringmarch" solve --json --quiet >>"$stages"
  elif [ -f "$instance" ]; then
    "$build/cli/ringmarch" solve "$instance" --json --quiet >>"$stages"
  fi
done

# Peak memory (maximum resident set) of whole 127-city solves.
measure_memory() {
  local label="$1"
  shift
  local report
  report=$({ /usr/bin/time -v "$build/cli/ringmarch" "$@" --quiet >/dev/null; } 2>&1 || true)
  local kilobytes
  kilobytes=$(printf '%s\n' "$report" | sed -n 's/.*Maximum resident set size (kbytes): //p')
  local seconds
  seconds=$(printf '%s\n' "$report" | sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p')
  printf '%s\t%s\t%s\n' "$label" "$kilobytes" "$seconds" >>"$memory"
}
: >"$memory"
measure_memory "circle127 (127 cities on a circle, solved to optimality)" \
  solve bench/data/circle127.tsp
measure_memory "random 127 cities, seed 1, search stopped after 10 s" \
  random 127 --seed 1 --solve --time-limit 10

if [ "$write_table" = 0 ]; then
  echo "run-benchmarks: results in $results, $stages and $memory" >&2
  exit 0
fi

python3 - "$results" "$stages" "$memory" bench/README.md <<'PYTHON'
import json, os, platform, re, sys, datetime

results_path, stages_path, memory_path, readme_path = sys.argv[1:5]
BEGIN = "<!-- benchmark-table:begin (written by bench/run-benchmarks.sh) -->"
END = "<!-- benchmark-table:end -->"

with open(results_path) as f:
    results = json.load(f)

def cities_of(label):
    m = re.fullmatch(r"random(\d+)", label)
    if m:
        return int(m.group(1))
    path = os.path.join("tests", "data", label + ".tsp")
    try:
        with open(path, errors="replace") as f:
            for line in f:
                m = re.match(r"DIMENSION\s*:\s*(\d+)", line)
                if m:
                    return int(m.group(1))
    except OSError:
        pass
    return None

def instance_of(run_name):
    # Drop the library's suffixes such as "/iterations:1" or "/repeats:3".
    run_name = re.sub(r"(/[a-z_]+:[^/]+)+$", "", run_name)
    m = re.fullmatch(r"BM_SolveRandom/(\d+)", run_name)
    if m:
        return "random %s (seed %d)" % (m.group(1), 1000 + int(m.group(1))), int(m.group(1))
    m = re.fullmatch(r"Chain/([^/]+)/full", run_name)
    if m:
        label = m.group(1)
        m2 = re.fullmatch(r"random(\d+)", label)
        if m2:
            return "random %s (seed %d)" % (m2.group(1), 2000 + int(m2.group(1))), cities_of(label)
        return label, cities_of(label)
    return run_name, None

def seconds(value, unit):
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[unit]
    return value * scale

rows = []
for b in results.get("benchmarks", []):
    if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
        continue
    name = b.get("run_name", b["name"])
    instance, cities = instance_of(name)
    rows.append({
        "instance": instance,
        "cities": cities,
        "length": b.get("length"),
        "nodes": b.get("nodes"),
        "time": seconds(b["real_time"], b.get("time_unit", "ns")),
        "repetitions": b.get("repetitions", 1),
    })
rows.sort(key=lambda r: (r["cities"] or 0, r["instance"]))

def fmt_int(value):
    return "-" if value is None else "{:,}".format(int(round(value)))

def fmt_time(t):
    if t < 1e-3:
        return "%.1f µs" % (t * 1e6)
    if t < 1:
        return "%.1f ms" % (t * 1e3)
    return "%.2f s" % t

lines = [BEGIN, ""]
context = results.get("context", {})
lines.append("Measured %s on %s with %s CPUs (release build); median of %s runs each. "
             "`nodes` counts evaluated search nodes." % (
                 datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
                 platform.machine(), context.get("num_cpus", "?"),
                 rows[0]["repetitions"] if rows else "?"))
lines.append("")
lines.append("| instance | cities | optimal length | nodes | median time |")
lines.append("|---|---:|---:|---:|---:|")
for r in rows:
    lines.append("| %s | %s | %s | %s | %s |" % (r["instance"], fmt_int(r["cities"]),
                                                 fmt_int(r["length"]), fmt_int(r["nodes"]),
                                                 fmt_time(r["time"])))
lines.append("")

stage_rows = []
with open(stages_path) as f:
    for line in f:
        line = line.strip()
        if not line:
            continue
        d = json.loads(line)
        st = d.get("stages") or {}
        name = os.path.basename(d["name"])
        if "/" not in d["name"] and not d["name"].endswith(".tsp"):
            name += " (built-in)"
        stage_rows.append((name, d["cities"], d["length"], d["nodes"], d["seconds"],
                           st.get("load"), st.get("initial_tour"), st.get("search")))
if stage_rows:
    lines.append("Where the time of one solve goes (`ringmarch solve FILE --json`, field `stages`):")
    lines.append("")
    lines.append("| instance | cities | length | nodes | total | loading | initial tour | search |")
    lines.append("|---|---:|---:|---:|---:|---:|---:|---:|")
    for name, n, length, nodes, total, load, initial, search in stage_rows:
        lines.append("| %s | %d | %s | %s | %s | %s | %s | %s |" % (
            name, n, fmt_int(length), fmt_int(nodes), fmt_time(total),
            "-" if load is None else fmt_time(load),
            "-" if initial is None else fmt_time(initial),
            "-" if search is None else fmt_time(search)))
    lines.append("")

with open(memory_path) as f:
    memory_rows = [l.rstrip("\n").split("\t") for l in f if l.strip()]
if memory_rows:
    lines.append("Peak memory of 127-city solves (`/usr/bin/time -v ringmarch ...`, maximum "
                 "resident set of the whole process):")
    lines.append("")
    lines.append("| run | peak memory | wall time |")
    lines.append("|---|---:|---:|")
    for label, kilobytes, wall in memory_rows:
        shown = "-" if not kilobytes else "%.1f MiB" % (int(kilobytes) / 1024.0)
        lines.append("| %s | %s | %s |" % (label, shown, wall or "-"))
    lines.append("")
lines.append(END)
table = "\n".join(lines)

try:
    with open(readme_path) as f:
        text = f.read()
except OSError:
    text = "# Benchmarks\n\nRun `bench/run-benchmarks.sh` to rebuild the table below.\n\n"
if BEGIN in text and END in text:
    before = text[:text.index(BEGIN)]
    after = text[text.index(END) + len(END):]
    text = before + table + after
else:
    if not text.endswith("\n"):
        text += "\n"
    text += "\n## Suite results (bench/run-benchmarks.sh)\n\n" + table + "\n"
with open(readme_path, "w") as f:
    f.write(text)
print("run-benchmarks: wrote the table of %s" % readme_path, file=sys.stderr)
PYTHON
