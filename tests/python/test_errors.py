"""Bad input: each a clear exception of the right class, never a crash."""

import math

import numpy
import pytest

import ringmarch


def square(n, value=1):
    return [[0 if i == j else value for j in range(n)] for i in range(n)]


# (keyword arguments of solve, exception, text the message names)
BAD_INPUT = [
    ({}, TypeError, "exactly one"),
    ({"distances": square(3), "coordinates": [(0, 0)] * 3}, TypeError, "exactly one"),
    ({"distances": "abc"}, TypeError, "list of rows"),
    ({"distances": 5}, TypeError, "list of rows"),
    ({"distances": [1, 2, 3]}, TypeError, "row 0"),
    ({"distances": [[0, 1, 2], [1, 0], [2, 3, 0]]}, ValueError, "row 1 has 2 entries"),
    ({"distances": [[0, 1], [1, 0], [1, 1]]}, ValueError, "square"),
    ({"distances": [[0, 1, 2], [1, 0, "x"], [2, 3, 0]]}, TypeError, "row 1 holds a str"),
    ({"distances": [[0, 1.5, 2], [1, 0, 3], [2, 3, 0]]}, TypeError, "row 0 holds a float"),
    ({"distances": [[0, 2**31, 2], [1, 0, 3], [2, 3, 0]]}, ValueError, "32 bits"),
    ({"distances": numpy.zeros((3, 4), dtype=int)}, ValueError, "square"),
    ({"distances": numpy.zeros((3, 3))}, TypeError, "whole numbers"),
    ({"distances": numpy.zeros((3, 3), dtype=bool)}, TypeError, "whole numbers"),
    ({"distances": numpy.full((3, 3), 2**40)}, ValueError, "32 bits"),
    ({"coordinates": [(0, 0), (1, 1, 1), (2, 2)]}, ValueError, "n x 2"),
    ({"coordinates": [(0, 0), (1, "a"), (2, 2)]}, TypeError, "city 1 has a str"),
    ({"coordinates": [(0, 0), (1, None), (2, 2)]}, TypeError, "city 1 has a NoneType"),
    ({"coordinates": numpy.zeros((3, 3))}, ValueError, "n x 2"),
    ({"coordinates": numpy.array([["a", "b"]] * 3)}, TypeError, "numbers"),
    ({"distances": square(3), "time_limit": "1"}, TypeError, "time_limit"),
    ({"distances": square(3), "time_limit": -1}, ValueError, "positive"),
    ({"distances": square(3), "time_limit": math.nan}, ValueError, "positive"),
    ({"distances": square(3), "progress": 5}, TypeError, "callable"),
]


@pytest.mark.parametrize("arguments,exception,text", BAD_INPUT)
def test_bad_input_raises_a_clear_exception(arguments, exception, text):
    with pytest.raises(exception, match=text):
        ringmarch.solve(**arguments)


# (keyword arguments, error class, code, detail named in the message)
REFUSED = [
    # Beyond the largest instance: refused by the count alone (a view, no memory behind it).
    (
        {"distances": numpy.broadcast_to(numpy.int32(1), (100001, 100001))},
        ringmarch.TooManyCitiesError,
        6,
        None,
    ),
    ({"coordinates": [(i, i) for i in range(100001)]}, ringmarch.TooManyCitiesError, 6, None),
    ({"distances": square(2)}, ringmarch.CityIdOutOfRangeError, 7, "has 2"),
    ({"distances": []}, ringmarch.CityIdOutOfRangeError, 7, "has 0"),
    ({"distances": numpy.zeros((0, 0), dtype=int)}, ringmarch.CityIdOutOfRangeError, 7, "has 0"),
    (
        {"coordinates": [(0, 0), (1, math.nan), (2, 2)]},
        ringmarch.PositionOutOfRangeError,
        8,
        "city 1",
    ),
    (
        {"coordinates": numpy.array([(0, 0), (1, 1), (math.inf, 2)])},
        ringmarch.PositionOutOfRangeError,
        8,
        "city 2",
    ),
    ({"coordinates": [(0, 0), (1e300, 0), (2, 2)]}, ringmarch.DistanceOutOfRangeError, 9, None),
    ({"distances": square(3, 2**31 - 1)}, ringmarch.DistanceOutOfRangeError, 9, None),
]


@pytest.mark.parametrize("arguments,error,code,detail", REFUSED)
def test_refusals_raise_the_codes_class(arguments, error, code, detail):
    with pytest.raises(error) as caught:
        ringmarch.solve(**arguments)
    raised = caught.value
    assert isinstance(raised, ringmarch.RingmarchError)
    assert (raised.code, raised.result) == (code, 0x80040300 + code)
    assert raised.name == error.__name__.removesuffix("Error") or raised.name == error.__name__
    assert raised.text  # the solver's own (Japanese) message
    assert f"0x{0x80040300 + code:08X}" in str(raised)
    if detail:
        assert detail in str(raised)


def test_error_classes_one_per_code():
    for code in range(1, 16):
        cls = ringmarch.error_class(code)
        assert issubclass(cls, ringmarch.RingmarchError) and cls.code == code
    assert ringmarch.error_class(0) is ringmarch.RingmarchError
    assert ringmarch.error_class(16) is ringmarch.RingmarchError
    assert len({ringmarch.error_class(code) for code in range(1, 16)}) == 15
    text = "最大都市数を超えています。"
    error = ringmarch.TooManyCitiesError(0x80040306, "more than 127 cities", text)
    assert error.name == "TooManyCities"
    assert str(error) == "more than 127 cities [0x80040306 TooManyCities]"
    assert error.text == text


@pytest.mark.parametrize("num", [-1, -5])
def test_negative_sizes_are_refused(num):
    with pytest.raises(ValueError, match="num must be 0 to 127"):
        ringmarch.Instance.random(num)


def test_wrong_argument_types_of_operations():
    instance = ringmarch.Instance.random(5, seed=1)
    with pytest.raises(TypeError, match="must be an integer"):
        instance.distance(0, 1.0)
    with pytest.raises(TypeError, match="must be an integer"):
        instance.set_node_pos(0, "1", 1)
    with pytest.raises(TypeError, match="must be an integer"):
        instance.root(True)
    with pytest.raises(TypeError):
        ringmarch.read_tsp(42)
    with pytest.raises(TypeError, match="ringmarch.Instance"):
        ringmarch.write_tsp("x.tsp", [[0]])
    with pytest.raises(ValueError, match="layout"):
        ringmarch.write_tsp("x.tsp", instance, layout="geo")
