// A small loader for the TSPLIB instances the tests and benchmarks use (EUC_2D, and EXPLICIT in
// FULL_MATRIX, UPPER_ROW or LOWER_DIAG_ROW layout), written apart from the system's reader so
// that the search can be checked on them on its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/problem_data.h"

namespace ringmarch::testing {

// The instance in the file, or nullptr when the file cannot be read or is not of a supported
// form. Distances are filled for both directions and every row's neighbour order is sorted.
std::unique_ptr<ProblemData> loadInstance(const std::string& path);

// The published optimum recorded for the file name in INDEX.tsv of the same folder; -1 if none.
std::int64_t publishedOptimum(const std::string& folder, const std::string& fileName);

}  // namespace ringmarch::testing
