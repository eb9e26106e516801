"""The Instance class: the object's operations one by one, states, files."""

import pytest

import ringmarch
from conftest import DATA, assert_tour


def test_new_instance_states():
    instance = ringmarch.Instance()
    # (operation, error class): the object's state tests.
    not_created = [
        lambda: instance.num,
        lambda: instance.max_x,
        lambda: instance.pos_x(0),
        lambda: instance.distance(0, 0),
        lambda: instance.set_distance(0, 1, 1),
        lambda: instance.calc_distance_euc2d(),
        lambda: instance.check_distance(),
        lambda: instance.solve(),
        lambda: instance.write_tsp_file("never.tsp"),
    ]
    for operation in not_created:
        with pytest.raises(ringmarch.InstanceNotCreatedError) as caught:
            operation()
        assert caught.value.result == 0x8004030D
    for operation in [lambda: instance.root(0), lambda: instance.length, lambda: instance.tour]:
        with pytest.raises(ringmarch.NotSolvedError) as caught:
            operation()
        assert caught.value.result == 0x8004030E
    assert repr(instance) == "<ringmarch.Instance without cities>"


def test_square_through_operations():
    with ringmarch.Instance.random(4, seed=3) as instance:
        for city, (x, y) in enumerate([(0, 0), (300, 0), (300, 400), (0, 400)]):
            instance.set_node_pos(city, x, y)
        instance.calc_distance_euc2d()
        assert instance.distance(0, 2) == 500
        assert instance.check_distance() == 0
        result = instance.solve()
        assert (result.length, result.optimal) == (1400, True)
        assert [instance.root(i) for i in range(4)] == result.tour
        assert instance.root_x(1) == float(300 if result.tour[1] in (1, 2) else 0)
        with pytest.raises(ringmarch.CityIdOutOfRangeError):
            instance.root(4)
        with pytest.raises(ringmarch.PositionOutOfRangeError):
            instance.set_node_pos(0, 10000, 0)
        with pytest.raises(ringmarch.CityIdOutOfRangeError):
            instance.set_node_pos(4, 10000, 0)  # the city is tested first
        with pytest.raises(ringmarch.DistanceOutOfRangeError):
            instance.set_distance(0, 1, 14142)
        with pytest.raises(ringmarch.CityIdOutOfRangeError):
            instance.distance(2**40, 0)
        instance.set_distance(0, 1, 14141)
        assert instance.check_distance() == 12  # DistanceNotSymmetric
        with pytest.raises(ringmarch.NotSolvedError):
            instance.length


def test_loaded_arrays_and_coordinates():
    instance = ringmarch.Instance.from_coordinates([(1.5, 2.75), (9.25, 2.75), (5, 8)])
    assert instance.pos_x(0) == 1.5
    assert instance.min_x == 1.0 and instance.max_y == 8.0
    assert instance.distances == [[0, 8, 6], [8, 0, 7], [6, 7, 0]]
    matrix = [[0, -5, 100000], [-5, 0, 7], [100000, 7, 0]]
    instance.load_distances(matrix)
    assert instance.distances == matrix
    assert instance.solve().length == 100002
    # A refusal keeps the instance that was held.
    with pytest.raises(ringmarch.TooManyCitiesError):
        instance.load_distances([[0] * 128] * 128)
    assert instance.distances == matrix


def test_files_round_trip(tmp_path):
    instance = ringmarch.read_tsp(DATA / "gr24.tsp")
    result = instance.solve()
    ringmarch.write_tour(tmp_path / "gr24.tour", instance)
    ringmarch.write_tsp(tmp_path / "gr24.tsp", instance)
    copy = ringmarch.read_tsp(tmp_path / "gr24.tsp")
    assert copy.distances == instance.distances
    assert ringmarch.read_tour(tmp_path / "gr24.tour", copy) == result.tour
    assert copy.length == result.length == 1272
    # A published optimal tour file.
    fresh = ringmarch.read_tsp(DATA / "gr24.tsp")
    tour = ringmarch.read_tour(DATA / "gr24.opt.tour", fresh)
    assert_tour(tour, 24)
    assert fresh.length == 1272


def no_weight_type(folder):
    path = folder / "no-weight-type.tsp"
    path.write_text("DIMENSION: 3\nNODE_COORD_SECTION\n1 0 0\n2 1 0\n3 0 1\nEOF\n")
    return path


# (operation, error class, result value)
FILE_FAILURES = [
    (lambda d, i: ringmarch.read_tsp(d / "missing.tsp"), ringmarch.FileOpenFailedError, 0x80040301),
    (
        # The component's strict rules refuse its blank-padded section line.
        lambda d, i: ringmarch.read_tsp(DATA / "swiss42.tsp", strict=True),
        ringmarch.FileReadFailedError,
        0x80040302,
    ),
    (lambda d, i: ringmarch.read_tsp(no_weight_type(d)), ringmarch.FileFormatError, 0x80040304),
    (lambda d, i: i.write_tsp_file(d / "no" / "x.tsp"), ringmarch.FileOpenFailedError, 0x80040301),
    (lambda d, i: i.write_tour_file(d / "x.tour"), ringmarch.NotSolvedError, 0x8004030E),
    (
        lambda d, i: ringmarch.read_tour(DATA / "gr24.opt.tour", i),
        ringmarch.CityIdOutOfRangeError,
        0x80040307,
    ),
]


@pytest.mark.parametrize("operation,error,result", FILE_FAILURES)
def test_file_failures(tmp_path, operation, error, result):
    instance = ringmarch.Instance.random(5, seed=2)
    with pytest.raises(error) as caught:
        operation(tmp_path, instance)
    assert caught.value.result == result


def test_read_tour_after_a_solve_is_refused():
    instance = ringmarch.read_tsp(DATA / "gr24.tsp")
    instance.solve()
    with pytest.raises(ringmarch.InstanceNotCreatedError):
        ringmarch.read_tour(DATA / "gr24.opt.tour", instance)


def test_file_error_names_the_file(tmp_path):
    with pytest.raises(ringmarch.FileOpenFailedError, match="missing.tsp"):
        ringmarch.read_tsp(tmp_path / "missing.tsp")


def test_closed_instance():
    instance = ringmarch.Instance.random(5, seed=2)
    instance.close()
    instance.close()
    with pytest.raises(ValueError, match="closed"):
        instance.num


def test_version_is_the_projects():
    from importlib import metadata

    assert ringmarch.library_version() == ringmarch.__version__
    try:
        assert metadata.version("ringmarch") == ringmarch.__version__
    except metadata.PackageNotFoundError:
        pytest.skip("the module runs from the source tree, not installed")
    assert ringmarch.solve.__doc__ and "time_limit" in ringmarch.solve.__doc__


def test_docstring_examples():
    import doctest

    failed, attempted = doctest.testmod(ringmarch)
    assert (failed, attempted >= 3) == (0, True)
