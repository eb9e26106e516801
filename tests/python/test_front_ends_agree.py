"""The same bad inputs through the command line, the C interface and the module: the same code,
the same name and the same English text, from the library's one table."""

import ctypes
import json
import subprocess

import pytest

import ringmarch
from ringmarch._library import Solution, lib
from conftest import CLI


def _matrix_file(path, rows):
    text = "\n".join(" ".join(str(d) for d in row) for row in rows)
    path.write_text(
        f"NAME: bad\nTYPE: TSP\nDIMENSION: {len(rows)}\nEDGE_WEIGHT_TYPE: EXPLICIT\n"
        f"EDGE_WEIGHT_FORMAT: FULL_MATRIX\nEDGE_WEIGHT_SECTION\n{text}\nEOF\n"
    )
    return path


def _bad_inputs(folder):
    far = 1 << 30
    too_many = folder / "big.tsp"
    too_many.write_text(
        "TYPE: TSP\nDIMENSION: 200\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n"
        + "".join(f"{i + 1} {i} {i * 3}\n" for i in range(200))
    )
    return [
        ("missing file", folder / "missing.tsp", 1),
        ("two cities", _matrix_file(folder / "two.tsp", [[0, 5], [5, 0]]), 7),
        ("200 cities", too_many, 6),
        ("lengths beyond 32 bits", _matrix_file(folder / "far.tsp", [[0, far, far]] * 3), 9),
    ]


def _cli(path):
    done = subprocess.run(
        [str(CLI), "solve", str(path), "--json", "--quiet"], capture_output=True, timeout=60
    )
    assert done.returncode == 1, done.stderr
    error = json.loads(done.stdout)["error"]
    return error["code"], error["name"], error["gloss"]


def _c(path):
    handle = ctypes.c_void_p()
    assert lib.ringmarch_create(ctypes.byref(handle)) == 0
    try:
        result = lib.ringmarch_read_tsp_file_tolerant(handle, str(path).encode())
        if result == 0:
            solution = Solution()
            result = lib.ringmarch_solve_held(handle, None, ctypes.byref(solution))
            assert result != 0
        code = lib.ringmarch_last_error_code()
        assert result == 0x80040300 + code
        name = lib.ringmarch_error_name(code).decode()
        return code, name, lib.ringmarch_last_error_gloss().decode()
    finally:
        lib.ringmarch_destroy(handle)


def _python(path):
    with pytest.raises(ringmarch.RingmarchError) as raised:
        ringmarch.read_tsp(path).solve()
    return raised.value.code, raised.value.name, raised.value.message


def test_refusals_agree_across_the_front_ends(tmp_path):
    for what, path, code in _bad_inputs(tmp_path):
        cli, c, module = _cli(path), _c(path), _python(path)
        gloss = lib.ringmarch_error_gloss(code).decode()
        assert cli == (code, c[1], gloss), what
        assert c[0] == module[0] == code, what
        assert c[1] == module[1], what
        # The C interface and the module add the refusal's reason after the table's text.
        assert c[2].startswith(gloss) and module[2] == c[2], what
        assert ringmarch.error_class(code).__doc__ == f"Code {code}: {gloss}.", what
