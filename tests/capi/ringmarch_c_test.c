/* The C interface used from C: state and argument checks with their exact result values, the
 * thread's last error, the array loaders, whole solves against brute force, solve options, and
 * the file operations.
 * Usage: ringmarch_c_test DATA_DIR SCRATCH_DIR EXPECTED_VERSION */
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "ringmarch/ringmarch.h"

static int failures = 0;

#define CHECK(condition)                                                            \
  do {                                                                              \
    if (!(condition)) {                                                             \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                                   \
    }                                                                               \
  } while (0)

#define CHECK_RESULT(expected, call)                                                             \
  do {                                                                                           \
    const ringmarch_result got_ = (call);                                                        \
    if (got_ != (ringmarch_result)(expected)) {                                                  \
      fprintf(stderr, "%s:%d: %s answered 0x%08X, expected 0x%08X\n", __FILE__, __LINE__, #call, \
              (unsigned)got_, (unsigned)(expected));                                             \
      ++failures;                                                                                \
    }                                                                                            \
  } while (0)

static const char* data_dir;
static const char* scratch_dir;

static ringmarch_solver* new_solver(void) {
  ringmarch_solver* solver = NULL;
  if (ringmarch_create(&solver) != RINGMARCH_OK || solver == NULL) {
    fprintf(stderr, "ringmarch_create failed\n");
    exit(2);
  }
  return solver;
}

static void path_in(char* buffer, size_t size, const char* dir, const char* name) {
  snprintf(buffer, size, "%s/%s", dir, name);
}

/* Every operation on a solver without an instance: 13, or 14 for the tour operations. */
static void test_new_solver_states(void) {
  ringmarch_solver* s = new_solver();
  double d = 0;
  int32_t v = 0;
  const ringmarch_result not_created = RINGMARCH_RESULT_OF(RINGMARCH_INSTANCE_NOT_CREATED);
  const ringmarch_result not_solved = RINGMARCH_RESULT_OF(RINGMARCH_NOT_SOLVED);
  CHECK_RESULT(not_created, ringmarch_write_tsp_file(s, "x.tsp", RINGMARCH_EUC2D));
  CHECK_RESULT(not_created, ringmarch_pos_x(s, 0, &d));
  CHECK_RESULT(not_created, ringmarch_pos_y(s, 0, &d));
  CHECK_RESULT(not_created, ringmarch_set_node_pos(s, 0, 1, 1));
  CHECK_RESULT(not_created, ringmarch_distance(s, 0, 0, &v));
  CHECK_RESULT(not_created, ringmarch_set_distance(s, 0, 0, 1));
  CHECK_RESULT(not_created, ringmarch_calc_distance_euc2d(s));
  CHECK_RESULT(not_created, ringmarch_check_distance(s, &v));
  CHECK_RESULT(not_created, ringmarch_solve(s, &v));
  CHECK_RESULT(not_created, ringmarch_read_tour_file(s, "x.tour"));
  CHECK_RESULT(not_created, ringmarch_num(s, &v));
  CHECK_RESULT(not_created, ringmarch_max_x(s, &d));
  CHECK_RESULT(not_created, ringmarch_max_y(s, &d));
  CHECK_RESULT(not_created, ringmarch_min_x(s, &d));
  CHECK_RESULT(not_created, ringmarch_min_y(s, &d));
  CHECK_RESULT(not_solved, ringmarch_root_x(s, 0, &d));
  CHECK_RESULT(not_solved, ringmarch_root_y(s, 0, &d));
  CHECK_RESULT(not_solved, ringmarch_root(s, 0, &v));
  CHECK_RESULT(not_solved, ringmarch_length(s, &v));
  CHECK_RESULT(not_solved, ringmarch_write_tour_file(s, "x.tour"));
  CHECK_RESULT(not_solved, ringmarch_tour(s, NULL, 0, &v));
  ringmarch_destroy(s);
}

/* The thread's last failure: code, result value, UTF-8 message and gloss; success keeps it. */
static void test_last_error(void) {
  ringmarch_solver* s = new_solver();
  int32_t v = 0;
  ringmarch_clear_last_error();
  CHECK(ringmarch_last_error_code() == 0);
  CHECK(ringmarch_last_error_result() == RINGMARCH_OK);
  CHECK(strcmp(ringmarch_last_error_message(), "") == 0);

  CHECK_RESULT(0x80040306u, ringmarch_new_tsp(s, 128));
  CHECK(ringmarch_last_error_code() == RINGMARCH_TOO_MANY_CITIES);
  CHECK(ringmarch_last_error_result() == 0x80040306u);
  CHECK(strcmp(ringmarch_last_error_message(),
               "\xE6\x9C\x80\xE5\xA4\xA7\xE9\x83\xBD\xE5\xB8\x82\xE6\x95\xB0\xE3\x82\x92"
               "\xE8\xB6\x85\xE3\x81\x88\xE3\x81\xA6\xE3\x81\x84\xE3\x81\xBE\xE3\x81\x99"
               "\xE3\x80\x82") == 0); /* 最大都市数を超えています。 */
  CHECK(strcmp(ringmarch_last_error_gloss(),
               "more cities than it takes (127 for the solver object, 100000 for an instance)") ==
        0);

  CHECK_RESULT(RINGMARCH_OK, ringmarch_new_tsp_with_seed(s, 5, 3));
  CHECK(ringmarch_last_error_code() == RINGMARCH_TOO_MANY_CITIES);

  CHECK_RESULT(RINGMARCH_E_POINTER, ringmarch_num(NULL, &v));
  CHECK(ringmarch_last_error_code() == 0);
  CHECK(ringmarch_last_error_result() == RINGMARCH_E_POINTER);
  CHECK(strcmp(ringmarch_last_error_gloss(), "a required pointer argument is null") == 0);
  CHECK_RESULT(RINGMARCH_E_POINTER, ringmarch_num(s, NULL));
  CHECK_RESULT(RINGMARCH_E_POINTER, ringmarch_create(NULL));

  CHECK(strcmp(ringmarch_error_name(6), "TooManyCities") == 0);
  CHECK(strcmp(ringmarch_error_name(0), "Success") == 0);
  CHECK(strcmp(ringmarch_error_name(16), "Unknown") == 0);
  CHECK(strcmp(ringmarch_error_name(-1), "Unknown") == 0);
  CHECK(strcmp(ringmarch_error_message(0), "") == 0);
  CHECK(strcmp(ringmarch_error_message(16), "") == 0);
  CHECK(strcmp(ringmarch_error_gloss(16), "") == 0);
  CHECK(strcmp(ringmarch_error_message(13),
               "TSP\xE3\x81\x8C\xE6\x9C\xAA\xE4\xBD\x9C\xE6\x88\x90"
               "\xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82") == 0);
  for (int32_t code = 1; code <= 15; ++code) {
    CHECK(strlen(ringmarch_error_message(code)) > 0);
    CHECK(strlen(ringmarch_error_gloss(code)) > 0);
  }
  ringmarch_destroy(s);
}

