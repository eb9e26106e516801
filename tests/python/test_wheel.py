"""The wheel: built offline from the folder, tagged for the platform, carrying its own library,
and working in a fresh virtual environment that has no library installed and no source tree."""

import json
import os
import pathlib
import subprocess
import sys
import textwrap
import zipfile

import pytest

from conftest import DATA, ROOT

BUILT = pathlib.Path(
    os.environ.get("RINGMARCH_LIBRARY", ROOT / "build" / "release" / "capi" / "libringmarch.so")
)

# burma14 has GEO coordinates; the distances are computed here as TSPLIB defines them, so the
# check needs nothing but the installed module.
SOLVE_BURMA14 = textwrap.dedent(
    """
    import json, math, sys
    import ringmarch
    from ringmarch import _library

    def radians(value):
        degrees = int(value)
        return 3.141592 * (degrees + 5.0 * (value - degrees) / 3.0) / 180.0

    lines = open(sys.argv[1]).read().split("NODE_COORD_SECTION")[1].split("EOF")[0].split("\\n")
    cities = [tuple(map(float, line.split()[1:3])) for line in lines if line.strip()]
    places = [(radians(x), radians(y)) for x, y in cities]

    def geo(a, b):
        q1 = math.cos(a[1] - b[1])
        q2 = math.cos(a[0] - b[0])
        q3 = math.cos(a[0] + b[0])
        return int(6378.388 * math.acos(0.5 * ((1 + q1) * q2 - (1 - q1) * q3)) + 1.0)

    matrix = [[0 if a is b else geo(a, b) for b in places] for a in places]
    result = ringmarch.solve(distances=matrix)
    print(json.dumps({"length": result.length, "optimal": result.optimal,
                      "library": _library.lib._name, "module": ringmarch.__file__}))
    """
)


def without_python_paths():
    return {k: v for k, v in os.environ.items() if not k.startswith("PYTHON")}


@pytest.fixture(scope="module")
def wheel(tmp_path_factory):
    if not BUILT.is_file():
        pytest.fail(f"the library {BUILT} is not built")
    out = tmp_path_factory.mktemp("wheel")
    environment = dict(os.environ, RINGMARCH_WHEEL_LIBRARY=str(BUILT))
    subprocess.run(
        [sys.executable, "-m", "pip", "wheel", str(ROOT / "python"), "--no-deps",
         "--no-build-isolation", "--no-index", "--quiet", "-w", str(out)],
        check=True, env=environment, timeout=300,
    )
    (found,) = out.glob("ringmarch-*.whl")
    return found


@pytest.fixture(scope="module")
def venv(tmp_path_factory, wheel):
    place = tmp_path_factory.mktemp("venv") / "fresh"
    subprocess.run(["/usr/bin/python3", "-m", "venv", str(place)], check=True, timeout=300)
    python = place / "bin" / "python"
    # With the source tree on PYTHONPATH pip would take the module as installed already.
    subprocess.run(
        [str(python), "-m", "pip", "install", "--quiet", "--no-index", "--no-deps", str(wheel)],
        check=True, timeout=300, env=without_python_paths(),
    )
    return python


def test_the_wheel_is_for_the_platform_and_carries_library_and_licence(wheel):
    assert "-py3-none-linux_" in wheel.name and "any" not in wheel.name
    with zipfile.ZipFile(wheel) as archive:
        names = archive.namelist()
        metadata = archive.read(next(n for n in names if n.endswith("dist-info/METADATA")))
        tags = archive.read(next(n for n in names if n.endswith("dist-info/WHEEL")))
    assert "ringmarch/libringmarch.so" in names
    assert any(n.endswith("dist-info/LICENSE") for n in names)
    assert b"License: MIT" in metadata
    assert b"Root-Is-Purelib: false" in tags


def run_in(python, cwd, environment):
    done = subprocess.run(
        [str(python), "-c", SOLVE_BURMA14, str(DATA / "burma14.tsp")],
        capture_output=True, text=True, cwd=cwd, env=environment, timeout=120,
    )
    assert done.returncode == 0, done.stderr
    return json.loads(done.stdout)


def test_a_fresh_venv_solves_burma14_with_the_bundled_library(venv, tmp_path):
    environment = {k: v for k, v in without_python_paths().items() if "RINGMARCH" not in k}
    answer = run_in(venv, tmp_path, environment)
    assert (answer["length"], answer["optimal"]) == (3323, True)
    site = pathlib.Path(answer["module"]).parent
    assert str(site).startswith(str(venv.parent.parent))
    assert pathlib.Path(answer["library"]) == site / "libringmarch.so"


def test_the_environment_variable_still_overrides_the_bundled_library(venv, tmp_path):
    environment = without_python_paths()
    environment["RINGMARCH_LIBRARY"] = str(BUILT)
    answer = run_in(venv, tmp_path, environment)
    assert answer["library"] == str(BUILT)
    assert answer["length"] == 3323
