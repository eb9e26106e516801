"""Solves every TSPLIB instance of a folder within a range of sizes through the command line and
through the Python module with the tour engine, and checks each answer apart from the solver:
the tour visits every city once, its length (summed here from the instance's distances) is the
one reported, the bound lies at or below the published optimum, `optimal` is claimed only when
the bound meets the length, and the length lies within 1 % of the optimum. Prints one line per
instance and front end; exits 1 when any check fails. A file the readers refuse (TSPLIB's
linhp318 fixes an edge, which this solver cannot) is listed with the reason, not solved.

Usage: tsplib_sweep.py FOLDER [SMALLEST LARGEST]   (FOLDER holds the files and INDEX.tsv)
"""

import json
import os
import pathlib
import subprocess
import sys
import time

import ringmarch

CLI = os.environ.get("RINGMARCH_CLI", "build/release/cli/ringmarch")


def instances(folder, smallest, largest):
    rows = (folder / "INDEX.tsv").read_text().splitlines()[1:]
    for row in rows:
        fields = row.split("\t")
        name, cities, optimum = fields[0], int(fields[1]), int(fields[5])
        if smallest <= cities <= largest:
            yield name, cities, optimum


def faults(instance, cities, optimum, tour, length, bound, optimal):
    """What is wrong with an answer, in words; empty when nothing is."""
    found = []
    if sorted(tour) != list(range(cities)):
        return ["not a tour of every city once"]
    measured = sum(instance.distance(a, b) for a, b in zip(tour, tour[1:] + tour[:1]))
    if measured != length:
        found.append(f"length {length} reported, {measured} measured")
    if bound is not None and bound > optimum:
        found.append(f"bound {bound} above the optimum")
    if optimal and bound != length:
        found.append("optimal claimed without the bound meeting the length")
    if 100 * (length - optimum) > optimum:
        found.append(f"{100 * (length - optimum) / optimum:.2f} % over the optimum")
    return found


def main(arguments):
    if len(arguments) not in (1, 3):
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    folder = pathlib.Path(arguments[0])
    smallest, largest = (int(arguments[1]), int(arguments[2])) if len(arguments) == 3 else (128, 1084)
    failed = 0
    refused = 0
    print("| instance | cities | front end | length | over optimum | bound | seconds | faults |")
    print("|---|---|---|---|---|---|---|---|")
    for name, cities, optimum in instances(folder, smallest, largest):
        path = folder / name
        try:
            instance = ringmarch.read_tsp(path)
        except ringmarch.RingmarchError as error:
            refused += 1
            print(f"| {name} | {cities} | both | - | - | - | - | refused: {error.reason} |")
            continue
        answers = []
        started = time.monotonic()
        done = subprocess.run(
            [CLI, "solve", str(path), "--engine", "tour", "--json", "--quiet"],
            capture_output=True,
            text=True,
        )
        document = json.loads(done.stdout)
        if "error" in document:
            answers.append(("cli", None, [document["error"]["message"]], time.monotonic() - started))
        else:
            bound = document["lower_bound"]
            answers.append((
                "cli",
                (document["length"], bound),
                faults(instance, cities, optimum, document["tour"], document["length"], bound,
                       document["optimal"]),
                time.monotonic() - started,
            ))
        started = time.monotonic()
        result = instance.solve(engine="tour")
        answers.append((
            "python",
            (result.length, result.lower_bound),
            faults(instance, cities, optimum, result.tour, result.length, result.lower_bound,
                   result.optimal),
            time.monotonic() - started,
        ))
        for front_end, numbers, found, seconds in answers:
            failed += bool(found)
            length, bound = numbers if numbers else ("-", "-")
            over = f"{100 * (length - optimum) / optimum:.2f} %" if numbers else "-"
            print(f"| {name} | {cities} | {front_end} | {length} | {over} | {bound} | "
                  f"{seconds:.2f} | {'; '.join(found)} |", flush=True)
    print(f"tsplib_sweep: {failed} answers with faults, {refused} files refused", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
