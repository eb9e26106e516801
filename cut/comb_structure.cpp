// The comb check marks the handle with bit 1 and each tooth's cities with bit 2, so that a city in
// two teeth is seen when the second tooth is marked.
#include "cut/comb_structure.h"

#include <algorithm>

namespace ringmarch::cut {

bool isComb(std::span<const int> handle, std::span<const std::vector<int>> teeth, int n,
            std::vector<std::uint8_t>& scratch) {
  const int k = static_cast<int>(teeth.size());
  if (k < 3 || k % 2 == 0) return false;
  if (scratch.size() < static_cast<std::size_t>(n)) scratch.resize(static_cast<std::size_t>(n), 0);
  auto clear = [&] {
    for (int c : handle) {
      if (c >= 0 && c < n) scratch[c] = 0;
    }
    for (const auto& tooth : teeth) {
      for (int c : tooth) {
        if (c >= 0 && c < n) scratch[c] = 0;
      }
    }
  };
  bool valid = !handle.empty() && static_cast<int>(handle.size()) < n;
  for (int c : handle) {
    if (c < 0 || c >= n || scratch[c] != 0) {
      valid = false;
      break;
    }
    scratch[c] = 1;
  }
  for (std::size_t t = 0; valid && t < teeth.size(); ++t) {
    bool inside = false, outside = false;
    for (int c : teeth[t]) {
      if (c < 0 || c >= n || (scratch[c] & 2) != 0) {
        valid = false;
        break;
      }
      scratch[c] |= 2;
      (scratch[c] & 1 ? inside : outside) = true;
    }
    valid = valid && inside && outside;
  }
  clear();
  return valid;
}

bool combCut(std::vector<int> handle, std::vector<std::vector<int>> teeth, CutFamily family, int n,
             CitySetCut& cut) {
  cut.family = family;
  cut.rhs = 3 * static_cast<std::int32_t>(teeth.size()) + 1;
  cut.sets.clear();
  cut.sets.reserve(teeth.size() + 1);
  cut.sets.push_back(std::move(handle));
  for (auto& tooth : teeth) cut.sets.push_back(std::move(tooth));
  return canonicalize(cut, n);
}

std::vector<CitySetCut> bestDistinctCuts(std::vector<ScoredCut> found, int limit) {
  auto bySets = [](const ScoredCut& a, const ScoredCut& b) {
    if (a.cut.sets != b.cut.sets) return a.cut.sets < b.cut.sets;
    return a.violation > b.violation;
  };
  std::sort(found.begin(), found.end(), bySets);
  found.erase(
      std::unique(found.begin(), found.end(),
                  [](const ScoredCut& a, const ScoredCut& b) { return a.cut.sets == b.cut.sets; }),
      found.end());
  std::stable_sort(found.begin(), found.end(), [](const ScoredCut& a, const ScoredCut& b) {
    return a.violation > b.violation;
  });
  std::vector<CitySetCut> cuts;
  const std::size_t keep = std::min(found.size(), static_cast<std::size_t>(std::max(limit, 0)));
  cuts.reserve(keep);
  for (std::size_t i = 0; i < keep; ++i) cuts.push_back(std::move(found[i].cut));
  return cuts;
}

}  // namespace ringmarch::cut
