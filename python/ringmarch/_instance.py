"""The Instance class over one solver of the C library, and the functions built on it."""

from __future__ import annotations

import array
import ctypes
import itertools
import math
import os
import signal
import stat
import sys
import tempfile
import threading
from dataclasses import dataclass
from typing import Any, Callable, Dict, List, Optional, Sequence, Union

from . import _library
from ._library import lib
from .errors import RingmarchError, error_class, last_error

MAX_CITIES = 127
"""The most cities of the solver object (and its 22 operations, and the exact search)."""
MAX_INSTANCE_CITIES = 100000
"""The most cities of an instance read from a file or given whole; beyond MAX_CITIES it is
solved by the cut engine (or, on request, the tour engine)."""
# The layouts' names; the constants stay for code that passed them, now naming the layout.
EUC2D = "euc2d"
FULLMATRIX = "fullmatrix"
_LAYOUTS = {EUC2D: 1, FULLMATRIX: 2}

# How often a running solve calls back into Python: to notice Ctrl-C and to report progress.
_CALLBACK_INTERVAL_SECONDS = 0.05

PathLike = Union[str, bytes, os.PathLike]
Matrix = Union[Sequence[Sequence[int]], Any]
Points = Union[Sequence[Sequence[float]], Any]


@dataclass(frozen=True)
class Progress:
    """What a running solve reports to a progress callback."""

    nodes: int
    """Search nodes evaluated so far."""
    best_length: int
    """Length of the best tour found so far."""
    seconds: float
    """Seconds since the solve began."""


ProgressCallback = Callable[[Progress], Optional[bool]]


@dataclass(frozen=True)
class SolveResult:
    """The outcome of a solve."""

    tour: List[int]
    """The cities in tour order, numbered from 0; the tour closes back to its first city."""
    length: int
    """The tour's length in the instance's distances."""
    optimal: bool
    """True when the tour is proven shortest; False when the time limit, the progress callback
    or Ctrl-C stopped the search (the tour is then the best one found)."""
    nodes: int
    """Search nodes evaluated."""
    seconds: float
    """Wall time of the library's solve."""
    initial_length: int
    """Length of the first tour (nearest neighbour and 2-opt)."""
    lower_bound: Optional[int] = None
    """A proven lower bound on every tour: ``length`` itself when ``optimal``; the bound the
    search had proven when it was stopped; None when it had none."""
    status: str = "optimal"
    """``"optimal"`` (proven) or ``"not_proven"``: stopped, or the engine cannot prove it."""
    engine: str = "canonical"
    """The engine that ran: ``"canonical"`` (the exact search), ``"tour"`` (local search and
    the Held-Karp bound) or ``"cut"`` (the LP-based branch and cut)."""
    handed_over_after: int = 0
    """With ``engine="auto"``: the canonical search's nodes before it handed the instance to the
    cut engine (0: no hand-over)."""
    cuts: Optional[Dict[str, int]] = None
    """The cut engine's cuts found per family (``"subtour"``, ``"blossom"``, ``"comb"``) and
    pooled cuts put back (``"from_pool"``); None for the other engines."""
    lp_seconds: float = 0.0
    """Seconds the cut engine spent in its LP solver."""

    # Unhashable like the list it holds: a hash over a tour the caller may still change would
    # break sets and dicts silently, and the frozen dataclass's own hash raised on the list.
    __hash__ = None  # type: ignore[assignment]


def _check(result: int, detail: Optional[str] = None) -> None:
    if result != 0:
        raise last_error(detail)


def _path(path: PathLike) -> bytes:
    return os.fsencode(os.fspath(path))


def _whole(value: Any, what: str) -> int:
    if isinstance(value, bool) or not hasattr(value, "__index__"):
        raise TypeError(f"{what} must be an integer, not {type(value).__name__}")
    return value.__index__()


def _numpy_array(value: Any) -> Any:
    numpy = sys.modules.get("numpy")
    if numpy is not None and isinstance(value, numpy.ndarray):
        return numpy
    return None


def _flatten(rows: Any, what: str, typecode: str, width: Optional[int]) -> tuple[int, Any]:
    """The rows' entries, row by row, in one array of C numbers, and the number of rows.

    The checks that pass run at C speed (lengths, then one conversion); only a failure walks the
    rows again in Python to say where it is."""
    if isinstance(rows, (str, bytes)) or not hasattr(rows, "__len__"):
        kind = type(rows).__name__
        raise TypeError(f"{what} must be a list of rows or a NumPy array, not {kind}")
    count = len(rows)
    expected = count if width is None else width
    try:
        lengths = list(map(len, rows))
    except TypeError:
        i, row = next((i, row) for i, row in enumerate(rows) if not hasattr(row, "__len__"))
        raise TypeError(f"{what}: row {i} is a {type(row).__name__}, not a sequence") from None
    if lengths.count(expected) != count:
        i = next(i for i, length in enumerate(lengths) if length != expected)
        shape = "square" if width is None else f"n x {width}"
        raise ValueError(
            f"{what} must be {shape}: row {i} has {lengths[i]} entries, expected {expected}"
        )
    try:
        entries = array.array(typecode, itertools.chain.from_iterable(rows))
    except (TypeError, OverflowError):
        raise _entry_error(rows, what, typecode) from None
    # array() takes True as 1, so a mask or an adjacency matrix would pass as numbers.
    if bool in set(map(type, itertools.chain.from_iterable(rows))):
        i = next(i for i, row in enumerate(rows) if any(type(v) is bool for v in row))
        raise TypeError(f"{what}: row {i} holds a bool; {what} are numbers, not True/False")
    return count, entries


