// The tolerant TSP reader's parts beyond the public API (<ringmarch/tsplib.hpp>): the object's
// read within its limits, and the refusals every front end words alike.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include <ringmarch/tsplib.hpp>

#include "model/error_code.h"
#include "model/problem_data.h"
#include "tsplib/file_name.h"

namespace ringmarch {

// The most entries an explicit matrix may list: what kMaxTspFileBytes hold at two bytes (a digit
// and a blank) an entry. A larger matrix is refused from its DIMENSION, before any is stored.
inline constexpr std::size_t kMaxMatrixEntries = kMaxTspFileBytes / 2;

// The refusals of an input every front end words alike: more than kMaxTspFileBytes, a file that
// cannot be opened or read (with the system's words for the error number).
std::string inputTooLargeReason();
std::string cannotBeOpenedReason(int error);
std::string cannotBeReadReason(int error);

// The object's tolerant read: the same rules within the object's limits (kMaxCities cities, an
// ATSP at most kMaxAsymmetricCities, refused from DIMENSION as TooManyCities). On success the
// problem is replaced whole, as the object's own readers fill it (start city, neighbour order,
// labels, picture coordinates); on failure it is untouched.
TspReadReport readTspFileTolerant(ProblemData& problem, const FileName& file);
TspReadReport readTspStreamTolerant(ProblemData& problem, std::FILE* stream, std::string_view name);

}  // namespace ringmarch
