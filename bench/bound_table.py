"""Writes the tables of the bound benchmarks (bench/run-bound-benchmarks.sh) into bench/README.md.

Usage: bound_table.py RESULTS.json README.md

The rows come from the benchmark's JSON (median of the repetitions). Two columns are reference
data, not measured by this script:
- "before": Ringmarch on main before the Lagrangian bounds (release, this machine,
  `ringmarch solve FILE --time-limit 30`); "> 30 s" where that solve was not proven in 30 s.
- "best exact solver": a branch-and-cut code on this machine, wall seconds, median of 3.
"""
import datetime
import json
import re
import statistics
import sys

BEGIN = "<!-- bound-table:begin (written by bench/run-bound-benchmarks.sh) -->"
END = "<!-- bound-table:end -->"

# Seconds; None: not proven within 30 s.
BEFORE = {
    "burma14": "refused", "ulysses16": "refused", "swiss42": "refused",
    "gr17": 0.002, "gr21": 0.007, "gr24": 0.024, "fri26": 0.028, "bayg29": 0.037,
    "bays29": 0.024, "dantzig42": 0.19, "eil51": 0.33, "berlin52": 0.36, "brazil58": 4.0,
    "st70": 6.2, "eil76": None, "pr76": None, "kroA100": 15.4, "kroB100": 28.0,
    "kroC100": None, "rd100": None, "eil101": None, "lin105": 7.3, "pr107": 8.1, "pr124": 5.8,
}
BEST = {
    "berlin52": 0.066, "eil51": 0.060, "st70": 0.108, "eil76": 0.051, "pr76": 0.393,
    "kroA100": 0.174, "kroB100": 0.409, "kroC100": 0.139, "rd100": 0.137, "eil101": 0.155,
    "lin105": 0.120, "pr107": 0.206, "pr124": 0.408, "brazil58": 0.121, "dantzig42": 0.040,
}


def seconds(run):
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[run.get("time_unit", "ns")]
    return run["real_time"] * scale


def shown(t):
    if t is None:
        return "> 30 s"
    if isinstance(t, str):
        return t
    return "%.3f s" % t if t >= 0.001 else "%.1f ms" % (t * 1e3)


def main():
    results_path, readme_path = sys.argv[1:3]
    with open(results_path) as f:
        results = json.load(f)
    runs = {}
    for run in results.get("benchmarks", []):
        if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
            continue
        name = re.sub(r"(/(iterations|repeats|threads):[0-9]+)+$", "",
                      run.get("run_name", run["name"]))
        runs[name] = run

    lines = [BEGIN, ""]
    lines.append("Measured %s, release build, %s CPUs; median of %s runs each. `bound gap`: the "
                 "first level's Lagrangian bound below the optimum; `ns/node`: search time per "
                 "evaluated node." % (
                     datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
                     results.get("context", {}).get("num_cpus", "?"),
                     next(iter(runs.values())).get("repetitions", 1) if runs else "?"))
    lines.append("")
    lines.append("| instance | cities | optimum | nodes | bound gap | ns/node | before | now | "
                 "best exact solver | now / best |")
    lines.append("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    tsplib = [(n, r) for n, r in runs.items() if n.startswith("Bounds/tsplib/")]
    cities = {}
    for name, run in tsplib:
        label = name.split("/")[-1]
        digits = re.search(r"(\d+)$", label)
        cities[label] = int(digits.group(1)) if digits else 0
    for name, run in sorted(tsplib, key=lambda item: cities[item[0].split("/")[-1]]):
        label = name.split("/")[-1]
        now = seconds(run)
        best = BEST.get(label)
        ratio = "%.2f" % (now / best) if best else "-"
        lines.append("| %s | %d | %d | %d | %.2f %% | %s | %s | %s | %s | %s |" % (
            label, cities[label], run["length"], run["nodes"], run["gap_percent"],
            "{:,.0f}".format(run["ns_per_node"]), shown(BEFORE.get(label, "-")), shown(now),
            shown(best) if best else "-", ratio))
    lines.append("")

    lines.append("Random uniform instances (`random N --seed S`, seeds 1 to 20), tie-heavy "
                 "matrices (40 cities, weights 1 to 12, five seeds) and degenerate point sets:")
    lines.append("")
    lines.append("| set | solves | median | worst | nodes (median) | not proven |")
    lines.append("|---|---:|---:|---:|---:|---:|")
    for group, title in (("Bounds/random100/", "random 100 cities"),
                         ("Bounds/random127/", "random 127 cities"),
                         ("Bounds/ties40/", "tie-heavy 40 cities, weights 1..12")):
        members = [r for n, r in runs.items() if n.startswith(group)]
        if not members:
            continue
        times = [seconds(r) for r in members]
        lines.append("| %s | %d | %s | %s | %d | %d |" % (
            title, len(members), shown(statistics.median(times)), shown(max(times)),
            statistics.median(r["nodes"] for r in members),
            sum(1 for r in members if r.get("stopped"))))
    for name, run in sorted(runs.items()):
        if name.startswith("Bounds/degenerate/"):
            lines.append("| %s | 1 | %s | %s | %d | %d |" % (
                name.split("/")[-1], shown(seconds(run)), shown(seconds(run)), run["nodes"],
                1 if run.get("stopped") else 0))
    lines.append("")

    lines.append("Each procedure alone and together (`none` is the search before them; the "
                 "larger instances are left out without the Lagrangian bound):")
    lines.append("")
    lines.append("| instance | switched on | nodes | time | ns/node |")
    lines.append("|---|---|---:|---:|---:|")
    for name, run in runs.items():
        if name.startswith("Switches/"):
            _, label, variant = name.split("/")
            lines.append("| %s | %s | %d | %s | %s |" % (
                label, variant, run["nodes"], shown(seconds(run)),
                "{:,.0f}".format(run["ns_per_node"])))
    lines.append("")
    lines.append(END)
    table = "\n".join(lines)

    with open(readme_path) as f:
        text = f.read()
    if BEGIN in text and END in text:
        text = text[:text.index(BEGIN)] + table + text[text.index(END) + len(END):]
    else:
        text = text.rstrip("\n") + "\n\n" + table + "\n"
    with open(readme_path, "w") as f:
        f.write(text)
    print("bound_table: wrote the tables of %s" % readme_path, file=sys.stderr)


if __name__ == "__main__":
    main()
