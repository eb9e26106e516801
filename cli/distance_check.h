// The component's distance check (CheckDistance) over an instance of any size, and the pairs the
// command line names beside its answer. Coordinate rules are symmetric and 0 from a city to
// itself by definition, so for them only cities 0 apart are looked for, through a grid rather
// than all n^2 pairs; explicit matrices are walked in the check's own order.
#pragma once

#include <utility>

#include "instance/instance.h"
#include "model/error_code.h"

namespace ringmarch::cli {

struct DistanceFault {
  int from = -1;
  int to = -1;
  ErrorCode code = ErrorCode::Success;  // DistanceNotSymmetric, SameCityDistanceNotZero, ...
};

// The first pair the check objects to, in its order (row i, columns i onwards): a distance that
// differs from its reverse, a city not 0 from itself, or distinct cities 0 apart.
DistanceFault firstDistanceFault(const Instance& instance);
// The same for one-way distances, which need not equal their reverses: every ordered pair, row
// by row.
DistanceFault firstDirectedFault(const Instance& instance);
// The first pair (from < to) whose distance differs from its reverse; from < 0 when none.
DistanceFault firstAsymmetricPair(const Instance& instance);
// The first pair of distinct cities whose distance is negative, row by row; {-1, -1} when none.
std::pair<int, int> firstNegativeDistance(const Instance& instance);

}  // namespace ringmarch::cli
