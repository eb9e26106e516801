"""Shared helpers of the module's tests: the shipped TSPLIB files, the command-line program
(the C++ solver's own front end, the reference the module is checked against) and an
independent exact solver for small instances."""

import itertools
import json
import os
import pathlib
import subprocess
from typing import List, Sequence

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
DATA = ROOT / "tests" / "data"
CLI = pathlib.Path(
    os.environ.get("RINGMARCH_CLI", ROOT / "build" / "release" / "cli" / "ringmarch")
)


def published_optima() -> dict:
    rows = (DATA / "INDEX.tsv").read_text().splitlines()[1:]
    return {row.split("\t")[0]: int(row.split("\t")[5]) for row in rows}


def cli_solve(path: pathlib.Path) -> dict:
    """The command's --json answer for a TSP file."""
    if not CLI.exists():
        pytest.fail(f"the command-line program {CLI} is not built")
    done = subprocess.run(
        [str(CLI), "solve", str(path), "--json", "--quiet"],
        capture_output=True,
        text=True,
        check=True,
        timeout=120,
    )
    return json.loads(done.stdout)


def tour_length(tour: Sequence[int], distances: Sequence[Sequence[int]]) -> int:
    return sum(distances[a][b] for a, b in zip(tour, list(tour[1:]) + [tour[0]]))


def held_karp(distances: Sequence[Sequence[int]]) -> int:
    """The optimal tour length by dynamic programming over subsets (small n only)."""
    n = len(distances)
    best = {(1 << 0 | 1 << k, k): distances[0][k] for k in range(1, n)}
    for size in range(3, n + 1):
        for subset in itertools.combinations(range(1, n), size - 1):
            mask = 1 | sum(1 << k for k in subset)
            for last in subset:
                previous = mask & ~(1 << last)
                best[(mask, last)] = min(
                    best[(previous, k)] + distances[k][last] for k in subset if k != last
                )
    full = (1 << n) - 1
    return min(best[(full, k)] + distances[k][0] for k in range(1, n))


def assert_tour(tour: List[int], n: int) -> None:
    assert sorted(tour) == list(range(n)), f"not a tour of {n} cities: {tour}"
