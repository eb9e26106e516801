// TSPLIB instances for the search tests and benchmarks, read with the system's TSP reader, and
// their published optima.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/problem_data.h"

namespace ringmarch::testing {

// The instance in the file, or nullptr when the reader refuses it.
std::unique_ptr<ProblemData> loadInstance(const std::string& path);

// The published optimum recorded for the file name in INDEX.tsv of the same folder; -1 if none.
std::int64_t publishedOptimum(const std::string& folder, const std::string& fileName);

}  // namespace ringmarch::testing
