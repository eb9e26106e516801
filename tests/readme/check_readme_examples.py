#!/usr/bin/env python3
"""Runs the command examples that README.md shows and compares their output with the text shown.

Every fenced block of README.md that holds a `$ ringmarch ...` line is a session: each `$ ` line
is a command, the lines up to the next one are what it prints (standard output and standard
error, as a terminal shows them). The commands of a session run in order in one shell, in a
scratch folder holding copies of tests/data and of the files beside this script, with `ringmarch`
the built program; `echo $?` sees the status of the command before it. What the clock decides is
masked on both sides before comparing: seconds, stage times, and the node count of a solve that a
time limit stops.

Usage: check_readme_examples.py README.md RINGMARCH DATA_DIR [--show]
--show prints what each session printed, to bring the README up to date. Exit status 1 when
any output differs (each difference is printed), 2 on bad usage or a README without examples."""
import difflib
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

FIXTURES = pathlib.Path(__file__).resolve().parent

# Values the clock decides, in the text and the JSON results.
TIME_MASKS = [
    (re.compile(r"^seconds: \d+\.\d+$", re.M), "seconds: <seconds>"),
    (re.compile(r'"(seconds|load|initial_tour|search|lp_seconds)": [0-9.e+-]+'), r'"\1": <seconds>'),
    (re.compile(r"LP \d+\.\d+ s"), "LP <seconds> s"),
    (re.compile(r"^searching: .*$", re.M), "<progress line>"),
]
# A solve stopped by its time limit has evaluated as many nodes as the time allowed.
NODE_MASKS = [
    (re.compile(r"^nodes: \d+$", re.M), "nodes: <nodes>"),
    (re.compile(r'"nodes": \d+'), '"nodes": <nodes>'),
]
MARKER = "@@readme-example-end@@"


def sessions(readme_text):
    """(line number, [(command, expected output)]) for each block that runs the program."""
    found = []
    lines = readme_text.splitlines()
    index = 0
    while index < len(lines):
        if not lines[index].startswith("```"):
            index += 1
            continue
        start = index + 1
        end = start
        while end < len(lines) and not lines[end].startswith("```"):
            end += 1
        block = lines[start:end]
        index = end + 1
        if not any(line.startswith("$ ringmarch") for line in block):
            continue
        commands = []
        for line in block:
            if line.startswith("$ "):
                commands.append([line[2:], []])
            elif commands:
                commands[-1][1].append(line)
        found.append((start + 1, [(command, "\n".join(out)) for command, out in commands]))
    return found


def masked(text, command):
    for pattern, replacement in TIME_MASKS:
        text = pattern.sub(replacement, text)
    if "--time-limit" in command:
        for pattern, replacement in NODE_MASKS:
            text = pattern.sub(replacement, text)
    return text.rstrip("\n")


def run_session(commands, folder, program_folder):
    script = []
    for command, _ in commands:
        # Each command's status is kept for the next one's `$?`, after the marker is printed.
        script.append(f"{command} 2>&1; status=$?; echo {MARKER}; (exit $status)")
    environment = dict(os.environ)
    environment["PATH"] = f"{program_folder}{os.pathsep}{environment.get('PATH', '')}"
    environment["LC_ALL"] = "C.UTF-8"
    done = subprocess.run(
        ["bash", "-c", "\n".join(script)],
        cwd=folder,
        env=environment,
        stdin=subprocess.DEVNULL,
        capture_output=True,
        text=True,
        timeout=300,
        check=False,
    )
    outputs = done.stdout.split(MARKER + "\n")
    outputs += [""] * (len(commands) - len(outputs))
    return [output.rstrip("\n") for output in outputs[: len(commands)]], done.stderr


def main(argv):
    show = "--show" in argv
    arguments = [a for a in argv[1:] if a != "--show"]
    if len(arguments) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    readme, program, data = (pathlib.Path(a).resolve() for a in arguments)
    found = sessions(readme.read_text(encoding="utf-8"))
    if not found:
        print(f"readme-examples: no `$ ringmarch` examples in {readme}", file=sys.stderr)
        return 2
    differences = 0
    commands_run = 0
    with tempfile.TemporaryDirectory() as scratch:
        folder = pathlib.Path(scratch) / "work"
        program_folder = pathlib.Path(scratch) / "bin"
        program_folder.mkdir()
        (program_folder / "ringmarch").symlink_to(program)
        for line, commands in found:
            # A fresh folder per session, so that no session sees another's files.
            if folder.exists():
                shutil.rmtree(folder)
            shutil.copytree(data, folder)
            for fixture in FIXTURES.iterdir():
                if fixture.is_file() and not fixture.name.endswith(".py"):
                    shutil.copy(fixture, folder / fixture.name)
            outputs, errors = run_session(commands, folder, program_folder)
            if errors.strip():
                print(f"readme-examples: README.md line {line}: the shell said: {errors.strip()}")
                differences += 1
            for (command, expected), actual in zip(commands, outputs):
                commands_run += 1
                if show:
                    print(f"$ {command}\n{actual}")
                want, got = masked(expected, command), masked(actual, command)
                if want != got:
                    differences += 1
                    print(f"readme-examples: README.md line {line}: `{command}` prints otherwise:")
                    for diff in difflib.unified_diff(
                        want.splitlines(), got.splitlines(), "README", "actual", lineterm=""
                    ):
                        print("    " + diff)
    print(
        f"readme-examples: {commands_run} commands in {len(found)} examples, "
        f"{differences} differing"
    )
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