/* The 4-city square of the README: 300 x 400, tour length 1400. */
static void test_square_by_operations(void) {
  ringmarch_solver* s = new_solver();
  int32_t v = 0;
  double d = 0;
  CHECK_RESULT(RINGMARCH_OK, ringmarch_new_tsp(s, 4));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_set_node_pos(s, 0, 0, 0));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_set_node_pos(s, 1, 300, 0));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_set_node_pos(s, 2, 300, 400));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_set_node_pos(s, 3, 0, 400));
  CHECK_RESULT(0x80040307u, ringmarch_set_node_pos(s, 4, 10000, 0));
  CHECK_RESULT(0x80040308u, ringmarch_set_node_pos(s, 0, 10000, 0));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_calc_distance_euc2d(s));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_distance(s, 0, 2, &v));
  CHECK(v == 500);
  CHECK_RESULT(RINGMARCH_OK, ringmarch_check_distance(s, &v));
  CHECK(v == 0);
  CHECK_RESULT(RINGMARCH_OK, ringmarch_solve(s, &v));
  CHECK(v == 1400);
  CHECK_RESULT(RINGMARCH_OK, ringmarch_length(s, &v));
  CHECK(v == 1400);
  int32_t tour[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
  int32_t count = 0;
  CHECK_RESULT(RINGMARCH_OK, ringmarch_tour(s, tour, 8, &count));
  CHECK(count == 4);
  for (int32_t i = 0; i < 4; ++i) {
    CHECK_RESULT(RINGMARCH_OK, ringmarch_root(s, i, &v));
    CHECK(v == tour[i]);
  }
  CHECK(tour[4] == -1);
  CHECK_RESULT(RINGMARCH_OK, ringmarch_root_x(s, 3, &d));
  CHECK_RESULT(0x80040307u, ringmarch_root(s, 4, &v));
  /* The bounds only widen: they still hold the generated cities' coordinates. */
  CHECK_RESULT(RINGMARCH_OK, ringmarch_max_y(s, &d));
  CHECK(d >= 400.0);
  /* A short buffer receives what fits; the count is the whole tour's. */
  CHECK_RESULT(RINGMARCH_OK, ringmarch_tour(s, tour, 2, &count));
  CHECK(count == 4);
  CHECK_RESULT(RINGMARCH_E_POINTER, ringmarch_tour(s, NULL, 2, &count));
  CHECK_RESULT(RINGMARCH_E_POINTER, ringmarch_tour(s, tour, 2, NULL));
  /* A distance change drops the tour. */
  CHECK_RESULT(RINGMARCH_OK, ringmarch_set_distance(s, 0, 1, 14141));
  CHECK_RESULT(0x80040309u, ringmarch_set_distance(s, 0, 1, 14142));
  CHECK_RESULT(0x8004030Eu, ringmarch_length(s, &v));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_check_distance(s, &v));
  CHECK(v == RINGMARCH_DISTANCE_NOT_SYMMETRIC);
  ringmarch_destroy(s);
}

/* The shortest tour of a small matrix by trying every permutation with city 0 first. */
static int32_t brute_force_length(int32_t n, const int32_t* d) {
  int32_t perm[10];
  int64_t best = 0;
  int found = 0; /* lengths may be negative: no length can mark "none yet" */
  for (int32_t i = 0; i < n; ++i) perm[i] = i;
  for (;;) {
    int64_t length = 0;
    for (int32_t i = 0; i < n; ++i) length += d[perm[i] * n + perm[(i + 1) % n]];
    if (!found || length < best) best = length;
    found = 1;
    /* next permutation of perm[1..n-1] */
    int32_t k = n - 2;
    while (k >= 1 && perm[k] > perm[k + 1]) --k;
    if (k < 1) break;
    int32_t l = n - 1;
    while (perm[l] < perm[k]) --l;
    int32_t t = perm[k];
    perm[k] = perm[l];
    perm[l] = t;
    for (int32_t a = k + 1, b = n - 1; a < b; ++a, --b) {
      t = perm[a];
      perm[a] = perm[b];
      perm[b] = t;
    }
  }
  return (int32_t)best;
}

