// What makes a family of city sets a comb (Chvatal 1973; Grotschel & Padberg 1979): a handle H
// and teeth T_1..T_k, k odd and at least 3, each tooth meeting both H and its complement, the
// teeth pairwise disjoint. Then x(delta(H)) + sum_i x(delta(T_i)) >= 3k + 1 holds for every
// tour. The separators check each comb here before returning it; nothing is changed.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "cut/city_set_cut.h"

namespace ringmarch::cut {

// True when handle and teeth (cities in 0..n-1, no city twice in a set) form a comb. scratch
// holds n zeros on entry and on return.
bool isComb(std::span<const int> handle, std::span<const std::vector<int>> teeth, int n,
            std::vector<std::uint8_t>& scratch);

// The comb as a canonical cut of the given family with rhs 3k + 1; false when canonicalize
// refuses a set.
bool combCut(std::vector<int> handle, std::vector<std::vector<int>> teeth, CutFamily family, int n,
             CitySetCut& cut);

// Puts the cuts in a fixed order: duplicates dropped (the larger violation kept), then by
// violation, largest first, ties by the sets; at most limit are kept.
struct ScoredCut {
  CitySetCut cut;
  double violation = 0.0;
};
std::vector<CitySetCut> bestDistinctCuts(std::vector<ScoredCut> found, int limit);

}  // namespace ringmarch::cut
