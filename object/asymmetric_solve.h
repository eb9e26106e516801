// Exact solves of asymmetric instances. The search is symmetric, so an instance whose distances
// differ from their reverses is solved through the symmetric instance of twice the cities: each
// city i becomes a pair i, i' joined by an edge cheaper than any other, i' to j costs d(i, j),
// and two cities of one side are farther apart than any tour could gain. A shortest tour of that
// instance alternates i, i', j, j', ... and is read back as the directed tour i, j, ...
#pragma once

#include <cstdint>
#include <vector>

#include "model/error_code.h"
#include "model/problem_data.h"
#include "solver/solve_driver.h"
#include "solver/tour_record.h"

namespace ringmarch {

// True when some distance between distinct cities differs from its reverse.
bool hasAsymmetricDistances(const ProblemData& instance);

// The symmetric form of an asymmetric instance and what maps its lengths back.
struct SymmetricForm {
  std::int32_t cities = 0;       // of the asymmetric instance; the form has twice as many
  std::int64_t pairLength = 0;   // what the n arc edges of a directed tour add beyond its length
  std::int64_t largestTour = 0;  // a form's tour at most this long is a directed tour
};

// Builds the form into symmetric. False (symmetric unspecified) when the instance has more than
// kMaxCities / 2 cities, or distances so large or so spread that directed tours or the form's
// tours would leave 32 bits. The diagonal is not looked at: no tour uses it.
bool buildSymmetricForm(const ProblemData& directed, ProblemData& symmetric, SymmetricForm& form);

// The directed tour of the original cities that a closed tour of the form describes, starting at
// startCity; empty when the form's tour does not alternate between the two sides as a directed
// tour does.
std::vector<std::int32_t> directedTourOf(const SymmetricForm& form, const std::int32_t* order,
                                         std::int32_t startCity);

// Solves the asymmetric instance exactly through its form (options and statistics as for
// solveInstance; the monitor sees lengths of directed tours). result is re-initialised over
// instance and receives the directed tour, measured in the listed direction. Answers Success,
// OutOfMemory, or DistanceOutOfRange when the form cannot be built.
ErrorCode solveAsymmetricInstance(TourRecord& result, const ProblemData& instance,
                                  const SolveOptions& options = {},
                                  SolveStatistics* statistics = nullptr);

}  // namespace ringmarch