def _entry_error(rows: Any, what: str, typecode: str) -> Exception:
    """Why the conversion of the rows' entries failed, naming the first bad entry's row."""
    whole = typecode == "i"
    for i, row in enumerate(rows):
        for value in row:
            if whole and not hasattr(value, "__index__"):
                kind = type(value).__name__
                return TypeError(f"{what}: row {i} holds a {kind}; {what} are integers")
            if not whole and (isinstance(value, (str, bytes)) or not hasattr(value, "__float__")):
                kind = type(value).__name__
                return TypeError(f"{what}: city {i} has a {kind}; {what} are numbers")
    for i, row in enumerate(rows):
        try:
            array.array(typecode, row)
        except OverflowError:
            if whole:
                return ValueError(
                    f"{what}: row {i} holds a value beyond 32 bits (-2147483648 to 2147483647)"
                )
            return ValueError(f"{what}: city {i} is beyond the range of a double")
    return TypeError(f"{what} must hold numbers")


def _distance_buffer(distances: Matrix) -> tuple[int, Any]:
    """The row-major 32-bit matrix and its number of cities."""
    numpy = _numpy_array(distances)
    if numpy is None:
        return _flatten(distances, "distances", "i", None)
    if distances.ndim != 2 or distances.shape[0] != distances.shape[1]:
        raise ValueError(f"distances must be a square matrix, not of shape {distances.shape}")
    if distances.dtype == numpy.bool_ or not numpy.issubdtype(distances.dtype, numpy.integer):
        kind = distances.dtype
        raise TypeError(f"distances must be whole numbers, not {kind} (use .astype(int))")
    if distances.size and (distances.min() < -(2**31) or distances.max() > 2**31 - 1):
        raise ValueError("distances must fit 32 bits (-2147483648 to 2147483647)")
    return distances.shape[0], numpy.ascontiguousarray(distances, dtype=numpy.int32)


def _coordinate_buffer(coordinates: Points) -> tuple[int, Any]:
    """The (x, y) pairs as doubles and their number of cities."""
    numpy = _numpy_array(coordinates)
    if numpy is None:
        return _flatten(coordinates, "coordinates", "d", 2)
    if coordinates.ndim != 2 or coordinates.shape[1] != 2:
        raise ValueError(f"coordinates must be n x 2, not of shape {coordinates.shape}")
    if coordinates.dtype == numpy.bool_ or not (
        numpy.issubdtype(coordinates.dtype, numpy.floating)
        or numpy.issubdtype(coordinates.dtype, numpy.integer)
    ):
        raise TypeError(f"coordinates must be numbers, not {coordinates.dtype}")
    return coordinates.shape[0], numpy.ascontiguousarray(coordinates, dtype=numpy.float64)


# Stand-ins for the entries of an instance the library refuses by its count alone.
_ONE_INT = array.array("i", [0])
_ONE_DOUBLE = array.array("d", [0.0, 0.0])


def _rows_in(rows: Any) -> int:
    """How many rows a matrix or a list of points has; 0 for what has no length (which the
    solver's own loading then refuses with its own error)."""
    if isinstance(rows, (str, bytes)):
        return 0
    try:
        return min(len(rows), 2**31 - 1)
    except TypeError:
        return 0


def _pointer(buffer: Any) -> ctypes.c_void_p:
    if isinstance(buffer, array.array):
        return ctypes.c_void_p(buffer.buffer_info()[0])
    return ctypes.c_void_p(buffer.ctypes.data)


class _Interrupts:
    """Holds Ctrl-C back while the library solves on the main thread.

    Python runs its signal handlers only between bytecodes. During a solve the main thread is
    inside the library, and its progress callback is the only Python that runs there. So the
    handler is replaced for the time of the solve by one that only takes note; the callback then
    stops the search, and once the solve has returned the signal goes to the handler that was
    there before (which raises KeyboardInterrupt by default).
    """

    def __init__(self) -> None:
        self.caught: Optional[tuple[int, Any]] = None
        self._previous: Any = None
        self._active = False

    def __enter__(self) -> "_Interrupts":
        if threading.current_thread() is threading.main_thread():
            previous = signal.getsignal(signal.SIGINT)
            if callable(previous):
                self._previous = previous
                signal.signal(signal.SIGINT, self._note)
                self._active = True
        return self

    def _note(self, signum: int, frame: Any) -> None:
        self.caught = (signum, frame)

    def __exit__(self, *exc: Any) -> None:
        if self._active:
            signal.signal(signal.SIGINT, self._previous)
            if self.caught is not None:
                self._previous(*self.caught)


