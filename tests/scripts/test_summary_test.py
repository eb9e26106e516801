#!/usr/bin/env python3
"""scripts/test-summary.py on reports of both shapes it reads (ctest's and pytest's JUnit files):
its counts, the reasons it gives for skips, the output it shows for failures only, and its exit
status. Run by CTest; exit status 1 on the first wrong answer."""
import pathlib
import subprocess
import sys
import tempfile

SUMMARY = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "test-summary.py"

CTEST_REPORT = """<?xml version="1.0" encoding="UTF-8"?>
<testsuite name="(empty)" tests="3" failures="1" skipped="1">
  <testcase name="Fast.Passes" classname="Fast.Passes" status="run">
    <system-out>[ RUN      ] Fast.Passes
QUIET-PASSING-OUTPUT
</system-out>
  </testcase>
  <testcase name="Checks.Skip" classname="Checks.Skip" status="notrun">
    <skipped message="SKIP_REGULAR_EXPRESSION_MATCHED"/>
    <system-out>[ RUN      ] Checks.Skip
tests/checks_test.cpp:26: Skipped
built without checks
[  SKIPPED ] Checks.Skip (0 ms)
</system-out>
  </testcase>
  <testcase name="Broken.Fails" classname="Broken.Fails" status="fail">
    <failure message="Failed"/>
    <system-out>tests/broken_test.cpp:9: Failure
Expected: 3, actual: 4
</system-out>
  </testcase>
</testsuite>
"""

PYTEST_REPORT = """<?xml version="1.0" encoding="utf-8"?>
<testsuites><testsuite name="pytest" errors="0" failures="0" skipped="1" tests="3">
  <testcase classname="tests.python.test_a" name="test_one" time="0.1"/>
  <testcase classname="tests.python.test_a" name="test_two" time="0.1"/>
  <testcase classname="tests.python.test_b" name="test_three" time="0.0">
    <skipped type="pytest.skip" message="the solve ended too soon">skipped text</skipped>
  </testcase>
</testsuite></testsuites>
"""

failures = 0


def expect(condition, what):
    global failures
    if not condition:
        print(f"test-summary: WRONG: {what}")
        failures += 1


def summarise(folder, report_text):
    report = folder / "report.xml"
    report.write_text(report_text, encoding="utf-8")
    counts = folder / "counts"
    if counts.exists():
        counts.unlink()
    done = subprocess.run(
        [sys.executable, str(SUMMARY), "suite", str(report), str(counts)],
        capture_output=True,
        text=True,
        check=False,
    )
    return done, counts.read_text() if counts.exists() else None


with tempfile.TemporaryDirectory() as scratch:
    folder = pathlib.Path(scratch)

    done, counts = summarise(folder, CTEST_REPORT)
    lines = done.stdout.splitlines()
    expect(done.returncode == 1, f"a failed test gives exit status 1, not {done.returncode}")
    expect(lines[:1] == ["suite: 1 passed, 1 failed, 1 skipped"], f"ctest counts: {lines[:1]}")
    expect(
        "  skipped Checks.Skip: built without checks (tests/checks_test.cpp:26)" in lines,
        f"the GoogleTest skip reason: {lines}",
    )
    expect("Expected: 3, actual: 4" in done.stdout, "the failed test's output is shown")
    expect("QUIET-PASSING-OUTPUT" not in done.stdout, "a passing test's output stays in the log")
    expect(counts == "1 1 1\n", f"counts file: {counts!r}")

    done, counts = summarise(folder, PYTEST_REPORT)
    lines = done.stdout.splitlines()
    expect(done.returncode == 0, f"a passing report gives exit status 0, not {done.returncode}")
    expect(lines[:1] == ["suite: 2 passed, 0 failed, 1 skipped"], f"pytest counts: {lines[:1]}")
    expect(
        "  skipped tests.python.test_b::test_three: the solve ended too soon" in lines,
        f"the pytest skip reason: {lines}",
    )
    expect(counts == "2 0 1\n", f"counts file: {counts!r}")

    done, counts = summarise(folder, "<testsuite><testcase")
    expect(done.returncode == 2, f"an unreadable report gives exit status 2, not {done.returncode}")
    expect(counts is None, "no counts for an unreadable report")

print(f"test-summary: {'all answers right' if failures == 0 else f'{failures} wrong'}")
sys.exit(1 if failures else 0)
