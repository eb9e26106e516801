/* The C consumer: the same seeded random instance through the solver, and the same TSPLIB file
 * through the solve layer with the engine auto, printed as the C++ consumer prints them.
 * Usage: solve_c FILE.tsp */
#include <stdio.h>

#include <ringmarch/ringmarch.h>

static int solve_with_the_solver(void) {
  ringmarch_solver* solver = NULL;
  int32_t length = 0;
  if (ringmarch_create(&solver) != RINGMARCH_OK || ringmarch_new_tsp_with_seed(solver, 12, 7) ||
      ringmarch_solve(solver, &length)) {
    printf("solver failed: %s\n", ringmarch_last_error_gloss());
    ringmarch_destroy(solver);
    return 1;
  }
  printf("object: length %d\n", length);
  ringmarch_destroy(solver);
  return 0;
}

static const char* engine_name(int32_t engine) {
  switch (engine) {
    case RINGMARCH_ENGINE_CANONICAL:
      return "canonical";
    case RINGMARCH_ENGINE_TOUR:
      return "tour";
    case RINGMARCH_ENGINE_CUT:
      return "cut";
    default:
      return "auto";
  }
}

/* 1 when the solution visits every city once and is as long as it says. */
static int is_whole_tour(const ringmarch_instance* instance, const ringmarch_solution* solution,
                         int32_t cities) {
  static unsigned char seen[100000];
  int64_t length = 0;
  int32_t i;
  if (solution->cities != cities) return 0;
  for (i = 0; i < cities; ++i) seen[i] = 0;
  for (i = 0; i < cities; ++i) {
    const int32_t city = solution->tour[i];
    int32_t distance = 0;
    if (city < 0 || city >= cities || seen[city]) return 0;
    seen[city] = 1;
    if (ringmarch_instance_distance(instance, city, solution->tour[(i + 1) % cities], &distance))
      return 0;
    length += distance;
  }
  return length == solution->length;
}

static int solve_the_file(const char* path) {
  ringmarch_instance* instance = NULL;
  ringmarch_solve_request request;
  ringmarch_solution solution;
  int32_t cities = 0;
  if (ringmarch_instance_read_tsp_file(path, 0, &instance) != RINGMARCH_OK ||
      ringmarch_instance_cities(instance, &cities) != RINGMARCH_OK) {
    printf("%s is refused: %s\n", path, ringmarch_last_error_gloss());
    ringmarch_instance_destroy(instance);
    return 1;
  }
  ringmarch_solve_request_init(&request);
  if (ringmarch_solve_instance(instance, &request, &solution) != RINGMARCH_OK) {
    printf("solve refused: %s\n", ringmarch_last_error_gloss());
    ringmarch_instance_destroy(instance);
    return 1;
  }
  if (!is_whole_tour(instance, &solution, cities)) {
    printf("the solve layer's tour does not visit every city once at its length\n");
    ringmarch_solution_free(&solution);
    ringmarch_instance_destroy(instance);
    return 1;
  }
  printf("%d cities: engine %s, %s, length %lld\n", cities, engine_name(solution.engine),
         solution.status == RINGMARCH_STATUS_OPTIMAL ? "optimal" : "not proven",
         (long long)solution.length);
  ringmarch_solution_free(&solution);
  ringmarch_instance_destroy(instance);
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: solve_c FILE.tsp (ringmarch %s)\n", ringmarch_version());
    return 2;
  }
  if (solve_with_the_solver() != 0) return 1;
  return solve_the_file(argv[1]);
}