class Instance:
    """One travelling-salesman instance with its tour: the solver object of the library.

    The methods are the object's 22 operations under Python names (``NewTsp`` is
    :meth:`new_tsp`, ``Root`` is :meth:`root`, the properties ``num``, ``MaxX`` ... are
    properties), plus :meth:`load_distances`, :meth:`load_coordinates` and :attr:`tour`. Cities
    are numbered from 0. A failing operation raises the :class:`RingmarchError` subclass of its
    code. An instance may be used from one thread at a time; a solve releases the GIL.

    An instance of more than 127 cities (read from a file, or given whole to
    :meth:`from_distances` or :meth:`from_coordinates`) is held by the library's any-size
    instance instead of the solver object: :meth:`solve`, ``num``, ``tour``, ``length``,
    :meth:`root`, :meth:`distance`, ``distances`` and ``has_coordinates`` work on it; the
    object's other operations raise TooManyCitiesError until an operation that replaces the
    instance (``new_tsp``, ``read_tsp_file``, ``load_distances`` ...) makes it a solver's again.

    >>> instance = Instance.from_coordinates([(0, 0), (300, 0), (300, 400), (0, 400)])
    >>> instance.solve().length
    1400
    """

    def __init__(self) -> None:
        """An empty instance (no cities yet: most operations raise InstanceNotCreatedError)."""
        handle = ctypes.c_void_p()
        _check(lib.ringmarch_create(ctypes.byref(handle)))
        self._handle = handle
        # Kept with the instance: at interpreter exit the module's globals may be gone first.
        self._destroy = lib.ringmarch_destroy
        self._lock = threading.Lock()
        self._solving_thread: Optional[int] = None
        # An instance beyond the solver: the library's any-size instance, and the tour and
        # length of its last solve.
        self._any_size: Optional[ctypes.c_void_p] = None
        self._destroy_any_size = lib.ringmarch_instance_destroy
        self._any_size_tour: Optional[List[int]] = None
        self._any_size_length = 0

    def close(self) -> None:
        """Frees the library's solver now rather than when the instance is collected."""
        self._drop_any_size()
        handle, self._handle = getattr(self, "_handle", None), None
        if handle:
            self._destroy(handle)

    def _drop_any_size(self) -> None:
        held, self._any_size = getattr(self, "_any_size", None), None
        self._any_size_tour = None
        if held:
            self._destroy_any_size(held)

    def _hold(self, any_size: ctypes.c_void_p) -> None:
        """Takes the library's any-size instance: kept beyond the solver's size, loaded into the
        solver (and freed) up to it."""
        kept = False
        try:
            cities = ctypes.c_int32()
            _check(lib.ringmarch_instance_cities(any_size, ctypes.byref(cities)))
            if cities.value <= MAX_CITIES:
                self._call(lib.ringmarch_load_instance, any_size, replaces=True)
            else:
                self._drop_any_size()
                self._any_size = any_size
                kept = True
        finally:
            if not kept:
                lib.ringmarch_instance_destroy(any_size)

    def _beyond_the_solver(self) -> RingmarchError:
        cities = ctypes.c_int32()
        lib.ringmarch_instance_cities(self._any_size, ctypes.byref(cities))
        return error_class(6)(
            0x80040300 + 6,
            lib.ringmarch_error_gloss(6).decode(),
            lib.ringmarch_error_message(6).decode(),
            f"the instance has {cities.value} cities; the solver object's operations take at "
            f"most {MAX_CITIES}",
        )

    def __del__(self) -> None:
        self.close()

    def __enter__(self) -> "Instance":
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()

    def __repr__(self) -> str:
        try:
            return f"<ringmarch.Instance of {self.num} cities>"
        except RingmarchError:
            return "<ringmarch.Instance without cities>"

    def _call(
        self,
        function: Callable[..., int],
        *arguments: Any,
        detail: Optional[str] = None,
        replaces: bool = False,
    ) -> None:
        """Calls an operation of the solver object; replaces: it gives the object a new instance
        (an instance beyond the solver is dropped once it succeeded)."""
        if self._handle is None:
            raise ValueError("the instance is closed")
        if self._solving_thread == threading.get_ident():
            raise RuntimeError("an instance cannot be used from its own solve's progress callback")
        if self._any_size is not None and not replaces:
            raise self._beyond_the_solver()
        with self._lock:
            _check(function(self._handle, *arguments), detail)
        if replaces:
            self._drop_any_size()

    def _int_out(self, function: Callable[..., int], *arguments: Any) -> int:
        value = ctypes.c_int32()
        self._call(function, *arguments, ctypes.byref(value))
        return value.value

    def _double_out(self, function: Callable[..., int], *arguments: Any) -> float:
        value = ctypes.c_double()
        self._call(function, *arguments, ctypes.byref(value))
        return value.value

    # Constructors.

    @classmethod
    def from_distances(cls, distances: Matrix) -> "Instance":
        """An instance of a square integer matrix (list of lists or NumPy array); beyond 127
        cities (up to 100000) an instance for the cut engine."""
        instance = cls()
        rows = _rows_in(distances)
        if rows <= MAX_CITIES:
            instance.load_distances(distances)
            return instance
        made = ctypes.c_void_p()
        if rows > MAX_INSTANCE_CITIES:
            # The library refuses the count before it looks at a single entry.
            _check(lib.ringmarch_instance_from_matrix(rows, _pointer(_ONE_INT), ctypes.byref(made)))
        count, buffer = _distance_buffer(distances)
        _check(lib.ringmarch_instance_from_matrix(count, _pointer(buffer), ctypes.byref(made)))
        instance._hold(made)
        return instance

    @classmethod
    def from_coordinates(cls, coordinates: Points) -> "Instance":
        """An instance of n x 2 coordinates with EUC_2D distances (rounded, halves up); beyond
        127 cities (up to 100000) an instance for the cut engine."""
        instance = cls()
        rows = _rows_in(coordinates)
        if rows <= MAX_CITIES:
            instance.load_coordinates(coordinates)
            return instance
        made = ctypes.c_void_p()
        if rows > MAX_INSTANCE_CITIES:
            _check(
                lib.ringmarch_instance_from_coordinates(
                    rows, b"EUC_2D", _pointer(_ONE_DOUBLE), ctypes.byref(made)
                )
            )
        count, buffer = _coordinate_buffer(coordinates)
        _check(
            lib.ringmarch_instance_from_coordinates(
                count, b"EUC_2D", _pointer(buffer), ctypes.byref(made)
            )
        )
        instance._hold(made)
        return instance

    @classmethod
    def random(cls, num: int, seed: Optional[int] = None) -> "Instance":
        """A random instance of num cities at whole coordinates 0 to 9999."""
        instance = cls()
        instance.new_tsp(num, seed)
        return instance

    @classmethod
    def read(cls, path: PathLike, *, strict: bool = False) -> "Instance":
        """An instance read from a TSPLIB TSP or ATSP file, tolerantly unless strict (see
        :func:`read_tsp`)."""
        made = ctypes.c_void_p()
        _check(
            lib.ringmarch_instance_read_tsp_file(
                _path(path), 1 if strict else 0, ctypes.byref(made)
            ),
            os.fsdecode(path),
        )
        instance = cls()
        instance._hold(made)
        return instance

    # The 22 operations.

    def new_tsp(self, num: int, seed: Optional[int] = None) -> None:
        """NewTsp: a random instance of num cities (0 to 127), coordinates 0 to 9999.

        A seed makes it reproducible (the library's clock seeds it otherwise). A negative num is
        refused with ValueError (the object would answer an instance of no cities whose count
        reads negative).
        """
        num = _whole(num, "num")
        if num < 0:
            raise ValueError(f"num must be 0 to {MAX_CITIES}, not {num}")
        if num > 2**31 - 1:
            num = 2**31 - 1  # still more than 127: TooManyCities
        if seed is None:
            self._call(lib.ringmarch_new_tsp, num, replaces=True)
        else:
            self._call(
                lib.ringmarch_new_tsp_with_seed,
                num,
                _whole(seed, "seed") & 0xFFFFFFFF,
                replaces=True,
            )

    def read_tsp_file(self, path: PathLike) -> None:
        """ReadTspFile: replaces the instance from a TSPLIB TSP file."""
        self._call(
            lib.ringmarch_read_tsp_file, _path(path), detail=os.fsdecode(path), replaces=True
        )

    def read_tsp_file_tolerant(self, path: PathLike) -> None:
        """ReadTspFile in the tolerant mode: keywords in any order and case, every symmetric
        distance rule, all matrix layouts, ATSP files up to 63 cities; the same codes and limit
        of 127 cities. A refusal's message names the line and the reason."""
        self._call(
            lib.ringmarch_read_tsp_file_tolerant,
            _path(path),
            detail=os.fsdecode(path),
            replaces=True,
        )

    @property
    def has_coordinates(self) -> bool:
        """True when the instance has coordinates (not only distances)."""
        if self._any_size is not None:
            value = ctypes.c_int32()
            _check(lib.ringmarch_instance_has_coordinates(self._any_size, ctypes.byref(value)))
            return value.value == 1
        return self._int_out(lib.ringmarch_has_coordinates) == 1

    def write_tsp_file(self, path: PathLike, layout: str = "fullmatrix") -> None:
        """WriteTspFile: writes the instance as ``"euc2d"`` (the whole part of the coordinates)
        or ``"fullmatrix"`` (every distance).

        A regular file is written whole or not at all (see :func:`write_tsp`)."""
        code = _layout_code(layout)
        _write_whole(
            path,
            lambda target: self._call(
                lib.ringmarch_write_tsp_file, _path(target), code, detail=os.fsdecode(path)
            ),
        )

    def pos_x(self, id: int) -> float:
        """PosX: the x coordinate of city id, as stored."""
        return self._double_out(lib.ringmarch_pos_x, _city(id))

    def pos_y(self, id: int) -> float:
        """PosY: the y coordinate of city id, as stored."""
        return self._double_out(lib.ringmarch_pos_y, _city(id))

    def set_node_pos(self, id: int, x: int, y: int) -> None:
        """SetNodePos: moves city id to whole coordinates 0 to 9999 (distances stay)."""
        self._call(lib.ringmarch_set_node_pos, _city(id), _city(x, "x"), _city(y, "y"))

    def distance(self, from_city: int, to_city: int) -> int:
        """Distance: the distance from one city to another."""
        if self._any_size is not None:
            value = ctypes.c_int32()
            _check(
                lib.ringmarch_instance_distance(
                    self._any_size, _city(from_city), _city(to_city), ctypes.byref(value)
                )
            )
            return value.value
        return self._int_out(lib.ringmarch_distance, _city(from_city), _city(to_city))

    def set_distance(self, from_city: int, to_city: int, distance: int) -> None:
        """SetDistance: sets one direction's distance, 0 to 14141; drops the tour."""
        self._call(
            lib.ringmarch_set_distance,
            _city(from_city),
            _city(to_city),
            _city(distance, "distance"),
        )

    def calc_distance_euc2d(self) -> None:
        """CalcDistanceEUC2D: every distance again from the coordinates; drops the tour."""
        self._call(lib.ringmarch_calc_distance_euc2d)

    def check_distance(self) -> int:
        """CheckDistance: 0 for a valid matrix, else the first fault's code (10, 11 or 12)."""
        return self._int_out(lib.ringmarch_check_distance)

    def solve(
        self,
        *,
        time_limit: Optional[float] = None,
        progress: Optional[ProgressCallback] = None,
        engine: str = "auto",
    ) -> SolveResult:
        """Solve: the shortest tour, held by the instance afterwards; see :func:`ringmarch.solve`
        for the options and the result."""
        if self._handle is None:
            raise ValueError("the instance is closed")
        # The lock is not re-entrant: a solve from the solve's own callback would wait forever.
        if self._solving_thread == threading.get_ident():
            raise RuntimeError("an instance cannot be used from its own solve's progress callback")
        if engine not in _library.ENGINES:
            raise ValueError(
                f"engine must be 'auto', 'canonical', 'tour' or 'cut', not {engine!r}"
            )
        request = _library.SolveRequest()
        lib.ringmarch_solve_request_init(ctypes.byref(request))
        request.engine = _library.ENGINES[engine]
        request.time_limit_seconds = _time_limit(time_limit)
        request.progress_interval_seconds = _CALLBACK_INTERVAL_SECONDS
        if progress is not None and not callable(progress):
            raise TypeError(f"progress must be callable, not {type(progress).__name__}")
        failure: list[BaseException] = []

        with _Interrupts() as interrupts:

            def on_progress(report: Any, _user_data: Any) -> int:
                try:
                    if interrupts.caught is not None:
                        return _library.STOP
                    if progress is not None:
                        state = report.contents
                        answer = progress(
                            Progress(
                                state.evaluated_nodes, state.best_length, state.elapsed_seconds
                            )
                        )
                        if answer is False:
                            return _library.STOP
                    return _library.CONTINUE
                except BaseException as error:  # handed on once the solve has returned
                    failure.append(error)
                    return _library.STOP

            callback = _library.PROGRESS_CALLBACK(on_progress)
            request.progress = callback
            solution = _library.Solution()
            statistics = _library.EngineStatistics()
            with self._lock:
                self._solving_thread = threading.get_ident()
                try:
                    if self._any_size is not None:
                        result = lib.ringmarch_solve_instance_with_statistics(
                            self._any_size,
                            ctypes.byref(request),
                            ctypes.byref(solution),
                            ctypes.byref(statistics),
                        )
                    else:
                        result = lib.ringmarch_solve_held_with_statistics(
                            self._handle,
                            ctypes.byref(request),
                            ctypes.byref(solution),
                            ctypes.byref(statistics),
                        )
                finally:
                    self._solving_thread = None
            if result != 0:
                count = self._count_or_none()
                detail = None
                if count is not None and count < 3:
                    detail = f"this instance has {count}"
                raise last_error(detail)
        try:
            tour = solution.tour[: solution.cities]
            optimal = solution.status == _library.STATUS_OPTIMAL
            engine_name = _library.ENGINE_NAMES.get(solution.engine, "canonical")
            answer = SolveResult(
                tour=tour,
                length=solution.length,
                optimal=optimal,
                nodes=solution.nodes,
                seconds=solution.seconds,
                initial_length=solution.initial_length,
                lower_bound=solution.lower_bound if solution.has_lower_bound else None,
                status="optimal" if optimal else "not_proven",
                engine=engine_name,
                handed_over_after=statistics.handed_over_after,
                cuts=(
                    {
                        "subtour": statistics.subtour_cuts,
                        "blossom": statistics.blossom_cuts,
                        "comb": statistics.comb_cuts,
                        "from_pool": statistics.pool_cuts,
                    }
                    if engine_name == "cut"
                    else None
                ),
                lp_seconds=statistics.lp_seconds,
            )
        finally:
            lib.ringmarch_solution_free(ctypes.byref(solution))
        if self._any_size is not None:
            self._any_size_tour = list(answer.tour)
            self._any_size_length = answer.length
        if failure:
            raise failure[0]
        return answer

    def root_x(self, i: int) -> float:
        """RootX: the x coordinate of the i-th city of the tour, fraction dropped."""
        return self._double_out(lib.ringmarch_root_x, _city(i))

    def root_y(self, i: int) -> float:
        """RootY: the y coordinate of the i-th city of the tour, fraction dropped."""
        return self._double_out(lib.ringmarch_root_y, _city(i))

    def root(self, i: int) -> int:
        """Root: the city at position i of the tour."""
        if self._any_size is not None:
            tour = self.tour
            if not 0 <= _whole(i, "the position") < len(tour):
                raise error_class(7)(
                    0x80040300 + 7,
                    lib.ringmarch_error_gloss(7).decode(),
                    lib.ringmarch_error_message(7).decode(),
                    f"position {i} of a tour of {len(tour)} cities",
                )
            return tour[i]
        return self._int_out(lib.ringmarch_root, _city(i))

    @property
    def length(self) -> int:
        """Length: the length of the tour held (a property, like ``num`` and ``tour``)."""
        if self._any_size is not None:
            self._held_tour()
            return self._any_size_length
        return self._int_out(lib.ringmarch_length)

    def _held_tour(self) -> List[int]:
        """The tour of the last solve of an instance beyond the solver; NotSolvedError before."""
        if self._any_size_tour is None:
            raise error_class(14)(
                0x80040300 + 14,
                lib.ringmarch_error_gloss(14).decode(),
                lib.ringmarch_error_message(14).decode(),
            )
        return self._any_size_tour

    def read_tour_file(self, path: PathLike) -> None:
        """ReadTourFile: reads a TSPLIB TOUR file of this instance's dimension.

        Accepted only while the instance holds no tour (else InstanceNotCreatedError)."""
        self._call(lib.ringmarch_read_tour_file, _path(path), detail=os.fsdecode(path))

    def write_tour_file(self, path: PathLike) -> None:
        """WriteTourFile: writes the tour held as a TSPLIB TOUR file with its length.

        A regular file is written whole or not at all (see :func:`write_tsp`)."""
        _write_whole(
            path,
            lambda target: self._call(
                lib.ringmarch_write_tour_file, _path(target), detail=os.fsdecode(path)
            ),
        )

    @property
    def num(self) -> int:
        """num: the number of cities."""
        if self._any_size is not None:
            value = ctypes.c_int32()
            _check(lib.ringmarch_instance_cities(self._any_size, ctypes.byref(value)))
            return value.value
        return self._int_out(lib.ringmarch_num)

    @property
    def max_x(self) -> float:
        """MaxX: the largest x coordinate, fraction dropped."""
        return self._double_out(lib.ringmarch_max_x)

    @property
    def max_y(self) -> float:
        """MaxY: the largest y coordinate, fraction dropped."""
        return self._double_out(lib.ringmarch_max_y)

    @property
    def min_x(self) -> float:
        """MinX: the smallest x coordinate, fraction dropped."""
        return self._double_out(lib.ringmarch_min_x)

    @property
    def min_y(self) -> float:
        """MinY: the smallest y coordinate, fraction dropped."""
        return self._double_out(lib.ringmarch_min_y)

    # Whole arrays in one call.

    def load_distances(self, distances: Matrix) -> None:
        """Replaces the instance by a square integer matrix (any 32-bit values, as a file may
        hold; no coordinates)."""
        count, buffer = _distance_buffer(distances)
        self._call(
            lib.ringmarch_load_distances, min(count, 2**31 - 1), _pointer(buffer), replaces=True
        )

    def load_coordinates(self, coordinates: Points) -> None:
        """Replaces the instance by n x 2 finite coordinates with EUC_2D distances."""
        count, buffer = _coordinate_buffer(coordinates)
        try:
            self._call(
                lib.ringmarch_load_coordinates,
                min(count, 2**31 - 1),
                _pointer(buffer),
                replaces=True,
            )
        except RingmarchError as error:
            if error.code == 9:
                # The code's own text speaks of distances, which the caller never gave.
                raise type(error)(
                    error.result,
                    "the coordinates are allowed, but a tour through them could be longer "
                    "than 32 bits hold (2147483647)",
                    error.text,
                    "bring the cities closer together or scale the coordinates down",
                ) from None
            if error.code != 8:
                raise
            values = buffer.ravel() if hasattr(buffer, "ravel") else buffer
            bad = next(i for i in range(2 * count) if not math.isfinite(values[i])) // 2
            where = f"city {bad} is at ({values[2 * bad]}, {values[2 * bad + 1]})"
            raise type(error)(error.result, error.message, error.text, where) from None

    @property
    def tour(self) -> List[int]:
        """The tour held (after a solve or a tour file read), cities numbered from 0."""
        if self._any_size is not None:
            return list(self._held_tour())
        cities = (ctypes.c_int32 * MAX_CITIES)()
        count = ctypes.c_int32()
        self._call(lib.ringmarch_tour, cities, MAX_CITIES, ctypes.byref(count))
        return cities[: count.value]

    @property
    def distances(self) -> List[List[int]]:
        """The whole distance matrix as a list of rows."""
        n = self.num
        return [[self.distance(i, j) for j in range(n)] for i in range(n)]

    def _count_or_none(self) -> Optional[int]:
        try:
            return self.num
        except RingmarchError:
            return None


