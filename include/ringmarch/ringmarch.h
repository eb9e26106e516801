/* The C interface of Ringmarch, the travelling-salesman solver: exact for up to 127 cities, a
 * tour and a lower bound for instances of up to 100000.
 *
 * A ringmarch_solver holds one instance, one tour and a state, and offers the 22 operations of
 * the solver object under C names, one to one: ringmarch_new_tsp is NewTsp, ringmarch_pos_x is
 * PosX, and so on. Cities are numbered from 0. Every function that can fail answers a
 * ringmarch_result: 0 on success, 0x80040300 + code (0x80040301 to 0x8004030F) for the solver's
 * error codes, or one of the RINGMARCH_E_* values below. No C++ exception leaves the library.
 *
 * After a failure, ringmarch_last_error_*() tell the code, the result value and the message of
 * that failure on the calling thread. A solver may be used by one thread at a time; different
 * solvers solve independently on different threads.
 *
 * Link with -lringmarch (pkg-config: ringmarch; CMake: Ringmarch::shared). */
#ifndef RINGMARCH_RINGMARCH_H
#define RINGMARCH_RINGMARCH_H

#include <stdint.h>

#if defined(RINGMARCH_BUILDING_LIBRARY) && defined(__GNUC__)
#define RINGMARCH_API __attribute__((visibility("default")))
#else
#define RINGMARCH_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t ringmarch_result;

#define RINGMARCH_OK 0u
/* A pointer argument that must not be null is null. */
#define RINGMARCH_E_POINTER 0x80004003u
/* An argument outside the solver's error codes is out of its range (a solve option). */
#define RINGMARCH_E_INVALIDARG 0x80070057u
/* An unexpected internal failure (the message tells more). */
#define RINGMARCH_E_UNEXPECTED 0x8000FFFFu

/* The solver's error codes; a failure answers RINGMARCH_RESULT_OF(code). */
enum ringmarch_error_code {
  RINGMARCH_SUCCESS = 0,
  RINGMARCH_FILE_OPEN_FAILED = 1,
  RINGMARCH_FILE_READ_FAILED = 2,
  RINGMARCH_FILE_WRITE_FAILED = 3,
  RINGMARCH_FILE_FORMAT_ERROR = 4,
  RINGMARCH_OUT_OF_MEMORY = 5,
  RINGMARCH_TOO_MANY_CITIES = 6,
  RINGMARCH_CITY_ID_OUT_OF_RANGE = 7,
  RINGMARCH_POSITION_OUT_OF_RANGE = 8,
  RINGMARCH_DISTANCE_OUT_OF_RANGE = 9,
  RINGMARCH_SAME_CITY_DISTANCE_NOT_ZERO = 10,
  RINGMARCH_DISTANCE_NOT_POSITIVE = 11,
  RINGMARCH_DISTANCE_NOT_SYMMETRIC = 12,
  RINGMARCH_INSTANCE_NOT_CREATED = 13,
  RINGMARCH_NOT_SOLVED = 14,
  RINGMARCH_FILE_TYPE_NOT_SUPPORTED = 15
};

#define RINGMARCH_RESULT_OF(code) (0x80040300u + (uint32_t)(code))

/* The layouts of ringmarch_write_tsp_file. */
#define RINGMARCH_EUC2D 1
#define RINGMARCH_FULLMATRIX 2

#define RINGMARCH_MAX_CITIES 127

/* The library's version, "MAJOR.MINOR.PATCH.TWEAK"; the same as `ringmarch --version`. */
RINGMARCH_API const char* ringmarch_version(void);

typedef struct ringmarch_solver ringmarch_solver;

/* A new solver with no instance (*solver stays NULL on failure). */
RINGMARCH_API ringmarch_result ringmarch_create(ringmarch_solver** solver);
/* Frees the solver; NULL is accepted. */
RINGMARCH_API void ringmarch_destroy(ringmarch_solver* solver);

/* The 22 operations. File names are narrow strings handed to the system as they are (UTF-8 on
 * Linux); a NULL name answers RINGMARCH_FILE_OPEN_FAILED. Out values are written on success only,
 * except the length of the solves. */
RINGMARCH_API ringmarch_result ringmarch_new_tsp(ringmarch_solver* solver, int32_t num);
RINGMARCH_API ringmarch_result ringmarch_read_tsp_file(ringmarch_solver* solver,
                                                       const char* filename);
