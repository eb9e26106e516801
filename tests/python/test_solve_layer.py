"""Solves through the solve layer: asymmetric matrices exact against the oracle, the new result
fields, tolerant and strict reading, a solve from its own callback, euc2d without coordinates,
and whole-or-nothing writes."""

import os
import random
import resource
import subprocess
import sys

import pytest

import ringmarch
from conftest import DATA, assert_tour, held_karp, tour_length


def test_two_hundred_asymmetric_matrices_are_exact():
    generator = random.Random(20261209)
    asymmetric = 0
    for round_ in range(200):
        n = 4 + round_ % 6
        spread = 4 if round_ % 4 == 0 else 900
        matrix = [
            [0 if i == j else generator.randint(1, spread) for j in range(n)] for i in range(n)
        ]
        asymmetric += any(matrix[i][j] != matrix[j][i] for i in range(n) for j in range(n))
        result = ringmarch.solve(distances=matrix)
        assert_tour(result.tour, n)
        optimum = held_karp(matrix)
        assert result.length == optimum == tour_length(result.tour, matrix), (round_, matrix)
        assert result.optimal and result.status == "optimal"
        assert result.lower_bound == optimum
        assert result.engine == "canonical"
    assert asymmetric > 150


def test_asym8_file_is_solved_to_its_optimum(tmp_path):
    # A directed file whose symmetric reading answers a longer tour as if it were shortest.
    generator = random.Random(8)
    matrix = [[0 if i == j else generator.randint(1, 60) for j in range(8)] for i in range(8)]
    path = tmp_path / "asym8.atsp"
    rows = "\n".join(" ".join(str(d) for d in row) for row in matrix)
    path.write_text(
        "NAME: asym8\nTYPE: ATSP\nDIMENSION: 8\nEDGE_WEIGHT_TYPE: EXPLICIT\n"
        f"EDGE_WEIGHT_FORMAT: FULL_MATRIX\nEDGE_WEIGHT_SECTION\n{rows}\nEOF\n"
    )
    result = ringmarch.read_tsp(path).solve()
    assert result.length == held_karp(matrix)
    assert result.optimal


def test_a_stopped_solve_says_not_proven_with_a_bound_no_higher_than_its_length():
    instance = ringmarch.Instance.random(100, seed=3)
    result = instance.solve(progress=lambda progress: False)
    assert not result.optimal and result.status == "not_proven"
    assert_tour(result.tour, 100)
    assert result.lower_bound is None or result.lower_bound <= result.length


def test_engine_argument_is_checked():
    with pytest.raises(ValueError, match="engine must be 'auto', 'canonical', 'tour' or 'cut'"):
        ringmarch.solve(coordinates=[(0, 0), (3, 0), (0, 4)], engine="branch")
    square = ringmarch.solve(coordinates=[(0, 0), (3, 0), (3, 4), (0, 4)], engine="cut")
    assert square.engine == "cut" and square.optimal and square.length == 14


def test_reading_is_tolerant_by_default_and_strict_on_request():
    # swiss42's section line ends in blanks: the strict reader refuses it.
    tolerant = ringmarch.read_tsp(DATA / "swiss42.tsp")
    assert tolerant.num == 42
    with pytest.raises(ringmarch.FileReadFailedError):
        ringmarch.read_tsp(DATA / "swiss42.tsp", strict=True)


def test_solve_from_its_own_progress_callback_raises_instead_of_waiting():
    instance = ringmarch.Instance.random(100, seed=5)
    raised = []

    def again(_progress):
        try:
            instance.solve()
        except RuntimeError as error:
            raised.append(error)
        return False

    # In a child process, so that a regression hangs only the child, which the timeout ends.
    code = (
        "import ringmarch\n"
        "i = ringmarch.Instance.random(100, seed=5)\n"
        "seen = []\n"
        "def again(p):\n"
        "    try:\n"
        "        i.solve()\n"
        "    except RuntimeError as e:\n"
        "        seen.append(e)\n"
        "    return False\n"
        "i.solve(progress=again)\n"
        "assert seen, 'no RuntimeError'\n"
    )
    done = subprocess.run([sys.executable, "-c", code], timeout=60, capture_output=True)
    assert done.returncode == 0, done.stderr.decode()
    instance.solve(progress=again)
    assert raised and "its own solve" in str(raised[0])


def test_euc2d_of_an_instance_without_coordinates_is_refused(tmp_path):
    target = tmp_path / "gr17-euc.tsp"
    with pytest.raises(ValueError, match="no coordinates"):
        ringmarch.write_tsp(target, ringmarch.read_tsp(DATA / "gr17.tsp"), layout="euc2d")
    assert not target.exists()
    # With coordinates it is written.
    ringmarch.write_tsp(target, ringmarch.read_tsp(DATA / "berlin52.tsp"), layout="euc2d")
    assert ringmarch.read_tsp(target).num == 52


def _limited_write(target, limit):
    """Writes a 100-city matrix over target in a child whose files may not exceed limit bytes."""
    code = (
        "import signal, sys, ringmarch\n"
        "signal.signal(signal.SIGXFSZ, signal.SIG_IGN)\n"
        "instance = ringmarch.Instance.random(100, seed=1)\n"
        "try:\n"
        f"    ringmarch.write_tsp({str(target)!r}, instance)\n"
        "except ringmarch.RingmarchError as error:\n"
        "    sys.exit(3)\n"
    )

    def limit_files():
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

    return subprocess.run(
        [sys.executable, "-c", code], preexec_fn=limit_files, timeout=60, capture_output=True
    )


def test_a_failed_write_leaves_the_old_file_intact(tmp_path):
    target = tmp_path / "kept.tsp"
    target.write_text("the old instance\n")
    done = _limited_write(target, 4096)
    assert done.returncode == 3, done.stderr.decode()
    assert target.read_text() == "the old instance\n"
    assert [p.name for p in tmp_path.iterdir()] == ["kept.tsp"]


def test_writes_replace_regular_files_whole_and_write_special_files_directly(tmp_path):
    instance = ringmarch.Instance.random(10, seed=2)
    target = tmp_path / "new.tsp"
    target.write_text("old")
    os.chmod(target, 0o640)
    ringmarch.write_tsp(target, instance)
    assert ringmarch.read_tsp(target).num == 10
    # Named after the target's stem, not after the temporary file it was written to.
    assert target.read_text().splitlines()[0] == "NAME : new"
    assert os.stat(target).st_mode & 0o777 == 0o640
    ringmarch.write_tsp(os.devnull, instance)
    assert os.path.exists(os.devnull) and not os.path.isfile(os.devnull)
    instance.solve()
    tour = tmp_path / "new.tour"
    ringmarch.write_tour(tour, instance)
    assert "TOUR_SECTION" in tour.read_text()
    assert tour.read_text().splitlines()[0] == "NAME : new"