def _rename_in_name_line(staged: str, target: bytes) -> None:
    """The library names a written file's instance after the file it writes; written through a
    temporary file, the name must still be the target's."""
    with open(staged, "rb") as file:
        text = file.read()
    for keyword in (b"NAME: ", b"NAME : "):  # the TSP and the TOUR writer's forms
        first = keyword + os.fsencode(staged)
        end = text.find(b"\n")
        line = text[:end] if end >= 0 else text
        if line.rstrip(b"\r") == first:
            with open(staged, "wb") as file:
                file.write(keyword + target + text[len(first) :])
            return


def _write_whole(path: PathLike, write: Callable[[PathLike], None]) -> None:
    """Runs write on a temporary file in the target's folder and renames it over the target
    once complete, so that a failed write leaves an existing file as it was. Targets that exist
    and are not regular files (a terminal, a pipe, /dev/null) are written directly."""
    target = os.fspath(path)
    try:
        existing = os.stat(target)
    except OSError:
        existing = None
    if existing is not None and not stat.S_ISREG(existing.st_mode):
        write(path)
        return
    folder = os.path.dirname(os.path.abspath(target))
    try:
        handle, staged = tempfile.mkstemp(
            dir=folder, prefix=".ringmarch-", suffix=".tmp"
        )
    except OSError:
        # A folder that takes no new file: let the library answer its own failure on the target.
        write(path)
        return
    os.close(handle)
    try:
        write(staged)
        _rename_in_name_line(staged, os.fsencode(target))
        if existing is not None:
            os.chmod(staged, stat.S_IMODE(existing.st_mode))
        else:
            mask = os.umask(0)
            os.umask(mask)
            os.chmod(staged, 0o666 & ~mask)
        os.replace(staged, target)
    except BaseException:
        try:
            os.unlink(staged)
        except OSError:
            pass
        raise