static int32_t tour_length_of(ringmarch_solver* s, int32_t n, const int32_t* d) {
  int32_t tour[RINGMARCH_MAX_CITIES];
  int32_t count = 0;
  int seen[RINGMARCH_MAX_CITIES] = {0};
  if (ringmarch_tour(s, tour, RINGMARCH_MAX_CITIES, &count) != RINGMARCH_OK || count != n) {
    return -1;
  }
  int64_t length = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (tour[i] < 0 || tour[i] >= n || seen[tour[i]]) return -1;
    seen[tour[i]] = 1;
    length += d[tour[i] * n + tour[(i + 1) % n]];
  }
  return (int32_t)length;
}

/* Random symmetric matrices, with distances beyond what SetDistance admits, against brute force. */
static void test_load_distances_against_brute_force(void) {
  ringmarch_solver* s = new_solver();
  srand(12345);
  for (int round = 0; round < 30; ++round) {
    const int32_t n = 3 + round % 7;
    int32_t d[10 * 10];
    for (int32_t i = 0; i < n; ++i) {
      d[i * n + i] = 0;
      for (int32_t j = i + 1; j < n; ++j) {
        d[i * n + j] = d[j * n + i] = 1 + rand() % (round % 2 ? 1000000 : 20);
      }
    }
    int32_t length = 0;
    CHECK_RESULT(RINGMARCH_OK, ringmarch_load_distances(s, n, d));
    CHECK_RESULT(RINGMARCH_OK, ringmarch_solve(s, &length));
    const int32_t expected = brute_force_length(n, d);
    if (length != expected) fprintf(stderr, "round %d: %d != %d\n", round, length, expected);
    CHECK(length == expected);
    CHECK(tour_length_of(s, n, d) == expected);
  }
  ringmarch_destroy(s);
}

/* Solves with statistics; the length and whether it is claimed optimal. */
static int32_t solve_claiming(ringmarch_solver* s, int32_t* optimal) {
  ringmarch_solve_statistics statistics;
  int32_t length = 0;
  statistics.optimal = -1;
  CHECK_RESULT(RINGMARCH_OK, ringmarch_solve_with(s, NULL, &statistics, &length));
  *optimal = statistics.optimal;
  return length;
}

/* Asymmetric matrices: the shortest directed tour, proven, against brute force; beyond the exact
 * search's reach (63 cities) the branch and cut proves it; beyond the exact search's range, a
 * valid tour measured in its listed direction that is not claimed optimal. */
static void test_asymmetric_against_brute_force(void) {
  ringmarch_solver* s = new_solver();
  srand(4242);
  for (int round = 0; round < 50; ++round) {
    const int32_t n = 4 + round % 6;
    int32_t d[10 * 10];
    for (int32_t i = 0; i < n; ++i) {
      for (int32_t j = 0; j < n; ++j) {
        /* Every fifth matrix has negative distances too. */
        d[i * n + j] = i == j ? 0 : (round % 5 == 4 ? rand() % 101 - 50 : 1 + rand() % 100);
      }
    }
    d[0 * n + 1] = d[1 * n + 0] + 1; /* asymmetric for certain */
    CHECK_RESULT(RINGMARCH_OK, ringmarch_load_distances(s, n, d));
    int32_t optimal = 0;
    const int32_t length = solve_claiming(s, &optimal);
    const int32_t expected = brute_force_length(n, d);
    if (length != expected)
      fprintf(stderr, "asymmetric round %d: %d != %d\n", round, length, expected);
    CHECK(length == expected);
    CHECK(optimal == 1);
    CHECK(tour_length_of(s, n, d) == expected);
  }

  /* 70 cities: beyond the exact search, proven by the branch and cut. */
  static int32_t wide[70 * 70];
  for (int32_t i = 0; i < 70; ++i) {
    for (int32_t j = 0; j < 70; ++j) wide[i * 70 + j] = i == j ? 0 : 1 + (i * 37 + j * 11) % 97;
  }
  CHECK_RESULT(RINGMARCH_OK, ringmarch_load_distances(s, 70, wide));
  int32_t optimal = -1;
  int32_t length = solve_claiming(s, &optimal);
  CHECK(optimal == 1);
  CHECK(tour_length_of(s, 70, wide) == length);

  /* Four cities up to 5 * 10^8 apart: tours fit 32 bits, the symmetric form's do not. */
  const int32_t spread[16] = {0,         500000000, 1, 2, 3, 0, 500000000, 4,
                              500000000, 5,         0, 6, 7, 8, 500000000, 0};
  CHECK_RESULT(RINGMARCH_OK, ringmarch_load_distances(s, 4, spread));
  length = solve_claiming(s, &optimal);
  CHECK(optimal == 0);
  CHECK(tour_length_of(s, 4, spread) == length);
  ringmarch_destroy(s);
}

/* Distances whose tours leave the 32-bit range are refused, never wrapped and called optimal. */
static void test_lengths_beyond_32_bits(void) {
  ringmarch_solver* s = new_solver();
  const int32_t negative[9] = {
      0, -1000000000, -1000000000, -1000000000, 0, -1000000000, -1000000000, -1000000000, 0};
  int32_t smallest[25];
  for (int i = 0; i < 25; ++i) smallest[i] = i % 6 == 0 ? 0 : INT32_MIN;
  ringmarch_solve_statistics statistics;
  int32_t length = 0;
  CHECK_RESULT(RINGMARCH_OK, ringmarch_load_distances(s, 3, negative));
  statistics.optimal = -1;
  CHECK_RESULT(0x80040309u, ringmarch_solve_with(s, NULL, &statistics, &length));
  CHECK(statistics.optimal == 0);
  CHECK_RESULT(0x80040309u, ringmarch_solve(s, &length));
  CHECK_RESULT(RINGMARCH_RESULT_OF(RINGMARCH_NOT_SOLVED), ringmarch_length(s, &length));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_load_distances(s, 5, smallest));
  CHECK_RESULT(0x80040309u, ringmarch_solve_with(s, NULL, &statistics, &length));
  CHECK(statistics.optimal == 0);
  ringmarch_destroy(s);
}

