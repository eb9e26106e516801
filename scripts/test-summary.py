#!/usr/bin/env python3
"""Summarises one suite's JUnit report (written by ctest --output-junit or pytest --junitxml):
one line of counts, the reason of every skipped test, and the whole output of every failed one,
so that a passing run stays short and a failing one shows what went wrong.

Usage: test-summary.py SUITE REPORT.xml COUNTS_FILE
Writes "passed failed skipped" to COUNTS_FILE for the caller's totals. Exit status 0 when the
report holds no failure, 1 otherwise, 2 when the report cannot be read."""
import os
import re
import sys
import xml.etree.ElementTree as ElementTree

# ctest marks a test skipped through its skip expression; GoogleTest's own output holds the
# reason after the "file:line: Skipped" line.
CTEST_SKIP_MARK = "SKIP_REGULAR_EXPRESSION_MATCHED"
GTEST_REASON = re.compile(r"^(\S+:\d+): Skipped\n(.*?)\n\[  SKIPPED \]", re.M | re.S)


def skip_reason(case, skipped):
    message = skipped.get("message") or ""
    output = case.findtext("system-out") or ""
    if message == CTEST_SKIP_MARK or not message:
        found = GTEST_REASON.search(output)
        if found:
            reason = found.group(2).strip() or "no reason given"
            where = found.group(1)
            if os.path.isabs(where):
                where = os.path.relpath(where)
            return f"{reason} ({where})"
        return "no reason given"
    return message


def case_name(case):
    suite = case.get("classname") or ""
    name = case.get("name") or "?"
    # pytest gives the module as classname; ctest repeats the name there.
    return name if suite in ("", name) else f"{suite}::{name}"


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    suite, report, counts_file = argv[1:]
    try:
        root = ElementTree.parse(report).getroot()
    except (OSError, ElementTree.ParseError) as error:
        print(f"{suite}: cannot read the test report {report}: {error}", file=sys.stderr)
        return 2
    passed, failed, skips, failures = 0, 0, [], []
    for case in root.iter("testcase"):
        failure = case.find("failure")
        if failure is None:
            failure = case.find("error")
        skipped = case.find("skipped")
        if failure is not None or case.get("status") == "fail":
            failed += 1
            text = [failure.get("message", "")] if failure is not None else []
            text += [failure.text or ""] if failure is not None else []
            text += [case.findtext("system-out") or "", case.findtext("system-err") or ""]
            failures.append((case_name(case), "\n".join(t for t in text if t.strip())))
        elif skipped is not None or case.get("status") in ("notrun", "disabled"):
            marker = skipped if skipped is not None else case
            skips.append((case_name(case), skip_reason(case, marker)))
        else:
            passed += 1
    print(f"{suite}: {passed} passed, {failed} failed, {len(skips)} skipped")
    for name, reason in skips:
        print(f"  skipped {name}: {reason}")
    for name, text in failures:
        print(f"---- {suite}: FAILED {name} ----")
        print(text.rstrip())
    with open(counts_file, "w", encoding="utf-8") as counts:
        counts.write(f"{passed} {failed} {len(skips)}\n")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
