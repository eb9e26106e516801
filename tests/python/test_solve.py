"""ringmarch.solve and Instance.solve against the C++ solver, published optima and an
independent exact solver; the time limit and the progress callback."""

import random
import threading
import time

import numpy
import pytest

import ringmarch
from conftest import DATA, assert_tour, cli_solve, held_karp, published_optima, tour_length

# Shipped files of at most 60 cities that the reader accepts (GEO files and swiss42 are refused).
FILES = ["gr17", "gr21", "gr24", "fri26", "bayg29", "bays29", "dantzig42", "eil51", "berlin52"]


@pytest.mark.parametrize("name", FILES)
def test_tsplib_file_matches_cli_and_published_optimum(name):
    path = DATA / f"{name}.tsp"
    instance = ringmarch.read_tsp(path)
    result = instance.solve()
    reference = cli_solve(path)
    assert result.length == published_optima()[f"{name}.tsp"]
    assert result.length == reference["length"]
    assert result.tour == reference["tour"]
    assert result.nodes == reference["nodes"]
    assert result.optimal is True
    assert result.initial_length == reference["initial_length"]
    distances = instance.distances
    assert_tour(result.tour, len(distances))
    assert tour_length(result.tour, distances) == result.length
    # The same matrix handed over as a list and as an array (the search then starts at city 0,
    # not at a file's leftmost city, so the tour may differ among equal ones).
    as_list = ringmarch.solve(distances=distances)
    assert as_list.length == result.length
    assert ringmarch.solve(distances=numpy.array(distances)).tour == as_list.tour


@pytest.mark.parametrize("name", ["eil51", "berlin52"])
def test_coordinates_give_the_euc2d_instance(name):
    instance = ringmarch.read_tsp(DATA / f"{name}.tsp")
    points = [(instance.pos_x(i), instance.pos_y(i)) for i in range(instance.num)]
    result = ringmarch.solve(coordinates=points)
    assert result.length == published_optima()[f"{name}.tsp"]
    assert ringmarch.solve(coordinates=numpy.array(points)).length == result.length


@pytest.mark.parametrize("seed", range(12))
def test_random_matrices_against_held_karp(seed):
    rng = random.Random(seed)
    n = 3 + seed % 8
    scale = [10, 1000, 2_000_000][seed % 3]
    distances = [[0] * n for _ in range(n)]
    for i in range(n):
        for j in range(i + 1, n):
            distances[i][j] = distances[j][i] = rng.randint(1, scale)
    result = ringmarch.solve(distances=distances)
    assert result.length == held_karp(distances)
    assert_tour(result.tour, n)
    assert tour_length(result.tour, distances) == result.length


def test_fractional_coordinates_round_half_up():
    # Sides 2.5 (rounds to 3), 1.5 (2), 2.25 (2), 1.5 (2).
    result = ringmarch.solve(coordinates=[(0, 0), (2.5, 0), (2.5, 1.5), (0.25, 1.5)])
    assert result.length == 3 + 2 + 2 + 2


@pytest.mark.parametrize("n,seed", [(30, 5), (45, 11), (60, 0)])
def test_random_instances_match_cli(tmp_path, n, seed):
    instance = ringmarch.Instance.random(n, seed=seed)
    path = tmp_path / f"random{n}.tsp"
    ringmarch.write_tsp(path, instance, layout="euc2d")
    reference = cli_solve(path)
    result = instance.solve()
    assert (result.length, result.tour) == (reference["length"], reference["tour"])


def slow_progress(seconds, calls):
    def progress(report):
        calls.append(report)
        time.sleep(seconds)

    return progress


# 121 cities on an 11 x 11 lattice, spacing 100: its optimum 12141 needs one diagonal step, and
# the search cannot prove it in any time these tests allow.
LATTICE_OPTIMUM = 12141


def test_time_limit_stops_with_a_valid_tour(monkeypatch):
    monkeypatch.setattr(ringmarch._instance, "_CALLBACK_INTERVAL_SECONDS", 0.0)
    instance = ringmarch.read_tsp(DATA / "grid11.tsp")
    calls = []
    # The callback, called every few nodes, sleeps, so the search outlasts the limit whatever
    # the machine's speed.
    result = instance.solve(
        time_limit=0.1, progress=slow_progress(0.02, calls), engine="canonical"
    )
    assert result.optimal is False
    assert result.length >= LATTICE_OPTIMUM
    assert result.seconds >= 0.1
    assert_tour(result.tour, 121)
    assert tour_length(result.tour, instance.distances) == result.length
    assert instance.length == result.length


def test_progress_reports_and_stops(monkeypatch):
    monkeypatch.setattr(ringmarch._instance, "_CALLBACK_INTERVAL_SECONDS", 0.0)
    instance = ringmarch.Instance.random(40, seed=1040)
    full = instance.solve()
    reports = []

    def progress(report):
        reports.append(report)
        return len(reports) < 3

    result = instance.solve(progress=progress)
    assert len(reports) == 3
    assert [r.nodes for r in reports] == sorted(r.nodes for r in reports)
    assert all(isinstance(r, ringmarch.Progress) for r in reports)
    assert all(r.best_length >= result.length for r in reports)
    assert result.optimal is False
    assert result.nodes < full.nodes


def test_progress_exception_stops_the_search_and_is_raised(monkeypatch):
    monkeypatch.setattr(ringmarch._instance, "_CALLBACK_INTERVAL_SECONDS", 0.0)
    instance = ringmarch.Instance.random(40, seed=1040)

    def progress(report):
        raise ZeroDivisionError("from the callback")

    with pytest.raises(ZeroDivisionError, match="from the callback"):
        instance.solve(progress=progress)
    # The instance holds the stopped search's tour and solves again.
    assert_tour(instance.tour, 40)
    assert instance.solve().optimal is True


def test_progress_callback_may_not_use_its_instance(monkeypatch):
    monkeypatch.setattr(ringmarch._instance, "_CALLBACK_INTERVAL_SECONDS", 0.0)
    instance = ringmarch.Instance.random(40, seed=1040)
    with pytest.raises(RuntimeError, match="progress callback"):
        instance.solve(progress=lambda report: instance.num)


def test_solve_releases_the_gil():
    instance = ringmarch.read_tsp(DATA / "brazil58.tsp")
    span = {}

    def worker():
        span["start"] = time.perf_counter()
        instance.solve(time_limit=0.5)
        span["end"] = time.perf_counter()

    thread = threading.Thread(target=worker)
    ticks = []
    thread.start()
    while thread.is_alive():
        ticks.append(time.perf_counter())
    thread.join()
    start, end = span["start"] + 0.02, span["end"] - 0.02
    if end - start < 0.05:
        pytest.skip("the solve ended too soon to watch the other thread")
    inside = sum(1 for t in ticks if start <= t <= end)
    # Holding the GIL through the solve would leave this thread a few ticks per callback.
    assert inside > 1000