/* Refusals of the loaders, each leaving the instance that was held. */
static void test_load_refusals(void) {
  ringmarch_solver* s = new_solver();
  int32_t v = 0;
  double d = 0;
  int32_t matrix[4] = {0, 7, 7, 0};
  double big[4] = {0.0, 0.0, 1e300, 0.0};
  double nan_xy[4] = {0.0, 0.0, NAN, 1.0};
  double inf_xy[4] = {INFINITY, 0.0, 1.0, 1.0};
  CHECK_RESULT(RINGMARCH_OK, ringmarch_load_distances(s, 2, matrix));
  CHECK_RESULT(0x80040306u, ringmarch_load_distances(s, 128, matrix));
  CHECK_RESULT(0x80040307u, ringmarch_load_distances(s, -1, matrix));
  CHECK_RESULT(RINGMARCH_E_POINTER, ringmarch_load_distances(s, 2, NULL));
  CHECK_RESULT(0x80040306u, ringmarch_load_coordinates(s, 128, big));
  CHECK_RESULT(0x80040307u, ringmarch_load_coordinates(s, -3, big));
  CHECK_RESULT(0x80040308u, ringmarch_load_coordinates(s, 2, nan_xy));
  CHECK_RESULT(0x80040308u, ringmarch_load_coordinates(s, 2, inf_xy));
  CHECK_RESULT(0x80040309u, ringmarch_load_coordinates(s, 2, big));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_num(s, &v));
  CHECK(v == 2);
  CHECK_RESULT(RINGMARCH_OK, ringmarch_distance(s, 0, 1, &v));
  CHECK(v == 7);
  /* Three cities answer a solve; two do not. */
  CHECK_RESULT(0x80040307u, ringmarch_solve(s, &v));
  /* No cities: an empty instance. */
  CHECK_RESULT(RINGMARCH_OK, ringmarch_load_distances(s, 0, NULL));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_num(s, &v));
  CHECK(v == 0);
  CHECK_RESULT(RINGMARCH_OK, ringmarch_max_x(s, &d));
  CHECK(d == 0.0);
  ringmarch_destroy(s);
}

/* Fractional coordinates: EUC_2D rounds to the nearest whole number, halves up. */
static void test_load_coordinates(void) {
  ringmarch_solver* s = new_solver();
  const double xy[8] = {0.0, 0.0, 2.5, 0.0, 2.5, 1.5, 0.25, 1.5};
  int32_t v = 0;
  double d = 0;
  CHECK_RESULT(RINGMARCH_OK, ringmarch_load_coordinates(s, 4, xy));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_distance(s, 0, 1, &v));
  CHECK(v == 3);
  CHECK_RESULT(RINGMARCH_OK, ringmarch_distance(s, 1, 2, &v));
  CHECK(v == 2);
  CHECK_RESULT(RINGMARCH_OK, ringmarch_distance(s, 2, 3, &v));
  CHECK(v == 2); /* 2.25 */
  CHECK_RESULT(RINGMARCH_OK, ringmarch_pos_x(s, 1, &d));
  CHECK(d == 2.5);
  CHECK_RESULT(RINGMARCH_OK, ringmarch_max_x(s, &d));
  CHECK(d == 2.0);
  CHECK_RESULT(RINGMARCH_OK, ringmarch_solve(s, &v));
  CHECK(v == 3 + 2 + 2 + 2);
  ringmarch_destroy(s);
}

struct progress_log {
  int calls;
  int stop_at_call;
  uint64_t last_nodes;
  int nodes_decreased;
  int32_t best_length;
  double sleep_seconds;
};

static void sleep_for(double seconds) {
  struct timespec pause;
  pause.tv_sec = (time_t)seconds;
  pause.tv_nsec = (long)((seconds - (double)pause.tv_sec) * 1e9);
  nanosleep(&pause, NULL);
}

static int record_progress(const ringmarch_progress* progress, void* user_data) {
  struct progress_log* log = (struct progress_log*)user_data;
  ++log->calls;
  if (progress->evaluated_nodes < log->last_nodes) log->nodes_decreased = 1;
  log->last_nodes = progress->evaluated_nodes;
  log->best_length = progress->best_length;
  if (log->sleep_seconds > 0) sleep_for(log->sleep_seconds);
  return log->calls == log->stop_at_call ? RINGMARCH_STOP : RINGMARCH_CONTINUE;
}

/* Solve options: a callback that stops, a time limit, and option refusals. The 100-city
 * instance needs hundreds of search nodes (the callback is asked every few), so the search is
 * still running when stopped. */
