"""Instances beyond the solver object's 127 cities: TSPLIB files of every kind read by read_tsp
and solved by the tour engine and by auto's cut engine (tours checked here, lengths against the
published optima), instances given whole, and what such an instance refuses."""

import random

import pytest

import ringmarch
from conftest import DATA, assert_tour, published_optima

# (file, cities, has coordinates); the tour engine's lengths within 1 % of the optimum.
SAMPLE = [
    ("ch130.tsp", 130, True),
    ("gr137.tsp", 137, True),
    ("kroA150.tsp", 150, True),
    ("si175.tsp", 175, False),
    ("brg180.tsp", 180, False),
    ("d198.tsp", 198, True),
    ("a280.tsp", 280, True),
    ("lin318.tsp", 318, True),
    ("pcb442.tsp", 442, True),
    ("ftv170.atsp", 171, False),
]


def _length(instance, tour):
    return sum(instance.distance(a, b) for a, b in zip(tour, tour[1:] + tour[:1]))


@pytest.mark.parametrize("name,cities,coordinates", SAMPLE)
def test_the_tour_engine_solves_the_sample_honestly(name, cities, coordinates):
    optimum = published_optima()[name]
    instance = ringmarch.read_tsp(DATA / name)
    assert instance.num == cities
    assert instance.has_coordinates == coordinates
    result = instance.solve(engine="tour")
    assert result.engine == "tour"
    assert_tour(result.tour, cities)
    assert result.length == _length(instance, result.tour) >= optimum
    assert result.lower_bound is not None and result.lower_bound <= optimum
    assert result.optimal == (result.lower_bound == result.length)
    assert result.status == ("optimal" if result.optimal else "not_proven")
    assert 100 * (result.length - optimum) <= optimum, result.length
    # The instance keeps the tour of its solve.
    assert instance.tour == result.tour and instance.length == result.length
    assert instance.root(0) == result.tour[0]


# ft70 (70 cities, directed) is beyond the exact search's 63: its published optimum is 38673.
@pytest.mark.parametrize(
    "name,optimum",
    [("ch130.tsp", 6110), ("brg180.tsp", 1950), ("ft70.atsp", 38673)],
)
def test_auto_proves_the_optimum_with_the_cut_engine_beyond_the_exact_search(name, optimum):
    instance = ringmarch.read_tsp(DATA / name)
    result = instance.solve()
    assert result.engine == "cut" and result.optimal and result.status == "optimal"
    assert result.length == result.lower_bound == optimum == _length(instance, result.tour)
    assert_tour(result.tour, instance.num)
    assert result.handed_over_after == 0
    assert result.cuts["subtour"] > 0 and set(result.cuts) == {
        "subtour",
        "blossom",
        "comb",
        "from_pool",
    }
    assert result.lp_seconds >= 0


def test_auto_hands_an_unfinished_search_to_the_cut_engine():
    # The 11 x 11 lattice: the exact search never proves it; after 5000 nodes the cut engine does.
    result = ringmarch.read_tsp(DATA / "grid11.tsp").solve()
    assert result.engine == "cut" and result.optimal and result.length == 12141
    assert result.handed_over_after >= 5000
    exact = ringmarch.read_tsp(DATA / "berlin52.tsp").solve()
    assert exact.engine == "canonical" and exact.handed_over_after == 0 and exact.cuts is None


def test_the_strict_reader_refuses_beyond_127_cities():
    with pytest.raises(ringmarch.TooManyCitiesError) as raised:
        ringmarch.read_tsp(DATA / "ch130.tsp", strict=True)
    assert raised.value.line == 4
    assert raised.value.reason == (
        "130 cities; the strict reader takes at most 127 (the tolerant reader reads the file)"
    )
    with pytest.raises(ringmarch.TooManyCitiesError):
        ringmarch.read_tsp(DATA / "ch130.tsp").solve(engine="canonical")


def test_the_solver_objects_operations_refuse_a_large_instance_until_it_is_replaced():
    instance = ringmarch.read_tsp(DATA / "ch130.tsp")
    with pytest.raises(ringmarch.NotSolvedError):
        instance.tour
    for operation in (
        lambda: instance.pos_x(0),
        lambda: instance.check_distance(),
        lambda: instance.set_distance(0, 1, 5),
        lambda: instance.max_x,
        lambda: instance.write_tsp_file("never.tsp"),
    ):
        with pytest.raises(ringmarch.TooManyCitiesError, match="130 cities"):
            operation()
    assert instance.distance(0, 1) == instance.distance(1, 0) > 0
    with pytest.raises(ringmarch.CityIdOutOfRangeError):
        instance.distance(0, 130)
    # Replaced by the object's own operation, it is a solver's instance again.
    instance.new_tsp(10, seed=3)
    assert instance.num == 10 and instance.max_x >= 0
    assert repr(ringmarch.read_tsp(DATA / "ch130.tsp")) == "<ringmarch.Instance of 130 cities>"


def test_instances_given_whole_beyond_127_cities():
    generator = random.Random(11)
    points = [(generator.randint(0, 9999), generator.randint(0, 9999)) for _ in range(300)]
    result = ringmarch.solve(coordinates=points)
    assert result.engine == "cut" and result.optimal
    assert_tour(result.tour, 300)
    distances = [
        [0 if i == j else generator.randint(1, 100) for j in range(140)] for i in range(140)
    ]
    directed = ringmarch.Instance.from_distances(distances)
    solved = directed.solve()
    assert_tour(solved.tour, 140)
    assert solved.length == sum(
        distances[a][b] for a, b in zip(solved.tour, solved.tour[1:] + solved.tour[:1])
    )
    assert solved.engine == "cut" and solved.optimal and solved.lower_bound == solved.length


def test_an_atsp_file_of_64_to_127_cities_is_read_into_the_solver(tmp_path):
    # The object's own tolerant read stops ATSP files at 63 cities; read_tsp takes them whole.
    generator = random.Random(70)
    n = 70
    rows = [[0 if i == j else generator.randint(1, 90) for j in range(n)] for i in range(n)]
    path = tmp_path / "a70.atsp"
    path.write_text(
        f"NAME: a70\nTYPE: ATSP\nDIMENSION: {n}\nEDGE_WEIGHT_TYPE: EXPLICIT\n"
        "EDGE_WEIGHT_FORMAT: FULL_MATRIX\nEDGE_WEIGHT_SECTION\n"
        + "\n".join(" ".join(map(str, row)) for row in rows)
        + "\nEOF\n"
    )
    instance = ringmarch.read_tsp(path)
    assert instance.check_distance() == 12  # the solver's own check: not symmetric
    result = instance.solve()
    assert result.engine == "cut" and result.optimal
    assert_tour(result.tour, n)
    with pytest.raises(ringmarch.TooManyCitiesError):
        instance.read_tsp_file_tolerant(path)