def _city(value: Any, what: str = "the city number") -> int:
    number = _whole(value, what)
    # Beyond 32 bits nothing is in range; the library answers its own code for the clamped value.
    return max(-(2**31), min(number, 2**31 - 1))


def _layout_code(layout: Any) -> int:
    # Names only: a bare 1 or 2 says nothing to a reader, and the names are what write_tsp takes.
    if not isinstance(layout, str):
        raise TypeError(f"layout must be 'euc2d' or 'fullmatrix', not {type(layout).__name__}")
    if layout not in _LAYOUTS:
        raise ValueError(f"layout must be 'euc2d' or 'fullmatrix', not {layout!r}")
    return _LAYOUTS[layout]


def _time_limit(time_limit: Optional[float]) -> float:
    if time_limit is None:
        return 0.0
    if isinstance(time_limit, bool) or not isinstance(time_limit, (int, float)):
        raise TypeError(f"time_limit must be a number of seconds, not {type(time_limit).__name__}")
    if not (math.isfinite(time_limit) and time_limit > 0):
        raise ValueError(f"time_limit must be a positive number of seconds, not {time_limit}")
    return float(time_limit)


def solve(
    distances: Optional[Matrix] = None,
    coordinates: Optional[Points] = None,
    *,
    time_limit: Optional[float] = None,
    progress: Optional[ProgressCallback] = None,
    engine: str = "auto",
) -> SolveResult:
    """Solve a travelling-salesman instance exactly: a shortest closed tour through all cities.

    Give exactly one of:
        distances: a square matrix of whole numbers, a list of lists or a NumPy integer array;
            ``distances[i][j]`` is the distance from city i to city j. Any 32-bit values.
        coordinates: n x 2 numbers (list of pairs or NumPy array); the distance of two cities
            is their Euclidean distance rounded to the nearest whole number (TSPLIB EUC_2D).

    Keyword arguments:
        time_limit: stop after this many seconds with the best tour found (``optimal`` is then
            False). The limit is checked between search nodes.
        progress: called about 20 times a second with a :class:`Progress`; answering False
            stops the search like the time limit. An exception it raises stops the search and
            is raised again from solve.

    Returns a :class:`SolveResult`: ``tour`` (cities numbered from 0), ``length``,
    ``optimal``, ``nodes``, ``seconds``, ``initial_length``, ``lower_bound``, ``status``,
    ``engine``, ``handed_over_after``, ``cuts``, ``lp_seconds``.

        engine: ``"auto"`` (the default: the exact search where it applies, the branch and cut
            beyond it or after 5000 of its nodes), ``"canonical"`` (the exact search),
            ``"tour"`` (local search and the Held-Karp bound, optimal only when the bound meets
            the tour) or ``"cut"`` (the LP-based branch and cut, exact at any size).

    3 to 100000 cities, all of them exactly (a time limit or Ctrl-C ends a run with the best
    tour and a proven lower bound). The search releases the GIL, and Ctrl-C stops it
    (KeyboardInterrupt is raised once the library has returned). An asymmetric matrix is solved
    exactly as a directed tour, measured in the listed direction.

    Raises TypeError or ValueError for input of the wrong type or shape, and a
    :class:`RingmarchError` subclass for what the solver refuses: TooManyCitiesError (more
    than 100000), CityIdOutOfRangeError (fewer than 3), PositionOutOfRangeError (a coordinate
    that is not finite), DistanceOutOfRangeError (tour lengths the exact search could not sum
    in 32 bits).

    >>> solve(coordinates=[(0, 0), (300, 0), (300, 400), (0, 400)]).length
    1400
    """
    with _instance_of(distances, coordinates) as instance:
        return instance.solve(time_limit=time_limit, progress=progress, engine=engine)