static void test_solve_options(void) {
  ringmarch_solver* s = new_solver();
  ringmarch_solve_options options;
  ringmarch_solve_statistics statistics;
  int32_t length = 0;
  int32_t check = 0;
  CHECK_RESULT(RINGMARCH_OK, ringmarch_new_tsp_with_seed(s, 100, 5));

  ringmarch_solve_options_init(&options);
  CHECK(options.time_limit_seconds == 0.0 && options.progress == NULL);
  CHECK_RESULT(RINGMARCH_OK, ringmarch_solve_with(s, &options, &statistics, &length));
  CHECK(statistics.optimal == 1);
  CHECK(statistics.stopped_by == RINGMARCH_STOPPED_BY_NOTHING);
  CHECK(statistics.evaluated_nodes > 100);
  CHECK(statistics.initial_length >= length);
  CHECK(statistics.seconds >= statistics.search_seconds);
  const int32_t optimum = length;
  const uint64_t all_nodes = statistics.evaluated_nodes;

  /* The same without options or statistics. */
  CHECK_RESULT(RINGMARCH_OK, ringmarch_solve_with(s, NULL, NULL, &length));
  CHECK(length == optimum);

  /* A callback that is called at every check and never stops changes nothing: the same nodes
   * and the same tour, solve after solve. */
  int32_t first_tour[RINGMARCH_MAX_CITIES];
  int32_t count = 0;
  CHECK_RESULT(RINGMARCH_OK, ringmarch_tour(s, first_tour, RINGMARCH_MAX_CITIES, &count));
  for (int repeat = 0; repeat < 3; ++repeat) {
    struct progress_log watching = {0, -1, 0, 0, 0, 0.0};
    ringmarch_solve_options_init(&options);
    options.progress = record_progress;
    options.user_data = &watching;
    options.progress_interval_seconds = 0.0;
    CHECK_RESULT(RINGMARCH_OK, ringmarch_solve_with(s, &options, &statistics, &length));
    CHECK(watching.calls > 0);
    CHECK(statistics.optimal == 1);
    CHECK(statistics.evaluated_nodes == all_nodes);
    int32_t again[RINGMARCH_MAX_CITIES];
    CHECK_RESULT(RINGMARCH_OK, ringmarch_tour(s, again, RINGMARCH_MAX_CITIES, &count));
    CHECK(count == 100 && memcmp(again, first_tour, sizeof(int32_t) * 100) == 0);
  }
  ringmarch_solve_options_init(&options);

  struct progress_log log = {0, 3, 0, 0, 0, 0.0};
  options.progress = record_progress;
  options.user_data = &log;
  options.progress_interval_seconds = 0.0;
  CHECK_RESULT(RINGMARCH_OK, ringmarch_solve_with(s, &options, &statistics, &length));
  CHECK(log.calls == 3);
  CHECK(log.nodes_decreased == 0);
  CHECK(statistics.optimal == 0);
  CHECK(statistics.stopped_by == RINGMARCH_STOPPED_BY_CALLBACK);
  CHECK(statistics.evaluated_nodes < all_nodes);
  CHECK(length >= optimum);
  CHECK(log.best_length >= length);
  /* The stopped solve still holds a whole tour of its length. */
  CHECK_RESULT(RINGMARCH_OK, ringmarch_length(s, &check));
  CHECK(check == length);

  /* A callback that sleeps 10 ms per call stretches the search far beyond the limit, so the
   * limit comes first whatever the machine's speed. */
  struct progress_log slow = {0, -1, 0, 0, 0, 0.01};
  options.user_data = &slow;
  options.time_limit_seconds = 0.03;
  CHECK_RESULT(RINGMARCH_OK, ringmarch_solve_with(s, &options, &statistics, &length));
  CHECK(statistics.optimal == 0);
  CHECK(statistics.stopped_by == RINGMARCH_STOPPED_BY_TIME_LIMIT);
  CHECK(statistics.seconds >= 0.03);

  const double refused[3] = {-1.0, NAN, INFINITY};
  for (int i = 0; i < 3; ++i) {
    ringmarch_solve_options_init(&options);
    options.time_limit_seconds = refused[i];
    CHECK_RESULT(RINGMARCH_E_INVALIDARG, ringmarch_solve_with(s, &options, NULL, &length));
    ringmarch_solve_options_init(&options);
    options.progress_interval_seconds = refused[i];
    CHECK_RESULT(RINGMARCH_E_INVALIDARG, ringmarch_solve_with(s, &options, NULL, &length));
  }
  CHECK(ringmarch_last_error_result() == RINGMARCH_E_INVALIDARG);
  CHECK_RESULT(RINGMARCH_E_POINTER, ringmarch_solve_with(s, NULL, NULL, NULL));
  CHECK_RESULT(RINGMARCH_E_POINTER, ringmarch_solve_with(NULL, NULL, NULL, &length));
  ringmarch_destroy(s);
}

/* TSP and TOUR files: a published instance, a tour written and read back, refusals. */
static void test_files(void) {
  char tsp[1024];
  char tour_path[1024];
  char written[1024];
  int32_t length = 0;
  path_in(tsp, sizeof tsp, data_dir, "gr17.tsp");
  path_in(tour_path, sizeof tour_path, scratch_dir, "gr17.tour");
  path_in(written, sizeof written, scratch_dir, "gr17-copy.tsp");

  ringmarch_solver* s = new_solver();
  CHECK_RESULT(RINGMARCH_OK, ringmarch_read_tsp_file(s, tsp));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_solve(s, &length));
  CHECK(length == 2085);
  CHECK_RESULT(RINGMARCH_OK, ringmarch_write_tour_file(s, tour_path));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_write_tsp_file(s, written, RINGMARCH_FULLMATRIX));
  CHECK_RESULT(0x8004030Fu, ringmarch_write_tsp_file(s, written, 3));

  ringmarch_solver* t = new_solver();
  CHECK_RESULT(RINGMARCH_OK, ringmarch_read_tsp_file(t, written));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_read_tour_file(t, tour_path));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_length(t, &length));
  CHECK(length == 2085);
  /* After a tour is held, ReadTourFile answers InstanceNotCreated. */
  CHECK_RESULT(0x8004030Du, ringmarch_read_tour_file(t, tour_path));

  CHECK_RESULT(0x80040301u, ringmarch_read_tsp_file(s, NULL));
  CHECK_RESULT(0x80040301u, ringmarch_read_tsp_file(s, "/nonexistent/ringmarch/x.tsp"));
  CHECK(ringmarch_last_error_code() == RINGMARCH_FILE_OPEN_FAILED);
  CHECK_RESULT(0x80040301u, ringmarch_write_tour_file(s, "/nonexistent/ringmarch/x.tour"));
  /* A tour of another dimension. */
  CHECK_RESULT(RINGMARCH_OK, ringmarch_new_tsp_with_seed(t, 5, 1));
  CHECK_RESULT(0x80040307u, ringmarch_read_tour_file(t, tour_path));
  ringmarch_destroy(t);
  ringmarch_destroy(s);
  ringmarch_destroy(NULL);
}

