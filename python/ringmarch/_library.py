"""Loading libringmarch.so and declaring the C functions the module calls.

The library is found, in this order: the file named by the environment variable
RINGMARCH_LIBRARY; the copy a wheel carries beside this file; ``libringmarch.so.MAJOR``
through the system's loader (a Debian package, or an install prefix that ``ldconfig`` knows);
the same file under /usr/local/lib and /usr/lib.
"""

from __future__ import annotations

import ctypes
import os
from importlib import metadata

_result = ctypes.c_uint32
_solver_p = ctypes.c_void_p
_instance_p = ctypes.c_void_p
_i32 = ctypes.c_int32
_i32_p = ctypes.POINTER(ctypes.c_int32)
_double_p = ctypes.POINTER(ctypes.c_double)


class Progress(ctypes.Structure):
    _fields_ = [
        ("evaluated_nodes", ctypes.c_uint64),
        ("best_length", ctypes.c_int32),
        ("elapsed_seconds", ctypes.c_double),
    ]


PROGRESS_CALLBACK = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.POINTER(Progress), ctypes.c_void_p)


class SolveOptions(ctypes.Structure):
    _fields_ = [
        ("time_limit_seconds", ctypes.c_double),
        ("progress", PROGRESS_CALLBACK),
        ("user_data", ctypes.c_void_p),
        ("progress_interval_seconds", ctypes.c_double),
    ]


class SolveStatistics(ctypes.Structure):
    _fields_ = [
        ("optimal", ctypes.c_int32),
        ("stopped_by", ctypes.c_int32),
        ("initial_length", ctypes.c_int32),
        ("evaluated_nodes", ctypes.c_uint64),
        ("seconds", ctypes.c_double),
        ("load_seconds", ctypes.c_double),
        ("initial_tour_seconds", ctypes.c_double),
        ("search_seconds", ctypes.c_double),
    ]


class SolveRequest(ctypes.Structure):
    _fields_ = [
        ("engine", ctypes.c_int32),
        ("time_limit_seconds", ctypes.c_double),
        ("progress", PROGRESS_CALLBACK),
        ("user_data", ctypes.c_void_p),
        ("progress_interval_seconds", ctypes.c_double),
    ]


class Solution(ctypes.Structure):
    _fields_ = [
        ("status", ctypes.c_int32),
        ("stop_reason", ctypes.c_int32),
        ("engine", ctypes.c_int32),
        ("asymmetric", ctypes.c_int32),
        ("cities", ctypes.c_int32),
        ("tour", ctypes.POINTER(ctypes.c_int32)),
        ("length", ctypes.c_int64),
        ("has_lower_bound", ctypes.c_int32),
        ("lower_bound", ctypes.c_int64),
        ("reason", ctypes.c_char * 256),
        ("nodes", ctypes.c_uint64),
        ("initial_length", ctypes.c_int64),
        ("improved_length", ctypes.c_int64),
        ("seconds", ctypes.c_double),
        ("load_seconds", ctypes.c_double),
        ("initial_tour_seconds", ctypes.c_double),
        ("search_seconds", ctypes.c_double),
    ]


class EngineStatistics(ctypes.Structure):
    _fields_ = [
        ("handed_over_after", ctypes.c_uint64),
        ("lp_iterations", ctypes.c_uint64),
        ("lp_seconds", ctypes.c_double),
        ("cut_rounds", ctypes.c_uint64),
        ("subtour_cuts", ctypes.c_uint64),
        ("blossom_cuts", ctypes.c_uint64),
        ("comb_cuts", ctypes.c_uint64),
        ("pool_cuts", ctypes.c_uint64),
        ("priced_edges", ctypes.c_uint64),
        ("eliminated_edges", ctypes.c_uint64),
        ("root_bound", ctypes.c_int64),
    ]


ENGINES = {"auto": 0, "canonical": 1, "tour": 2, "cut": 3}
ENGINE_NAMES = {1: "canonical", 2: "tour", 3: "cut"}
STATUS_OPTIMAL = 0

CONTINUE = 0
STOP = 1
STOPPED_BY_TIME_LIMIT = 1
STOPPED_BY_CALLBACK = 2