RINGMARCH_API ringmarch_result ringmarch_write_tsp_file(ringmarch_solver* solver,
                                                        const char* filename, int32_t type);
RINGMARCH_API ringmarch_result ringmarch_pos_x(ringmarch_solver* solver, int32_t id, double* value);
RINGMARCH_API ringmarch_result ringmarch_pos_y(ringmarch_solver* solver, int32_t id, double* value);
RINGMARCH_API ringmarch_result ringmarch_set_node_pos(ringmarch_solver* solver, int32_t id,
                                                      int32_t x, int32_t y);
RINGMARCH_API ringmarch_result ringmarch_distance(ringmarch_solver* solver, int32_t from,
                                                  int32_t to, int32_t* value);
RINGMARCH_API ringmarch_result ringmarch_set_distance(ringmarch_solver* solver, int32_t from,
                                                      int32_t to, int32_t distance);
RINGMARCH_API ringmarch_result ringmarch_calc_distance_euc2d(ringmarch_solver* solver);
/* *value := 0 for a valid matrix, otherwise the code of the first fault (10, 11 or 12). */
RINGMARCH_API ringmarch_result ringmarch_check_distance(ringmarch_solver* solver, int32_t* value);
RINGMARCH_API ringmarch_result ringmarch_solve(ringmarch_solver* solver, int32_t* length);
RINGMARCH_API ringmarch_result ringmarch_root_x(ringmarch_solver* solver, int32_t i, double* value);
RINGMARCH_API ringmarch_result ringmarch_root_y(ringmarch_solver* solver, int32_t i, double* value);
RINGMARCH_API ringmarch_result ringmarch_root(ringmarch_solver* solver, int32_t i, int32_t* value);
RINGMARCH_API ringmarch_result ringmarch_length(ringmarch_solver* solver, int32_t* value);
RINGMARCH_API ringmarch_result ringmarch_read_tour_file(ringmarch_solver* solver,
                                                        const char* filename);
RINGMARCH_API ringmarch_result ringmarch_write_tour_file(ringmarch_solver* solver,
                                                         const char* filename);
RINGMARCH_API ringmarch_result ringmarch_num(ringmarch_solver* solver, int32_t* value);
RINGMARCH_API ringmarch_result ringmarch_max_x(ringmarch_solver* solver, double* value);
RINGMARCH_API ringmarch_result ringmarch_max_y(ringmarch_solver* solver, double* value);
RINGMARCH_API ringmarch_result ringmarch_min_x(ringmarch_solver* solver, double* value);
RINGMARCH_API ringmarch_result ringmarch_min_y(ringmarch_solver* solver, double* value);

/* NewTsp with an explicit seed, so that the random instance is reproducible. */
RINGMARCH_API ringmarch_result ringmarch_new_tsp_with_seed(ringmarch_solver* solver, int32_t num,
                                                           uint32_t seed);
/* Replace the instance in one call: count cities (0 to 127) with a row-major count x count
 * matrix of any 32-bit distances, or with count (x, y) pairs (x0, y0, x1, y1, ...) of any finite
 * coordinates whose distances are Euclidean, rounded to the nearest whole number (EUC_2D). A
 * negative count answers RINGMARCH_CITY_ID_OUT_OF_RANGE, a coordinate that is not finite
 * RINGMARCH_POSITION_OUT_OF_RANGE, a distance beyond 32 bits RINGMARCH_DISTANCE_OUT_OF_RANGE;
 * a failure leaves the instance as it was. */
RINGMARCH_API ringmarch_result ringmarch_load_distances(ringmarch_solver* solver, int32_t count,
                                                        const int32_t* distances);
RINGMARCH_API ringmarch_result ringmarch_load_coordinates(ringmarch_solver* solver, int32_t count,
                                                          const double* coordinates);
/* The whole tour after a solve or a tour file read: *count := its number of cities, and the
 * first min(capacity, count) cities into cities (which may be NULL when capacity is 0). */
RINGMARCH_API ringmarch_result ringmarch_tour(ringmarch_solver* solver, int32_t* cities,
                                              int32_t capacity, int32_t* count);

/* What a running solve reports to its progress callback. */
typedef struct ringmarch_progress {
  uint64_t evaluated_nodes; /* search nodes evaluated so far */
  int32_t best_length;      /* length of the best tour found so far */
  double elapsed_seconds;   /* since the solve began */
} ringmarch_progress;