/* The shortest directed closed tour by Held and Karp's dynamic programme over subsets, written
 * apart from the library (n <= 9). */
static int64_t directed_optimum(int32_t n, const int32_t* d) {
  static int64_t best[1 << 9][9];
  const int full = 1 << n;
  for (int set = 0; set < full; ++set) {
    for (int last = 0; last < n; ++last) best[set][last] = INT64_MAX;
  }
  best[1][0] = 0;
  for (int set = 1; set < full; ++set) {
    if (!(set & 1)) continue;
    for (int last = 0; last < n; ++last) {
      const int64_t here = best[set][last];
      if (here == INT64_MAX) continue;
      for (int next = 1; next < n; ++next) {
        if (set & (1 << next)) continue;
        const int64_t via = here + d[last * n + next];
        if (via < best[set | (1 << next)][next]) best[set | (1 << next)][next] = via;
      }
    }
  }
  int64_t answer = INT64_MAX;
  for (int last = 1; last < n; ++last) {
    if (best[full - 1][last] == INT64_MAX) continue;
    const int64_t closed = best[full - 1][last] + d[last * n];
    if (closed < answer) answer = closed;
  }
  return answer;
}

static int64_t directed_length(int32_t n, const int32_t* d, const int32_t* tour) {
  int64_t length = 0;
  for (int32_t i = 0; i < n; ++i) length += d[tour[i] * n + tour[(i + 1) % n]];
  return length;
}

static int is_permutation(int32_t n, const int32_t* tour) {
  int seen[9] = {0};
  for (int32_t i = 0; i < n; ++i) {
    if (tour[i] < 0 || tour[i] >= n || seen[tour[i]]) return 0;
    seen[tour[i]] = 1;
  }
  return 1;
}

/* 200 random asymmetric matrices of 4 to 9 cities: the solver's solve (ringmarch_solve_with), the
 * held solve and the instance solve all answer the optimum, proven. */
static void test_asymmetric_matrices_against_the_oracle(void) {
  unsigned state = 20261209u;
  ringmarch_solver* s = new_solver();
  for (int round = 0; round < 200; ++round) {
    const int32_t n = 4 + round % 6;
    int32_t d[81];
    const unsigned spread = round % 4 == 0 ? 4u : 900u; /* small spreads give ties */
    for (int32_t i = 0; i < n; ++i) {
      for (int32_t j = 0; j < n; ++j) {
        state = state * 1103515245u + 12345u;
        d[i * n + j] = i == j ? 0 : 1 + (int32_t)((state >> 8) % spread);
      }
    }
    const int64_t optimum = directed_optimum(n, d);

    CHECK_RESULT(RINGMARCH_OK, ringmarch_load_distances(s, n, d));
    ringmarch_solve_statistics statistics;
    int32_t length = 0;
    CHECK_RESULT(RINGMARCH_OK, ringmarch_solve_with(s, NULL, &statistics, &length));
    CHECK(length == optimum);
    CHECK(statistics.optimal == 1);
    int32_t tour[9];
    int32_t count = 0;
    CHECK_RESULT(RINGMARCH_OK, ringmarch_tour(s, tour, 9, &count));
    CHECK(count == n && is_permutation(n, tour) && directed_length(n, d, tour) == optimum);

    ringmarch_solution held;
    CHECK_RESULT(RINGMARCH_OK, ringmarch_solve_held(s, NULL, &held));
    CHECK(held.status == RINGMARCH_STATUS_OPTIMAL && held.length == optimum);
    CHECK(held.has_lower_bound == 1 && held.lower_bound == optimum);
    CHECK(held.engine == RINGMARCH_ENGINE_CANONICAL);
    ringmarch_solution_free(&held);

    ringmarch_instance* instance = NULL;
    CHECK_RESULT(RINGMARCH_OK, ringmarch_instance_from_matrix(n, d, &instance));
    ringmarch_solution solution;
    CHECK_RESULT(RINGMARCH_OK, ringmarch_solve_instance(instance, NULL, &solution));
    CHECK(solution.status == RINGMARCH_STATUS_OPTIMAL && solution.length == optimum);
    CHECK(solution.cities == n && is_permutation(n, solution.tour));
    CHECK(directed_length(n, d, solution.tour) == optimum);
    CHECK(solution.asymmetric == 1 || round % 4 == 0);
    ringmarch_solution_free(&solution);
    CHECK(solution.tour == NULL);
    ringmarch_instance_destroy(instance);
  }
  ringmarch_destroy(s);
}