# Argument types of every function the module uses; each answers a result value.
_OPERATIONS = {
    "ringmarch_create": [ctypes.POINTER(_solver_p)],
    "ringmarch_new_tsp": [_solver_p, _i32],
    "ringmarch_new_tsp_with_seed": [_solver_p, _i32, ctypes.c_uint32],
    "ringmarch_read_tsp_file": [_solver_p, ctypes.c_char_p],
    "ringmarch_write_tsp_file": [_solver_p, ctypes.c_char_p, _i32],
    "ringmarch_pos_x": [_solver_p, _i32, _double_p],
    "ringmarch_pos_y": [_solver_p, _i32, _double_p],
    "ringmarch_set_node_pos": [_solver_p, _i32, _i32, _i32],
    "ringmarch_distance": [_solver_p, _i32, _i32, _i32_p],
    "ringmarch_set_distance": [_solver_p, _i32, _i32, _i32],
    "ringmarch_calc_distance_euc2d": [_solver_p],
    "ringmarch_check_distance": [_solver_p, _i32_p],
    "ringmarch_solve": [_solver_p, _i32_p],
    "ringmarch_root_x": [_solver_p, _i32, _double_p],
    "ringmarch_root_y": [_solver_p, _i32, _double_p],
    "ringmarch_root": [_solver_p, _i32, _i32_p],
    "ringmarch_length": [_solver_p, _i32_p],
    "ringmarch_read_tour_file": [_solver_p, ctypes.c_char_p],
    "ringmarch_write_tour_file": [_solver_p, ctypes.c_char_p],
    "ringmarch_num": [_solver_p, _i32_p],
    "ringmarch_max_x": [_solver_p, _double_p],
    "ringmarch_max_y": [_solver_p, _double_p],
    "ringmarch_min_x": [_solver_p, _double_p],
    "ringmarch_min_y": [_solver_p, _double_p],
    "ringmarch_load_distances": [_solver_p, _i32, ctypes.c_void_p],
    "ringmarch_load_coordinates": [_solver_p, _i32, ctypes.c_void_p],
    "ringmarch_tour": [_solver_p, _i32_p, _i32, _i32_p],
    "ringmarch_solve_with": [
        _solver_p,
        ctypes.POINTER(SolveOptions),
        ctypes.POINTER(SolveStatistics),
        _i32_p,
    ],
    "ringmarch_solve_held": [
        _solver_p,
        ctypes.POINTER(SolveRequest),
        ctypes.POINTER(Solution),
    ],
    "ringmarch_solve_held_with_statistics": [
        _solver_p,
        ctypes.POINTER(SolveRequest),
        ctypes.POINTER(Solution),
        ctypes.POINTER(EngineStatistics),
    ],
    "ringmarch_read_tsp_file_tolerant": [_solver_p, ctypes.c_char_p],
    "ringmarch_has_coordinates": [_solver_p, _i32_p],
    "ringmarch_last_error_result": [],
    # The library's any-size instances.
    "ringmarch_instance_read_tsp_file": [ctypes.c_char_p, _i32, ctypes.POINTER(_instance_p)],
    "ringmarch_instance_from_matrix": [_i32, ctypes.c_void_p, ctypes.POINTER(_instance_p)],
    "ringmarch_instance_from_coordinates": [
        _i32,
        ctypes.c_char_p,
        ctypes.c_void_p,
        ctypes.POINTER(_instance_p),
    ],
    "ringmarch_instance_cities": [_instance_p, _i32_p],
    "ringmarch_instance_distance": [_instance_p, _i32, _i32, _i32_p],
    "ringmarch_instance_has_coordinates": [_instance_p, _i32_p],
    "ringmarch_load_instance": [_solver_p, _instance_p],
    "ringmarch_solve_instance": [
        _instance_p,
        ctypes.POINTER(SolveRequest),
        ctypes.POINTER(Solution),
    ],
    "ringmarch_solve_instance_with_statistics": [
        _instance_p,
        ctypes.POINTER(SolveRequest),
        ctypes.POINTER(Solution),
        ctypes.POINTER(EngineStatistics),
    ],
}

_TEXTS = {
    "ringmarch_version": [],
    "ringmarch_last_error_message": [],
    "ringmarch_last_error_gloss": [],
    "ringmarch_last_error_reason": [],
    "ringmarch_error_name": [_i32],
    "ringmarch_error_message": [_i32],
    "ringmarch_error_gloss": [_i32],
}


def _package_major() -> str | None:
    try:
        return metadata.version("ringmarch").split(".")[0]
    except metadata.PackageNotFoundError:
        return None


def _candidates() -> list[str]:
    explicit = os.environ.get("RINGMARCH_LIBRARY")
    if explicit:
        return [explicit]
    bundled = os.path.join(os.path.dirname(os.path.abspath(__file__)), "libringmarch.so")
    major = _package_major()
    name = f"libringmarch.so.{major}" if major else "libringmarch.so"
    system = [name] + [os.path.join(folder, name) for folder in ("/usr/local/lib", "/usr/lib")]
    return ([bundled] if os.path.exists(bundled) else []) + system


def _declare(library: ctypes.CDLL) -> ctypes.CDLL:
    for function, arguments in _OPERATIONS.items():
        entry = getattr(library, function)
        entry.argtypes = arguments
        entry.restype = _result
    for function, arguments in _TEXTS.items():
        entry = getattr(library, function)
        entry.argtypes = arguments
        entry.restype = ctypes.c_char_p
    library.ringmarch_last_error_code.argtypes = []
    library.ringmarch_last_error_code.restype = _i32
    library.ringmarch_last_error_line.argtypes = []
    library.ringmarch_last_error_line.restype = _i32
    library.ringmarch_instance_destroy.argtypes = [_instance_p]
    library.ringmarch_instance_destroy.restype = None
    library.ringmarch_destroy.argtypes = [_solver_p]
    library.ringmarch_destroy.restype = None
    library.ringmarch_solve_request_init.argtypes = [ctypes.POINTER(SolveRequest)]
    library.ringmarch_solve_request_init.restype = None
    library.ringmarch_solution_free.argtypes = [ctypes.POINTER(Solution)]
    library.ringmarch_solution_free.restype = None
    return library


def load() -> ctypes.CDLL:
    """The C library with its functions declared; ImportError when it cannot be found."""
    tried = []
    for candidate in _candidates():
        try:
            library = ctypes.CDLL(candidate)
        except OSError as error:
            tried.append(f"{candidate}: {error}")
            continue
        _declare(library)
        major = _package_major()
        version = library.ringmarch_version().decode()
        if major is not None and version.split(".")[0] != major:
            tried.append(f"{candidate}: version {version}, the module needs {major}.x")
            continue
        return library
    raise ImportError(
        "ringmarch: libringmarch.so was not found (install the Debian package or run "
        "`cmake --install` and `ldconfig`, or set RINGMARCH_LIBRARY); tried "
        + "; ".join(tried)
    )


lib = load()
