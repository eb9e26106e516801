/* Solves the same seeded random instance through the installed C interface. */
#include <stdio.h>

#include <ringmarch/ringmarch.h>

int main(void) {
  ringmarch_solver* solver = NULL;
  int32_t length = 0;
  if (ringmarch_create(&solver) != RINGMARCH_OK || ringmarch_new_tsp_with_seed(solver, 12, 7) ||
      ringmarch_solve(solver, &length)) {
    printf("failed: %s\n", ringmarch_last_error_gloss());
    return 1;
  }
  printf("length %d\n", length);
  ringmarch_destroy(solver);
  return 0;
}