/* Refusals of the solve layer answer their code, with the reason in the gloss. */
static void test_solve_layer_refusals(void) {
  const int32_t two[4] = {0, 5, 5, 0};
  ringmarch_instance* instance = NULL;
  CHECK_RESULT(RINGMARCH_OK, ringmarch_instance_from_matrix(2, two, &instance));
  ringmarch_solution solution;
  CHECK_RESULT(RINGMARCH_RESULT_OF(RINGMARCH_CITY_ID_OUT_OF_RANGE),
               ringmarch_solve_instance(instance, NULL, &solution));
  CHECK(strstr(ringmarch_last_error_gloss(), "it has 2 cities; a solve needs at least 3") != NULL);
  CHECK(solution.tour == NULL && solution.cities == 0);
  ringmarch_solve_request request;
  ringmarch_solve_request_init(&request);
  request.engine = 7;
  CHECK_RESULT(RINGMARCH_E_INVALIDARG, ringmarch_solve_instance(instance, &request, &solution));
  ringmarch_instance_destroy(instance);

  const int32_t far = 1 << 30;
  const int32_t wide[9] = {0, far, far, far, 0, far, far, far, 0};
  CHECK_RESULT(RINGMARCH_OK, ringmarch_instance_from_matrix(3, wide, &instance));
  CHECK_RESULT(RINGMARCH_RESULT_OF(RINGMARCH_DISTANCE_OUT_OF_RANGE),
               ringmarch_solve_instance(instance, NULL, &solution));
  CHECK(strstr(ringmarch_last_error_gloss(), "32-bit") != NULL);
  ringmarch_instance_destroy(instance);

  const double points[6] = {0, 0, 3, 0, 0, 4};
  CHECK_RESULT(RINGMARCH_E_INVALIDARG,
               ringmarch_instance_from_coordinates(3, "NO_SUCH_RULE", points, &instance));
  CHECK(instance == NULL);
  /* swiss42 ends its section line in blanks: only the tolerant reading takes it. */
  char swiss[1024];
  path_in(swiss, sizeof swiss, data_dir, "swiss42.tsp");
  CHECK_RESULT(RINGMARCH_RESULT_OF(RINGMARCH_FILE_READ_FAILED),
               ringmarch_instance_read_tsp_file(swiss, 1, &instance));
  CHECK(instance == NULL);
  CHECK_RESULT(RINGMARCH_OK, ringmarch_instance_read_tsp_file(swiss, 0, &instance));
  int32_t cities = 0;
  CHECK_RESULT(RINGMARCH_OK, ringmarch_instance_cities(instance, &cities));
  CHECK(cities == 42);
  CHECK_RESULT(RINGMARCH_OK, ringmarch_solve_instance(instance, NULL, &solution));
  CHECK(solution.length == 1273 && solution.status == RINGMARCH_STATUS_OPTIMAL);
  ringmarch_solution_free(&solution);
  ringmarch_instance_destroy(instance);

  CHECK_RESULT(RINGMARCH_OK, ringmarch_instance_from_coordinates(3, "EUC_2D", points, &instance));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_solve_instance(instance, NULL, &solution));
  CHECK(solution.length == 12 && solution.status == RINGMARCH_STATUS_OPTIMAL);
  ringmarch_solution_free(&solution);
  ringmarch_instance_destroy(instance);
}

/* 1 when the tour lists each of the n cities once. */
static int visits_each_once(int32_t n, const int32_t* tour) {
  char* seen = calloc((size_t)n, 1);
  int ok = seen != NULL;
  for (int32_t i = 0; ok && i < n; ++i) {
    ok = tour[i] >= 0 && tour[i] < n && !seen[tour[i]];
    if (ok) seen[tour[i]] = 1;
  }
  free(seen);
  return ok;
}

/* The stages of a solve that searched: each counted, the search took time, none beyond the whole.
 */
static int stages_fit(const ringmarch_solution* solution) {
  const double stages =
      solution->load_seconds + solution->initial_tour_seconds + solution->search_seconds;
  return solution->load_seconds >= 0 && solution->initial_tour_seconds > 0 &&
         solution->search_seconds > 0 && stages <= solution->seconds + 1e-6;
}

/* Files beyond the solver's 127 cities: read whole by the tolerant reader into instances (GEO,
 * matrices in two layouts, ATSP), refused by the strict one with the line and the reason, kept out
 * of the solver; solved by the tour engine to a valid tour, a bound at or below the published
 * optimum and a length within 1 % of it, and by auto's cut engine to the optimum, proven. */
