// The solver object (<ringmarch/object.hpp>) with the solves that take the exact search's own
// options and statistics: progress, limits, the evaluation chain's switches and the search's
// counts, for the library's tests and benchmarks.
#pragma once

#include <cstdint>

#include <ringmarch/object.hpp>

#include "solver/solve_driver.h"

namespace ringmarch {

struct ObjectSearch {
  // Solve with options and statistics; Solve is this with the default options.
  static OperationResult solveWith(RingmarchObject& object, const SolveOptions& options,
                                   SolveStatistics* statistics, std::int32_t* pcnt);
  // Solves an asymmetric instance exactly through its symmetric form of twice the cities and
  // keeps the directed tour, measured in its listed direction. Answers TooManyCities for more
  // than kMaxAsymmetricCities cities and DistanceOutOfRange when directed tours or the form's
  // tours could leave 32 bits (the diagonal, which no tour uses, is not looked at); otherwise as
  // solveWith.
  static OperationResult solveAsymmetricWith(RingmarchObject& object, const SolveOptions& options,
                                             SolveStatistics* statistics, std::int32_t* pcnt);

 private:
  // What both solves do around their search: the checks every solve makes, then refusal()'s
  // (an error code, Success to go on), the search on the object's tour record, the tour kept (a
  // stopped search's best too) and its length answered.
  template <class Refusal, class Search>
  static OperationResult solveAround(RingmarchObject& object, std::int32_t* pcnt, Refusal refusal,
                                     Search search);
};

}  // namespace ringmarch
