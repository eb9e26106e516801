"""What the Python module adds to a solve: the wall time of ringmarch.solve minus the library's
own solve time (SolveResult.seconds, measured inside the C library around the object's solve).

The difference is everything Python does: checking and converting the input, creating the
solver and loading the instance into it, the call through ctypes, and reading the tour back.
The instance is one the solver proves fast (100 cities evenly spaced on a circle), so that the
search does not drown the overhead; the overhead does not depend on the search.

Usage (after scripts/run-python-tests.sh has installed the module):
    RINGMARCH_LIBRARY=build/release/capi/libringmarch.so \\
        build/python-venv/bin/python bench/python_overhead.py [repetitions]
"""

import math
import statistics
import sys
import time

import numpy

import ringmarch


def circle(n: int) -> list:
    return [
        (5000 + 4000 * math.cos(2 * math.pi * k / n), 5000 + 4000 * math.sin(2 * math.pi * k / n))
        for k in range(n)
    ]


def measure(label: str, repetitions: int, **arguments) -> None:
    overheads = []
    solves = []
    for _ in range(repetitions):
        started = time.perf_counter()
        result = ringmarch.solve(**arguments)
        wall = time.perf_counter() - started
        assert result.optimal
        overheads.append(wall - result.seconds)
        solves.append(result.seconds)
    tenth = statistics.quantiles(overheads, n=10)[-1]
    print(
        f"| {label} | {statistics.median(solves) * 1e3:.2f} | "
        f"{statistics.median(overheads) * 1e3:.3f} | {tenth * 1e3:.3f} |"
    )


def main() -> None:
    repetitions = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    points = circle(100)
    with ringmarch.Instance.from_coordinates(points) as instance:
        matrix = instance.distances
    print(
        "| input (100 cities) | solver ms (median) | Python adds, ms (median) "
        "| 90th percentile |"
    )
    print("|---|---:|---:|---:|")
    measure("coordinates, list of pairs", repetitions, coordinates=points)
    measure("coordinates, NumPy array", repetitions, coordinates=numpy.array(points))
    measure("distances, list of lists", repetitions, distances=matrix)
    measure("distances, NumPy array", repetitions, distances=numpy.array(matrix))


if __name__ == "__main__":
    main()
