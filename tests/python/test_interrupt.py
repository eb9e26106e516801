"""Ctrl-C during a solve: the search stops promptly and KeyboardInterrupt is raised."""

import os
import signal
import threading
import time

import pytest

import ringmarch
from conftest import DATA


@pytest.fixture
def default_sigint():
    """Python's own Ctrl-C handler for the test: a shell that starts the tests in the background
    has them inherit Ctrl-C ignored, and the module then rightly leaves the signal alone."""
    previous = signal.signal(signal.SIGINT, signal.default_int_handler)
    yield
    signal.signal(signal.SIGINT, previous)


def test_sigint_stops_the_solve_promptly(monkeypatch, default_sigint):
    # The callback, asked every few nodes, sleeps: the search lasts many seconds whatever the
    # machine's speed, and the signal surely arrives while it runs.
    monkeypatch.setattr(ringmarch._instance, "_CALLBACK_INTERVAL_SECONDS", 0.0)
    # The exact search alone: far from proving the lattice in these seconds (auto would hand it
    # over to the cut engine, which proves it at once).
    instance = ringmarch.read_tsp(DATA / "grid11.tsp")
    calls = []

    def progress(report):
        calls.append(report.nodes)
        time.sleep(0.05)

    sent = {}

    def interrupt():
        sent["at"] = time.perf_counter()
        os.kill(os.getpid(), signal.SIGINT)

    timer = threading.Timer(0.2, interrupt)
    started = time.perf_counter()
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            instance.solve(progress=progress, time_limit=60, engine="canonical")
    finally:
        timer.cancel()
    ended = time.perf_counter()
    assert "at" in sent
    assert ended - sent["at"] < 1.0, "the search went on after Ctrl-C"
    assert ended - started < 5.0
    assert len(calls) >= 1
    # The handler is the default one again, and the instance holds the search's best tour.
    assert signal.getsignal(signal.SIGINT) is signal.default_int_handler
    assert sorted(instance.tour) == list(range(121))