static void test_instances_beyond_the_solver(void) {
  struct {
    const char* file;
    int32_t cities;
    int32_t coordinates;
    int64_t optimum;
    int solved; /* solved here too (the quick ones, for the sanitized runs' sake) */
  } files[] = {{"gr137.tsp", 137, 1, 69853, 0},
               {"si175.tsp", 175, 0, 21407, 0},
               {"brg180.tsp", 180, 0, 1950, 1},
               {"ftv170.atsp", 171, 0, 2755, 1}};
  ringmarch_solver* s = new_solver();
  for (size_t k = 0; k < sizeof files / sizeof files[0]; ++k) {
    char path[1024];
    path_in(path, sizeof path, data_dir, files[k].file);
    ringmarch_instance* instance = NULL;
    CHECK_RESULT(RINGMARCH_OK, ringmarch_instance_read_tsp_file(path, 0, &instance));
    if (instance == NULL) continue;
    int32_t value = 0;
    CHECK_RESULT(RINGMARCH_OK, ringmarch_instance_cities(instance, &value));
    CHECK(value == files[k].cities);
    CHECK_RESULT(RINGMARCH_OK, ringmarch_instance_has_coordinates(instance, &value));
    CHECK(value == files[k].coordinates);
    CHECK_RESULT(RINGMARCH_RESULT_OF(RINGMARCH_CITY_ID_OUT_OF_RANGE),
                 ringmarch_instance_distance(instance, 0, files[k].cities, &value));
    CHECK_RESULT(RINGMARCH_RESULT_OF(RINGMARCH_TOO_MANY_CITIES),
                 ringmarch_load_instance(s, instance));
    CHECK(strcmp(ringmarch_last_error_reason(), "") != 0);
    ringmarch_instance* strict = NULL;
    CHECK_RESULT(RINGMARCH_RESULT_OF(RINGMARCH_TOO_MANY_CITIES),
                 ringmarch_instance_read_tsp_file(path, 1, &strict));
    CHECK(strict == NULL);
    if (!files[k].solved) {
      ringmarch_instance_destroy(instance);
      continue;
    }

    ringmarch_solve_request request;
    ringmarch_solve_request_init(&request);
    request.engine = RINGMARCH_ENGINE_TOUR;
    ringmarch_solution solution;
    CHECK_RESULT(RINGMARCH_OK, ringmarch_solve_instance(instance, &request, &solution));
    CHECK(solution.engine == RINGMARCH_ENGINE_TOUR && solution.cities == files[k].cities);
    CHECK(visits_each_once(solution.cities, solution.tour));
    int64_t length = 0;
    for (int32_t i = 0; i < solution.cities; ++i) {
      int32_t d = 0;
      ringmarch_instance_distance(instance, solution.tour[i],
                                  solution.tour[(i + 1) % solution.cities], &d);
      length += d;
    }
    CHECK(length == solution.length);
    CHECK(solution.has_lower_bound == 1 && solution.lower_bound <= files[k].optimum);
    CHECK(solution.status != RINGMARCH_STATUS_OPTIMAL || solution.lower_bound == solution.length);
    CHECK(100 * (solution.length - files[k].optimum) <= files[k].optimum);
    ringmarch_solution_free(&solution);

    /* auto: the cut engine proves the published optimum, and says what it did (the quick one). */
    if (strcmp(files[k].file, "brg180.tsp") == 0) {
      ringmarch_engine_statistics statistics;
      CHECK_RESULT(RINGMARCH_OK, ringmarch_solve_instance_with_statistics(instance, NULL, &solution,
                                                                          &statistics));
      CHECK(solution.engine == RINGMARCH_ENGINE_CUT && solution.status == RINGMARCH_STATUS_OPTIMAL);
      CHECK(solution.length == files[k].optimum && solution.lower_bound == files[k].optimum);
      CHECK(visits_each_once(solution.cities, solution.tour));
      CHECK(statistics.handed_over_after == 0 && statistics.subtour_cuts > 0);
      CHECK(statistics.root_bound > 0 && statistics.root_bound <= files[k].optimum);
      CHECK(solution.initial_length >= solution.improved_length &&
            solution.improved_length >= solution.length);
      CHECK(stages_fit(&solution));
      ringmarch_solution_free(&solution);
    }
    ringmarch_instance_destroy(instance);
  }

  /* The lattice the exact search cannot prove is handed to the cut engine after 5000 nodes. */
  {
    char lattice[1024];
    path_in(lattice, sizeof lattice, data_dir, "grid11.tsp");
    ringmarch_instance* grid = NULL;
    CHECK_RESULT(RINGMARCH_OK, ringmarch_instance_read_tsp_file(lattice, 0, &grid));
    ringmarch_solution solution;
    ringmarch_engine_statistics statistics;
    CHECK_RESULT(RINGMARCH_OK,
                 ringmarch_solve_instance_with_statistics(grid, NULL, &solution, &statistics));
    CHECK(solution.engine == RINGMARCH_ENGINE_CUT && solution.status == RINGMARCH_STATUS_OPTIMAL);
    CHECK(solution.length == 12141 && statistics.handed_over_after >= 5000);
    CHECK(solution.initial_length >= solution.improved_length &&
          solution.improved_length >= solution.length);
    CHECK(stages_fit(&solution));
    ringmarch_solution_free(&solution);
    ringmarch_instance_destroy(grid);
  }

  /* The strict reader's refusal names the DIMENSION line and why. */
  char path[1024];
  path_in(path, sizeof path, data_dir, "ch130.tsp");
  ringmarch_instance* instance = NULL;
  CHECK_RESULT(RINGMARCH_RESULT_OF(RINGMARCH_TOO_MANY_CITIES),
               ringmarch_instance_read_tsp_file(path, 1, &instance));
  CHECK(instance == NULL);
  CHECK(ringmarch_last_error_line() == 4);
  CHECK(strcmp(ringmarch_last_error_reason(),
               "130 cities; the strict reader takes at most 127 (the tolerant reader reads the "
               "file)") == 0);
  CHECK(strstr(ringmarch_last_error_gloss(), ": line 4: 130 cities;") != NULL);

  /* Up to 127 cities an instance read from a file becomes the solver's own. */
  path_in(path, sizeof path, data_dir, "berlin52.tsp");
  CHECK_RESULT(RINGMARCH_OK, ringmarch_instance_read_tsp_file(path, 0, &instance));
  CHECK_RESULT(RINGMARCH_OK, ringmarch_load_instance(s, instance));
  int32_t length = 0;
  CHECK_RESULT(RINGMARCH_OK, ringmarch_solve(s, &length));
  CHECK(length == 7542);
  CHECK_RESULT(RINGMARCH_E_POINTER, ringmarch_load_instance(s, NULL));
  ringmarch_instance_destroy(instance);
  ringmarch_destroy(s);
}

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: ringmarch_c_test DATA_DIR SCRATCH_DIR EXPECTED_VERSION\n");
    return 2;
  }
  data_dir = argv[1];
  scratch_dir = argv[2];
  CHECK(strcmp(ringmarch_version(), argv[3]) == 0);
  test_new_solver_states();
  test_last_error();
  test_square_by_operations();
  test_load_distances_against_brute_force();
  test_asymmetric_against_brute_force();
  test_lengths_beyond_32_bits();
  test_load_refusals();
  test_load_coordinates();
  test_solve_options();
  test_files();
  test_asymmetric_matrices_against_the_oracle();
  test_solve_layer_refusals();
  test_instances_beyond_the_solver();
  if (failures != 0) {
    fprintf(stderr, "ringmarch_c_test: %d checks failed\n", failures);
    return 1;
  }
  printf("ringmarch_c_test: all checks passed\n");
  return 0;
}
