"""The same bad inputs through the command line, the C interface and the module: the same code,
the same name, the same English text from the library's one table, and for a refused file the
same line and the same reason."""

import ctypes
import json
import subprocess

import ringmarch
from ringmarch._library import Solution, lib
from conftest import CLI, DATA


def _matrix_file(path, rows, head=""):
    text = "\n".join(" ".join(str(d) for d in row) for row in rows)
    path.write_text(
        f"NAME: bad\n{head}TYPE: TSP\nDIMENSION: {len(rows)}\nEDGE_WEIGHT_TYPE: EXPLICIT\n"
        f"EDGE_WEIGHT_FORMAT: FULL_MATRIX\nEDGE_WEIGHT_SECTION\n{text}\nEOF\n"
    )
    return path


def _bad_inputs(folder):
    """(what, file, strict, code, line): each refused by every front end alike."""
    far = 1 << 30
    short = folder / "short.tsp"
    short.write_text(
        "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: UPPER_ROW\n"
        "EDGE_WEIGHT_SECTION\n5 4\nEOF\n"
    )
    hcp = folder / "hcp.tsp"
    hcp.write_text("NAME: h\nTYPE: HCP\nDIMENSION: 4\n")
    too_many = folder / "huge.tsp"
    too_many.write_text("TYPE: TSP\nDIMENSION: 100001\nEDGE_WEIGHT_TYPE: EUC_2D\n")
    matrix = folder / "matrix.tsp"
    matrix.write_text(
        "DIMENSION: 20000\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\n"
    )
    return [
        ("missing file", folder / "missing.tsp", False, 1, 0),
        ("a folder", folder, False, 2, 0),
        ("not a TSP", hcp, False, 4, 2),
        ("too few numbers", short, False, 2, 5),
        ("more than any instance", too_many, False, 6, 2),
        ("a matrix beyond the bound", matrix, False, 6, 1),
        ("a section line with blanks", DATA / "swiss42.tsp", True, 2, 7),
        ("GEO with the strict reader", DATA / "burma14.tsp", True, 2, 5),
        ("beyond the strict reader", DATA / "ch130.tsp", True, 6, 4),
        ("two cities", _matrix_file(folder / "two.tsp", [[0, 5], [5, 0]]), False, 7, 0),
        ("lengths beyond 32 bits", _matrix_file(folder / "far.tsp", [[0, far, far]] * 3), False,
         9, 0),
    ]


def _cli(path, strict):
    arguments = [str(CLI), "solve", str(path), "--json", "--quiet"] + (["--strict"] if strict else [])
    done = subprocess.run(arguments, capture_output=True, timeout=60)
    assert done.returncode == 1, done.stderr
    error = json.loads(done.stdout)["error"]
    return error["code"], error["name"], error["gloss"], error.get("line", 0), error["reason"]


def _c(path, strict):
    instance = ctypes.c_void_p()
    result = lib.ringmarch_instance_read_tsp_file(str(path).encode(), int(strict),
                                                  ctypes.byref(instance))
    if result == 0:
        try:
            solution = Solution()
            result = lib.ringmarch_solve_instance(instance, None, ctypes.byref(solution))
            assert result != 0
        finally:
            lib.ringmarch_instance_destroy(instance)
    code = lib.ringmarch_last_error_code()
    assert result == 0x80040300 + code
    return (
        code,
        lib.ringmarch_error_name(code).decode(),
        lib.ringmarch_last_error_gloss().decode(),
        lib.ringmarch_last_error_line(),
        lib.ringmarch_last_error_reason().decode(),
    )


def _python(path, strict):
    try:
        ringmarch.read_tsp(path, strict=strict).solve()
    except ringmarch.RingmarchError as raised:
        return raised.code, raised.name, raised.message, raised.line, raised.reason
    raise AssertionError(f"{path} was not refused")


def test_refusals_agree_across_the_front_ends(tmp_path):
    for what, path, strict, code, line in _bad_inputs(tmp_path):
        cli, c, module = _cli(path, strict), _c(path, strict), _python(path, strict)
        gloss = lib.ringmarch_error_gloss(code).decode()
        name = lib.ringmarch_error_name(code).decode()
        assert cli[:3] == (code, name, gloss), what
        assert c[:2] == module[:2] == (code, name), what
        # Line and reason alike everywhere; the C interface and the module add them to the
        # table's text.
        assert cli[3] == c[3] == module[3] == line, what
        assert cli[4] == c[4] == module[4] != "", what
        assert c[2] == module[2] == f"{gloss}: " + (f"line {line}: " if line else "") + c[4], what
        assert ringmarch.error_class(code).__doc__ == f"Code {code}: {gloss}.", what
