// Canonical forms, activities and the pool of city-set cuts. Duplicates are found by the
// canonical form's bytes, so a cut found twice by different separators enters the LP once.
#include "cut/city_set_cut.h"

#include <algorithm>

namespace ringmarch::cut {

bool canonicalize(CitySetCut& cut, int n) {
  std::vector<std::uint8_t> in(static_cast<std::size_t>(n), 0);
  for (auto& set : cut.sets) {
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
    const int size = static_cast<int>(set.size());
    if (size == 0 || size >= n) return false;
    const bool hasZero = set.front() == 0;
    if (2 * size > n || (2 * size == n && hasZero)) {
      for (int c : set) in[c] = 1;
      std::vector<int> other;
      other.reserve(static_cast<std::size_t>(n - size));
      for (int c = 0; c < n; ++c) {
        if (!in[c]) other.push_back(c);
      }
      for (int c : set) in[c] = 0;
      set = std::move(other);
    }
  }
  if (cut.weights.empty()) {
    std::sort(cut.sets.begin(), cut.sets.end());
    return true;
  }
  if (cut.weights.size() != cut.sets.size()) return false;
  std::vector<std::pair<std::vector<int>, std::int32_t>> weighted;
  weighted.reserve(cut.sets.size());
  for (std::size_t s = 0; s < cut.sets.size(); ++s) {
    weighted.emplace_back(std::move(cut.sets[s]), cut.weights[s]);
  }
  std::sort(weighted.begin(), weighted.end());
  cut.sets.clear();
  cut.weights.clear();
  for (auto& [set, weight] : weighted) {
    if (!cut.sets.empty() && cut.sets.back() == set) {
      cut.weights.back() += weight;
    } else {
      cut.sets.push_back(std::move(set));
      cut.weights.push_back(weight);
    }
  }
  for (std::size_t s = cut.sets.size(); s-- > 0;) {
    if (cut.weights[s] == 0) {
      cut.sets.erase(cut.sets.begin() + static_cast<std::ptrdiff_t>(s));
      cut.weights.erase(cut.weights.begin() + static_cast<std::ptrdiff_t>(s));
    }
  }
  if (cut.sets.empty()) return false;
  if (std::all_of(cut.weights.begin(), cut.weights.end(), [](std::int32_t w) { return w == 1; })) {
    cut.weights.clear();
  }
  return true;
}

double cutActivity(const CitySetCut& cut, std::span<const int> edgeU, std::span<const int> edgeV,
                   std::span<const double> value, std::vector<std::uint8_t>& scratch, int n) {
  scratch.assign(static_cast<std::size_t>(n), 0);
  double total = 0.0;
  for (std::size_t s = 0; s < cut.sets.size(); ++s) {
    const auto& set = cut.sets[s];
    for (int c : set) scratch[c] = 1;
    double crossing = 0.0;
    double& sum = cut.weights.empty() ? total : crossing;
    for (std::size_t e = 0; e < value.size(); ++e) {
      if (scratch[edgeU[e]] != scratch[edgeV[e]]) sum += value[e];
    }
    total += cut.weight(s) * crossing;
    for (int c : set) scratch[c] = 0;
  }
  return total;
}

int CutPool::add(CitySetCut cut) {
  const auto [id, added] = insert(std::move(cut));
  return added ? id : -1;
}

std::pair<int, bool> CutPool::insert(CitySetCut cut) {
  std::string key;
  key.reserve(16);
  key.append(reinterpret_cast<const char*>(&cut.rhs), sizeof(cut.rhs));
  for (const auto& set : cut.sets) {
    const int size = static_cast<int>(set.size());
    key.append(reinterpret_cast<const char*>(&size), sizeof(size));
    key.append(reinterpret_cast<const char*>(set.data()), sizeof(int) * set.size());
  }
  if (!cut.weights.empty()) {
    // No set has a negative size: the mark keeps weighted keys apart from unweighted ones.
    const int mark = -1;
    key.append(reinterpret_cast<const char*>(&mark), sizeof(mark));
    key.append(reinterpret_cast<const char*>(cut.weights.data()),
               sizeof(std::int32_t) * cut.weights.size());
  }
  if (const auto known = known_.find(key); known != known_.end()) return {known->second, false};
  const int id = static_cast<int>(cuts_.size());
  known_.emplace(std::move(key), id);
  firstSet_.push_back(static_cast<int>(setStart_.size()) - 1);
  for (int s = 0; s < static_cast<int>(cut.sets.size()); ++s) {
    for (int c : cut.sets[static_cast<std::size_t>(s)]) {
      membership_[static_cast<std::size_t>(c)].push_back(
          {id, s, cut.weight(static_cast<std::size_t>(s))});
    }
    const auto& set = cut.sets[static_cast<std::size_t>(s)];
    flatCities_.insert(flatCities_.end(), set.begin(), set.end());
    setStart_.push_back(static_cast<int>(flatCities_.size()));
  }
  cuts_.push_back(std::move(cut));
  return {id, true};
}

}  // namespace ringmarch::cut
