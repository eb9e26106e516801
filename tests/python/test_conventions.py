"""What a Python caller expects of the module: built-in exception classes, one naming style,
layouts by name, type aliases, and tour files named like the file."""

import collections.abc
import dataclasses
import typing

import numpy
import pytest

import ringmarch
from conftest import DATA

# (operation, built-in class it must also be, module class, result value)
BUILT_IN_KINDS = [
    (lambda d: ringmarch.read_tsp(d / "missing.tsp"), FileNotFoundError,
     ringmarch.FileOpenFailedError, 0x80040301),
    (lambda d: ringmarch.read_tsp(DATA / "swiss42.tsp", strict=True), OSError,
     ringmarch.FileReadFailedError, 0x80040302),
    (lambda d: ringmarch.Instance.random(5, seed=1).write_tsp_file(d / "no" / "x.tsp"),
     FileNotFoundError, ringmarch.FileOpenFailedError, 0x80040301),
    (lambda d: ringmarch.solve(coordinates=[(0, 0)] * 100001), ValueError,
     ringmarch.TooManyCitiesError, 0x80040306),
    (lambda d: ringmarch.solve(distances=[[0, 1], [1, 0]]), ValueError,
     ringmarch.CityIdOutOfRangeError, 0x80040307),
    (lambda d: ringmarch.Instance.random(5, seed=1).set_distance(0, 1, 14142), ValueError,
     ringmarch.DistanceOutOfRangeError, 0x80040309),
    (lambda d: ringmarch.solve(coordinates=[(0, 0), (1, float("nan")), (2, 2)]), ValueError,
     ringmarch.PositionOutOfRangeError, 0x80040308),
    (lambda d: ringmarch.Instance().solve(), RuntimeError, ringmarch.InstanceNotCreatedError,
     0x8004030D),
]


@pytest.mark.parametrize("operation,built_in,error,result", BUILT_IN_KINDS)
def test_failures_are_also_the_fitting_built_in_exception(tmp_path, operation, built_in, error,
                                                          result):
    with pytest.raises(built_in) as caught:
        operation(tmp_path)
    raised = caught.value
    assert isinstance(raised, error) and isinstance(raised, ringmarch.RingmarchError)
    assert (raised.code, raised.result) == (result - 0x80040300, result)
    text = str(raised)
    # English first, the result in hex; the solver's own (Japanese) text only in .text.
    assert text.startswith(raised.message) and f"0x{result:08X}" in text
    assert raised.text and raised.text not in text
    assert text.isascii()


def test_a_file_failure_carries_the_path_as_oserror_does(tmp_path):
    with pytest.raises(OSError) as caught:
        ringmarch.read_tsp(tmp_path / "missing.tsp")
    assert caught.value.filename == str(tmp_path / "missing.tsp")
    assert not isinstance(caught.value, ValueError)


def test_huge_coordinates_name_the_tour_length_not_the_distance_range():
    with pytest.raises(ValueError) as caught:
        ringmarch.solve(coordinates=[(0, 0), (1e300, 0), (2, 2)])
    raised = caught.value
    assert isinstance(raised, ringmarch.DistanceOutOfRangeError) and raised.code == 9
    assert "coordinates are allowed" in str(raised) and "32 bits" in str(raised)
    assert "14141" not in str(raised)


def test_values_are_properties():
    instance = ringmarch.Instance.from_coordinates([(0, 0), (300, 0), (300, 400), (0, 400)])
    result = instance.solve()
    assert (instance.length, instance.num, len(instance.tour)) == (1400, 4, 4)
    assert instance.length == result.length
    for name in ("length", "num", "tour", "distances", "max_x", "min_y"):
        assert isinstance(getattr(ringmarch.Instance, name), property), name


# (layout name, the header line it writes)
LAYOUTS = [("euc2d", "EDGE_WEIGHT_TYPE : EUC_2D"), ("fullmatrix", "EDGE_WEIGHT_FORMAT")]


@pytest.mark.parametrize("layout,header", LAYOUTS)
def test_layouts_by_name_in_both_writers(tmp_path, layout, header):
    instance = ringmarch.Instance.random(6, seed=3)
    instance.write_tsp_file(tmp_path / "method.tsp", layout=layout)
    ringmarch.write_tsp(tmp_path / "function.tsp", instance, layout=layout)
    constant = {"euc2d": ringmarch.EUC2D, "fullmatrix": ringmarch.FULLMATRIX}[layout]
    instance.write_tsp_file(tmp_path / "constant.tsp", constant)
    assert (tmp_path / "constant.tsp").read_text() == (tmp_path / "method.tsp").read_text().replace(
        "method.tsp", "constant.tsp")
    written = (tmp_path / "method.tsp").read_text()
    # The same file but for its NAME: the function names it by the file's stem.
    assert written.splitlines()[1:] == (tmp_path / "function.tsp").read_text().splitlines()[1:]
    assert (tmp_path / "function.tsp").read_text().startswith("NAME : function\n")
    assert header in written.replace("EDGE_WEIGHT_TYPE: ", "EDGE_WEIGHT_TYPE : ")


@pytest.mark.parametrize("layout,error", [(2, TypeError), ("geo", ValueError), (None, TypeError)])
def test_layouts_other_than_the_names_are_refused(tmp_path, layout, error):
    instance = ringmarch.Instance.random(6, seed=3)
    with pytest.raises(error, match="'euc2d' or 'fullmatrix'"):
        instance.write_tsp_file(tmp_path / "x.tsp", layout)
    assert not (tmp_path / "x.tsp").exists()


def test_the_hints_use_exported_aliases():
    assert {"Matrix", "Points", "PathLike"} <= set(ringmarch.__all__)
    hints = typing.get_type_hints(ringmarch.solve)
    assert hints["distances"] == typing.Optional[ringmarch.Matrix]
    assert hints["coordinates"] == typing.Optional[ringmarch.Points]
    assert typing.get_type_hints(ringmarch.read_tsp)["path"] == ringmarch.PathLike


def test_a_result_compares_but_does_not_pretend_to_hash():
    points = [(0, 0), (300, 0), (300, 400), (0, 400)]
    first = ringmarch.solve(coordinates=points)
    assert first == dataclasses.replace(first) and first != dataclasses.replace(first, length=1)
    assert not isinstance(first, collections.abc.Hashable)
    with pytest.raises(TypeError, match="unhashable"):
        {first}


BOOL_INPUT = [
    {"distances": [[False, True, True], [True, False, True], [True, True, False]]},
    {"distances": [[0, 1, 1], [1, 0, True], [1, 1, 0]]},
    {"distances": numpy.ones((3, 3), dtype=bool)},
    {"coordinates": [(0, 0), (True, 0), (5, 5)]},
    {"coordinates": numpy.ones((3, 2), dtype=bool)},
]


@pytest.mark.parametrize("arguments", BOOL_INPUT)
def test_bool_input_is_refused_with_a_clear_message(arguments):
    with pytest.raises(TypeError, match="bool|whole numbers|numbers"):
        ringmarch.solve(**arguments)


def test_a_written_tour_is_named_by_the_files_stem(tmp_path):
    instance = ringmarch.read_tsp(DATA / "gr24.tsp")
    result = instance.solve()
    target = tmp_path / "deeper" / "gr24-best.tour"
    target.parent.mkdir()
    ringmarch.write_tour(target, instance)
    lines = target.read_text().splitlines()
    assert lines[0] == "NAME : gr24-best"
    assert not list(target.parent.glob("*.naming"))
    fresh = ringmarch.read_tsp(DATA / "gr24.tsp")
    assert ringmarch.read_tour(target, fresh) == result.tour
