// Solves a seeded random instance through the installed C++ headers and static core; every
// installed header is included, so that each is known to compile outside the tree.
#include <cstdio>
#include <memory>

#include "model/error_code.h"
#include "model/error_reporting.h"
#include "model/generation.h"
#include "model/problem_data.h"
#include "object/ringmarch_object.h"
#include "solver/solve_driver.h"
#include "solver/tour_record.h"
#include "tsplib/file_name.h"
#include "tsplib/tour_file.h"
#include "tsplib/tsp_file.h"

int main() {
  auto solver = std::make_unique<ringmarch::RingmarchObject>();
  std::int32_t length = 0;
  if (solver->NewTspWithSeed(12, 7) != ringmarch::kSuccessResult ||
      solver->Solve(&length) != ringmarch::kSuccessResult) {
    std::printf("failed: %s\n", ringmarch::lastError().description.c_str());
    return 1;
  }
  std::printf("length %d\n", length);
  return 0;
}
