"""Ringmarch: exact travelling-salesman tours.

Up to 127 cities the solver first builds a good tour by nearest neighbour and 2-opt, then proves
it shortest (or finds a shorter one) by branch-and-bound, so every tour it answers is optimal
unless a time limit, a progress callback or Ctrl-C stopped the search. Larger instances (up to
100000 cities, from TSPLIB files or given whole) go to the branch-and-cut engine, which proves
its tour optimal or, when stopped first, answers its best tour and a proven lower bound
(``engine="tour"``: the tour engine's tour and Held-Karp bound, ``optimal`` only when they
meet).

>>> import ringmarch
>>> result = ringmarch.solve(coordinates=[(0, 0), (300, 0), (300, 400), (0, 400)])
>>> result.length, result.optimal
(1400, True)

:func:`solve` takes a distance matrix or coordinates; :class:`Instance` offers the solver
object's operations one by one; :func:`read_tsp`, :func:`write_tsp`, :func:`read_tour` and
:func:`write_tour` handle TSPLIB files. Failures raise a :class:`RingmarchError` subclass per
error code. The module calls the C library libringmarch.so through ctypes.
"""

from ._instance import (
    EUC2D,
    FULLMATRIX,
    MAX_CITIES,
    MAX_INSTANCE_CITIES,
    Instance,
    Matrix,
    PathLike,
    Points,
    Progress,
    SolveResult,
    library_version,
    read_tour,
    read_tsp,
    solve,
    write_tour,
    write_tsp,
)
from .errors import (
    CityIdOutOfRangeError,
    DistanceNotPositiveError,
    DistanceNotSymmetricError,
    DistanceOutOfRangeError,
    FileFormatError,
    FileOpenFailedError,
    FileReadFailedError,
    FileTypeNotSupportedError,
    FileWriteFailedError,
    InstanceNotCreatedError,
    NotSolvedError,
    OutOfMemoryError,
    PositionOutOfRangeError,
    RingmarchError,
    SameCityDistanceNotZeroError,
    TooManyCitiesError,
    error_class,
)

__version__ = library_version()

# The public names say they belong to this module, as help() and tracebacks show them.
for _public in (Instance, Progress, SolveResult, library_version, read_tour, read_tsp, solve,
                write_tour, write_tsp):
    _public.__module__ = __name__
del _public

__all__ = [
    "EUC2D",
    "FULLMATRIX",
    "MAX_CITIES",
    "MAX_INSTANCE_CITIES",
    "Instance",
    "Matrix",
    "PathLike",
    "Points",
    "Progress",
    "SolveResult",
    "library_version",
    "read_tour",
    "read_tsp",
    "solve",
    "write_tour",
    "write_tsp",
    "RingmarchError",
    "error_class",
    "FileOpenFailedError",
    "FileReadFailedError",
    "FileWriteFailedError",
    "FileFormatError",
    "OutOfMemoryError",
    "TooManyCitiesError",
    "CityIdOutOfRangeError",
    "PositionOutOfRangeError",
    "DistanceOutOfRangeError",
    "SameCityDistanceNotZeroError",
    "DistanceNotPositiveError",
    "DistanceNotSymmetricError",
    "InstanceNotCreatedError",
    "NotSolvedError",
    "FileTypeNotSupportedError",
]
