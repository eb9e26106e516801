// Canonical forms, activities and the pool of city-set cuts. Duplicates are found by a hash of the
// canonical form and a whole comparison, so a cut found twice by different separators enters the
// LP once.
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

namespace {

// A hash of what makes two canonical cuts the same: right-hand side, sets and weights (the family
// aside, as before: the same inequality found by two separators is one cut).
std::uint64_t hashOf(const CitySetCut& cut) {
  std::uint64_t h = 0x9e3779b97f4a7c15ULL;
  const auto mix = [&h](std::uint64_t value) {
    h ^= value + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    h *= 0xff51afd7ed558ccdULL;
  };
  mix(static_cast<std::uint32_t>(cut.rhs));
  for (const auto& set : cut.sets) {
    mix(set.size());
    for (int c : set) mix(static_cast<std::uint32_t>(c));
  }
  mix(cut.weights.size());
  for (std::int32_t w : cut.weights) mix(static_cast<std::uint32_t>(w));
  return h;
}

}  // namespace

std::pair<int, bool> CutPool::insert(CitySetCut cut) {
  // Equal cuts are found by their hash and compared whole: the pool holds each set once more
  // (flatCities_) and no copy of it as a key.
  const std::uint64_t hash = hashOf(cut);
  for (auto [it, end] = known_.equal_range(hash); it != end; ++it) {
    const CitySetCut& held = cuts_[static_cast<std::size_t>(it->second)];
    if (held.rhs == cut.rhs && held.sets == cut.sets && held.weights == cut.weights) {
      return {it->second, false};
    }
  }
  const int id = static_cast<int>(cuts_.size());
  known_.emplace(hash, id);
  firstSet_.push_back(static_cast<int>(setStart_.size()) - 1);
  for (int s = 0; s < static_cast<int>(cut.sets.size()); ++s) {
    for (int c : cut.sets[static_cast<std::size_t>(s)]) {
      membership_[static_cast<std::size_t>(c)].push_back(
          {id, s, cut.weight(static_cast<std::size_t>(s))});
    }
    const auto& set = cut.sets[static_cast<std::size_t>(s)];
    flatCities_.insert(flatCities_.end(), set.begin(), set.end());
    setStart_.push_back(flatCities_.size());
  }
  cuts_.push_back(std::move(cut));
  retired_.push_back(0);
  lastUse_.push_back(round_);
  return {id, true};
}

void CutPool::retire(std::span<const int> ids) {
  bool any = false;
  std::size_t keptCities = flatCities_.size();
  for (const int id : ids) {
    auto& flag = retired_[static_cast<std::size_t>(id)];
    if (flag != 0) continue;
    flag = 1;
    any = true;
    const std::uint64_t hash = hashOf(cuts_[static_cast<std::size_t>(id)]);
    for (auto [it, end] = known_.equal_range(hash); it != end; ++it) {
      if (it->second == id) {
        known_.erase(it);
        break;
      }
    }
    CitySetCut& cut = cuts_[static_cast<std::size_t>(id)];
    for (const auto& set : cut.sets) keptCities -= set.size();
    std::vector<std::vector<int>>().swap(cut.sets);
    std::vector<std::int32_t>().swap(cut.weights);
  }
  if (!any) return;
  // The arrays shrink to their new sizes, so that the memory goes back to the heap.
  for (auto& members : membership_) {
    std::erase_if(members, [&](const Member& m) { return retired(m.cut); });
    members.shrink_to_fit();
  }
  std::vector<int> flat;
  flat.reserve(keptCities);
  std::vector<std::size_t> starts{0};
  for (std::size_t id = 0; id < cuts_.size(); ++id) {
    firstSet_[id] = static_cast<int>(starts.size()) - 1;
    for (const auto& set : cuts_[id].sets) {
      flat.insert(flat.end(), set.begin(), set.end());
      starts.push_back(flat.size());
    }
  }
  starts.shrink_to_fit();
  flatCities_.swap(flat);
  setStart_.swap(starts);
}

}  // namespace ringmarch::cut