def _instance_of(distances: Optional[Matrix], coordinates: Optional[Points]) -> Instance:
    if (distances is None) == (coordinates is None):
        raise TypeError("give exactly one of distances and coordinates")
    if distances is not None:
        return Instance.from_distances(distances)
    return Instance.from_coordinates(coordinates)


def read_tsp(path: PathLike, *, strict: bool = False) -> Instance:
    """Reads a TSPLIB TSP or ATSP file. Tolerant by default: keywords in any order and case,
    every symmetric distance rule, all matrix layouts, TSP and ATSP files of up to 100000 cities
    (beyond 127 solved by the cut engine, see :class:`Instance`). ``strict=True`` reads exactly
    as the component's ReadTspFile (EUC_2D, ATT, or EXPLICIT FULL_MATRIX, UPPER_ROW,
    LOWER_DIAG_ROW; up to 127 cities). A refusal raises the RingmarchError of its code, with
    the file's ``line`` and the ``reason`` as the command line names them."""
    return Instance.read(path, strict=strict)


def write_tsp(path: PathLike, instance: Instance, *, layout: str = "fullmatrix") -> None:
    """Writes an instance as a TSPLIB TSP file: ``"fullmatrix"`` keeps every distance,
    ``"euc2d"`` writes the whole part of the coordinates (refused with ValueError for an
    instance without coordinates). A regular file is written to a temporary file in the same
    folder and renamed over the target once complete, so a failed write leaves the old file
    intact; special files are written directly."""
    if not isinstance(instance, Instance):
        raise TypeError(f"instance must be a ringmarch.Instance, not {type(instance).__name__}")
    # EUC_2D files hold coordinates only: an instance without them would be written as cities
    # all at (0, 0), whose distances are all 0.
    if layout == "euc2d" and not instance.has_coordinates:
        raise ValueError(
            "the instance has no coordinates: euc2d would lose its distances "
            "(use layout='fullmatrix')"
        )
    instance.write_tsp_file(path, layout)
    _name_file_by_stem(path)