/* Answer RINGMARCH_CONTINUE to let the search go on, RINGMARCH_STOP to end it now with the best
 * tour found so far (then reported as not proven optimal). */
#define RINGMARCH_CONTINUE 0
#define RINGMARCH_STOP 1
typedef int (*ringmarch_progress_callback)(const ringmarch_progress* progress, void* user_data);

typedef struct ringmarch_solve_options {
  /* Stop the search after this many seconds with the best tour found; 0 = no limit. The limit
   * is checked between search nodes, so it is overrun by as long as one node takes. */
  double time_limit_seconds;
  /* Called while the search runs, at most once per progress_interval_seconds (0 = at every
   * check, a few search nodes apart); NULL = no callback. */
  ringmarch_progress_callback progress;
  void* user_data;
  double progress_interval_seconds;
} ringmarch_solve_options;

typedef struct ringmarch_solve_statistics {
  /* 1: the tour is proven shortest; 0: the search was stopped, or the distances are asymmetric
   * beyond what the exact directed solve takes (more than 63 cities, or too widely spread) */
  int32_t optimal;
  int32_t stopped_by;       /* why it was stopped: RINGMARCH_STOPPED_BY_* */
  int32_t initial_length;   /* length of the first tour (nearest neighbour and 2-opt) */
  uint64_t evaluated_nodes; /* search nodes evaluated */
  double seconds;           /* wall time of the whole solve */
  double load_seconds;      /* working copy and distance matrix */
  double initial_tour_seconds;
  double search_seconds;
} ringmarch_solve_statistics;

#define RINGMARCH_STOPPED_BY_NOTHING 0
#define RINGMARCH_STOPPED_BY_TIME_LIMIT 1
#define RINGMARCH_STOPPED_BY_CALLBACK 2

/* No time limit, no callback, an interval of 0.1 s. */
RINGMARCH_API void ringmarch_solve_options_init(ringmarch_solve_options* options);
/* Solve with options (NULL = the defaults) and statistics (may be NULL), through the solve layer
 * with the engine auto: asymmetric matrices of up to 63 cities are solved exactly as directed
 * tours. Answers success also when the time limit or the callback stopped the search, or when the
 * tour is not proven; statistics->optimal is 1 only for a proven tour. A
 * negative or not finite time limit or interval answers RINGMARCH_E_INVALIDARG. *length is
 * written after the solver ran, whether it succeeded or not. */
RINGMARCH_API ringmarch_result ringmarch_solve_with(ringmarch_solver* solver,
                                                    const ringmarch_solve_options* options,
                                                    ringmarch_solve_statistics* statistics,
                                                    int32_t* length);

/* ---- Solves through the solve layer, for instances of any size ----
 *
 * A ringmarch_instance is an instance of 1 to 100000 cities: an explicit matrix (symmetric or
 * not), coordinates with a TSPLIB distance rule, or a TSPLIB file (read in the tolerant mode, of
 * up to 100000 cities, or with strict = 1 exactly as ringmarch_read_tsp_file, up to 127).
 * ringmarch_solve_instance
 * and ringmarch_solve_held solve through the engine the request names: RINGMARCH_ENGINE_AUTO
 * takes the exact search where it applies (symmetric up to 127 cities, asymmetric up to 63),
 * handing an instance it has not finished after 5000 nodes to the cut engine, and the cut engine
 * beyond; status is RINGMARCH_STATUS_OPTIMAL only when the tour is proven shortest in
 * whole-number arithmetic. */
typedef struct ringmarch_instance ringmarch_instance;

#define RINGMARCH_ENGINE_AUTO 0
#define RINGMARCH_ENGINE_CANONICAL 1
#define RINGMARCH_ENGINE_TOUR 2
#define RINGMARCH_ENGINE_CUT 3

#define RINGMARCH_STATUS_OPTIMAL 0
#define RINGMARCH_STATUS_NOT_PROVEN 1

/* Why a solve was stopped before its proof (stop_reason). */
#define RINGMARCH_STOP_NONE 0
#define RINGMARCH_STOP_TIME_LIMIT 1
#define RINGMARCH_STOP_CALLBACK 2
#define RINGMARCH_STOP_INTERRUPTED 3
#define RINGMARCH_STOP_OUT_OF_MEMORY 4

/* count x count distances, row-major (count 1 to 100000). */
RINGMARCH_API ringmarch_result ringmarch_instance_from_matrix(int32_t count,
                                                              const int32_t* distances,
                                                              ringmarch_instance** instance);
