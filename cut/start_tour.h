// The engine's own fallback tour for its first upper bound and for tours rebuilt from LP
// solutions: nearest neighbour, then 2-opt and Or-opt over neighbour lists (Lin 1965; Or 1976),
// then double-bridge kicks each followed by the same local search (Martin, Otto & Felten 1991).
// It proves nothing; a shorter tour only tightens pruning. Deterministic: the kicks come from a
// fixed pseudo-random stream, so the same costs and start give the same tour.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace ringmarch::cut {

// Symmetric cost of an edge between two distinct cities.
using EdgeCost = std::function<std::int64_t(int, int)>;

struct StartTourOptions {
  int neighbours = 10;  // candidate list length per city
  int kicks = 0;        // double-bridge kicks after the first local optimum
  std::uint64_t seed = 1;
};

// Builds a tour of n cities (n >= 1): from `start` when it lists every city once, otherwise by
// nearest neighbour; then improves it. The result lists every city once.
std::vector<int> improveTour(int n, const EdgeCost& cost, std::span<const int> start,
                             const StartTourOptions& options);

// The closed tour's cost under `cost`.
std::int64_t closedTourCost(std::span<const int> tour, const EdgeCost& cost);

}  // namespace ringmarch::cut