def read_tour(path: PathLike, instance: Instance) -> List[int]:
    """Reads a TSPLIB TOUR file of the instance's dimension into the instance (which must hold
    no tour yet) and answers the tour, cities numbered from 0."""
    if not isinstance(instance, Instance):
        raise TypeError(f"instance must be a ringmarch.Instance, not {type(instance).__name__}")
    instance.read_tour_file(path)
    return instance.tour


def write_tour(path: PathLike, instance: Instance) -> None:
    """Writes the instance's tour (after a solve or read_tour) as a TSPLIB TOUR file."""
    if not isinstance(instance, Instance):
        raise TypeError(f"instance must be a ringmarch.Instance, not {type(instance).__name__}")
    instance.write_tour_file(path)
    _name_file_by_stem(path)


def _name_file_by_stem(path: PathLike) -> None:
    """The library writes the path it was given as the file's NAME; a TSPLIB NAME is the
    problem's name, which for a file written from Python is the file's stem. The NAME line is
    put right through a file beside it and a rename, so the file is never seen half written."""
    target = os.fspath(path)
    # Special files (a terminal, a pipe) were written directly and cannot be read back.
    if not stat.S_ISREG(os.stat(target).st_mode):
        return
    with open(target, "rb") as written:
        lines = written.read().split(b"\n")
    stem = os.fsencode(os.path.splitext(os.path.basename(os.fsdecode(target)))[0])
    for i, line in enumerate(lines):
        if line.startswith(b"NAME"):
            lines[i] = b"NAME : " + stem
            break
    else:
        return
    staged = os.fsencode(target) + b".naming"
    with open(staged, "wb") as out:
        out.write(b"\n".join(lines))
    os.chmod(staged, stat.S_IMODE(os.stat(target).st_mode))
    os.replace(staged, os.fsencode(target))


def library_version() -> str:
    """The C library's version (the same as ``ringmarch --version``)."""
    return lib.ringmarch_version().decode()