/* count cities with a TSPLIB rule ("EUC_2D", "CEIL_2D", "ATT", "GEO", "MAN_2D", "MAX_2D",
 * "EUC_3D", "MAN_3D", "MAX_3D"): coordinates holds 2 (3 for the 3-D rules) numbers a city. */
RINGMARCH_API ringmarch_result ringmarch_instance_from_coordinates(int32_t count, const char* rule,
                                                                   const double* coordinates,
                                                                   ringmarch_instance** instance);
/* A TSP or ATSP file: coordinate files become coordinate instances (no n x n matrix is held),
 * matrices matrix instances. A refusal answers the reader's code (RINGMARCH_FILE_OPEN_FAILED,
 * _FILE_READ_FAILED, _FILE_FORMAT_ERROR, _TOO_MANY_CITIES) with the file's line and the reason in
 * ringmarch_last_error_line and ringmarch_last_error_reason; *instance stays NULL then. */
RINGMARCH_API ringmarch_result ringmarch_instance_read_tsp_file(const char* filename,
                                                                int32_t strict,
                                                                ringmarch_instance** instance);
/* ringmarch_read_tsp_file in the tolerant mode (keywords in any order and case, every symmetric
 * distance rule, all matrix layouts, ATSP files up to 63 cities); the same codes and limit of
 * 127 cities, the reason of a refusal in ringmarch_last_error_gloss. */
RINGMARCH_API ringmarch_result ringmarch_read_tsp_file_tolerant(ringmarch_solver* solver,
                                                                const char* filename);
/* *value := 1 when the solver's instance has coordinates (from a file, the generator or
 * ringmarch_load_coordinates), 0 when it has only distances. */
RINGMARCH_API ringmarch_result ringmarch_has_coordinates(ringmarch_solver* solver, int32_t* value);
/* Frees the instance; NULL is accepted. */
RINGMARCH_API void ringmarch_instance_destroy(ringmarch_instance* instance);
RINGMARCH_API ringmarch_result ringmarch_instance_cities(const ringmarch_instance* instance,
                                                         int32_t* count);
/* The distance from one city to another (0-based); RINGMARCH_CITY_ID_OUT_OF_RANGE outside. */
RINGMARCH_API ringmarch_result ringmarch_instance_distance(const ringmarch_instance* instance,
                                                           int32_t from, int32_t to,
                                                           int32_t* value);
/* *value := 1 when the instance has coordinates to draw (a coordinate rule, or display data). */
RINGMARCH_API ringmarch_result
ringmarch_instance_has_coordinates(const ringmarch_instance* instance, int32_t* value);
/* Replaces the solver's instance by the instance (1 to 127 cities, else
 * RINGMARCH_TOO_MANY_CITIES), as a file read does: its distances, coordinates and start city. */
RINGMARCH_API ringmarch_result ringmarch_load_instance(ringmarch_solver* solver,
                                                       const ringmarch_instance* instance);

typedef struct ringmarch_solve_request {
  int32_t engine;                       /* RINGMARCH_ENGINE_* */
  double time_limit_seconds;            /* 0 = no limit */
  ringmarch_progress_callback progress; /* as in ringmarch_solve_options; NULL = none */
  void* user_data;
  double progress_interval_seconds;
} ringmarch_solve_request;

/* The outcome of a solve. tour is allocated by the library: free it with
 * ringmarch_solution_free. */
typedef struct ringmarch_solution {
  int32_t status;          /* RINGMARCH_STATUS_* */
  int32_t stop_reason;     /* RINGMARCH_STOP_*: why a NOT_PROVEN solve stopped, or NONE */
  int32_t engine;          /* the engine that ran, RINGMARCH_ENGINE_CANONICAL, _TOUR or _CUT */
  int32_t asymmetric;      /* 1: the distances are not symmetric (a directed tour) */
  int32_t cities;          /* entries of tour */
  int32_t* tour;           /* 0-based, every city once */
  int64_t length;          /* of the tour, in the listed direction */
  int32_t has_lower_bound; /* 1: lower_bound holds a proven bound on every tour */
  int64_t lower_bound;     /* == length when OPTIMAL */
  char reason[256];        /* NOT_PROVEN without a stop: why the engine cannot prove it */
  uint64_t nodes;          /* search nodes evaluated (canonical, cut), kicks (tour) */
  int64_t initial_length;
  int64_t improved_length;
  double seconds; /* wall time of the whole solve */
  double load_seconds;
  double initial_tour_seconds;
  double search_seconds;
} ringmarch_solution;

/* Engine auto, no time limit, no callback, an interval of 0.1 s. */
RINGMARCH_API void ringmarch_solve_request_init(ringmarch_solve_request* request);
/* Solves the instance (request NULL = the defaults). A refusal (fewer than 3 cities, more than an
 * engine takes, tour lengths that cannot be summed) answers its code, with the reason in
 * ringmarch_last_error_gloss; solution is then left empty. */
RINGMARCH_API ringmarch_result ringmarch_solve_instance(const ringmarch_instance* instance,
                                                        const ringmarch_solve_request* request,
                                                        ringmarch_solution* solution);
/* The same for the solver's own instance; the solver then holds the tour (ringmarch_tour,
 * ringmarch_write_tour_file) as after ringmarch_solve. */
RINGMARCH_API ringmarch_result ringmarch_solve_held(ringmarch_solver* solver,
                                                    const ringmarch_solve_request* request,
                                                    ringmarch_solution* solution);
/* Frees the solution's tour and empties it; NULL is accepted. */
RINGMARCH_API void ringmarch_solution_free(ringmarch_solution* solution);

/* What the cut engine did, beside a solution (all 0 for the other engines). */
typedef struct ringmarch_engine_statistics {
  uint64_t handed_over_after; /* auto: canonical nodes before the cut engine took over, or 0 */
  uint64_t lp_iterations;     /* simplex iterations, strong branching's included */
  double lp_seconds;          /* time in the LP solver */
  uint64_t cut_rounds;        /* rounds of cut finding */
  uint64_t subtour_cuts;      /* cuts found, per family */
  uint64_t blossom_cuts;
  uint64_t comb_cuts;
  uint64_t pool_cuts;        /* pooled cuts put back into the LP */
  uint64_t priced_edges;     /* edges the pricing added to the LP */
  uint64_t eliminated_edges; /* edges reduced-cost fixing removed for good */
  int64_t root_bound;        /* the root's proven bound */
} ringmarch_engine_statistics;

/* ringmarch_solve_instance and ringmarch_solve_held with the engine's statistics as well
 * (statistics NULL: none asked for). */
RINGMARCH_API ringmarch_result ringmarch_solve_instance_with_statistics(
    const ringmarch_instance* instance, const ringmarch_solve_request* request,
    ringmarch_solution* solution, ringmarch_engine_statistics* statistics);
RINGMARCH_API ringmarch_result ringmarch_solve_held_with_statistics(
    ringmarch_solver* solver, const ringmarch_solve_request* request, ringmarch_solution* solution,
    ringmarch_engine_statistics* statistics);

/* The last failure on the calling thread: its code (1 to 15; 0 for the RINGMARCH_E_* results and
 * when nothing failed), its result value (0 when nothing failed), its message as UTF-8 (the
 * solver's own Japanese text for the codes) and an English gloss. The strings stay valid until
 * the next failure on the thread. Successful calls leave the record as it is. */
RINGMARCH_API int32_t ringmarch_last_error_code(void);
RINGMARCH_API ringmarch_result ringmarch_last_error_result(void);
RINGMARCH_API const char* ringmarch_last_error_message(void);
RINGMARCH_API const char* ringmarch_last_error_gloss(void);
/* The reason of a refusal alone (a reader's or a solve's), in English ("" when the failure has
 * none), and the 1-based line of the file it concerns (0 when none); the gloss then ends in
 * ": line N: reason" (": reason" without a line). */
RINGMARCH_API const char* ringmarch_last_error_reason(void);
RINGMARCH_API int32_t ringmarch_last_error_line(void);
RINGMARCH_API void ringmarch_clear_last_error(void);

/* The texts of a code: its name ("FileOpenFailed"), its UTF-8 message and its English gloss.
 * For 0 the name is "Success", outside 0 to 15 "Unknown"; message and gloss are then "".
 * Static strings. */
RINGMARCH_API const char* ringmarch_error_name(int32_t code);
RINGMARCH_API const char* ringmarch_error_message(int32_t code);
RINGMARCH_API const char* ringmarch_error_gloss(int32_t code);

#ifdef __cplusplus
}
#endif

#endif /* RINGMARCH_RINGMARCH_H */
