// Cuts as families of city sets: sum over the sets S of w_S x(delta(S)) >= rhs, the weights w_S
// whole numbers, 1 unless given. A subtour
// elimination constraint is one set with rhs 2 (Dantzig, Fulkerson & Johnson 1954); a comb with
// handle H and teeth T_1..T_k is the sets H, T_1, .., T_k with rhs 3k + 1 (Chvatal 1973,
// Grotschel & Padberg 1979), blossoms being combs whose teeth are edges; local cuts carry weights
// of either sign. Kept as sets, a cut stays valid for every edge set: an edge's coefficient is the
// weight of the sets it crosses, so edges added later get theirs from the sets. The pool holds
// every cut found, in the LP or not, until it is retired to keep the pool within its budget.
#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ringmarch::cut {

enum class CutFamily : std::uint8_t { Subtour, Blossom, Comb, Local, Count };

// Combs and blossoms: the cuts the comb tightening works on.
inline bool isComb(CutFamily family) {
  return family == CutFamily::Blossom || family == CutFamily::Comb;
}

struct CitySetCut {
  std::vector<std::vector<int>> sets;  // each sorted, the smaller side of its cut
  std::vector<std::int32_t> weights;   // one per set, none of them 0; empty: every weight 1
  std::int32_t rhs = 2;
  CutFamily family = CutFamily::Subtour;

  std::int32_t weight(std::size_t set) const { return weights.empty() ? 1 : weights[set]; }
};

// Puts a cut in canonical form for n cities: each set replaced by its complement when that is
// smaller (or as small and without city 0), sorted; the sets sorted; with weights, a set given
// twice once with the sum, sets of weight 0 dropped, and no weights kept when all are 1. False for
// a set that is empty or all cities (such a set crosses no edge).
bool canonicalize(CitySetCut& cut, int n);

// w_S x(delta(S)) summed over the cut's sets for a point given on edges (ends u, v, value x).
double cutActivity(const CitySetCut& cut, std::span<const int> edgeU, std::span<const int> edgeV,
                   std::span<const double> value, std::vector<std::uint8_t>& scratch, int n);

class CutPool {
 public:
  explicit CutPool(int n) : n_(n), membership_(static_cast<std::size_t>(n)) {}

  // Adds a canonical cut; returns its id, or -1 when the same cut is already pooled.
  int add(CitySetCut cut);
  // Adds a canonical cut unless it is pooled already: its id, and whether it is new.
  std::pair<int, bool> insert(CitySetCut cut);
  int size() const { return static_cast<int>(cuts_.size()); }
  const CitySetCut& operator[](int id) const { return cuts_[static_cast<std::size_t>(id)]; }

  // Retiring: a long run keeps finding cuts, and a pool that never forgot one would hold them all
  // (u1060: 17 million pooled cities, over 300 MB, after 420 nodes). A retired cut keeps its id
  // (never reused), its right-hand side and family, and loses its sets: its cities, memberships
  // and hash entry go, and an equal cut found later is pooled anew. The caller retires only cuts
  // no LP row, basis or dual refers to, and skips retired ids wherever it walks the pool.
  bool retired(int id) const { return retired_[static_cast<std::size_t>(id)] != 0; }
  void retire(std::span<const int> ids);
  // Pooled cities of the cuts not retired: what the pool's memory grows with.
  std::size_t pooledCities() const { return flatCities_.size(); }
  // Use stamps, counted in separation rounds (never the clock): a cut is used when it is found,
  // taken from the pool or held by the LP at a round.
  void beginRound() { ++round_; }
  void markUsed(int id) { lastUse_[static_cast<std::size_t>(id)] = round_; }
  std::uint64_t lastUse(int id) const { return lastUse_[static_cast<std::size_t>(id)]; }

  // Per city: the (cut id, set index) pairs of the sets that hold it, in ascending order.
  struct Member {
    int cut;
    int set;
    std::int32_t weight;
  };
  std::span<const Member> memberships(int city) const {
    return membership_[static_cast<std::size_t>(city)];
  }

  // The cities of set s of cut id, from one array holding every pooled set in order: the pool
  // scan reads them front to back instead of from a small allocation per set.
  std::span<const int> cities(int id, int s) const {
    const auto set = static_cast<std::size_t>(firstSet_[static_cast<std::size_t>(id)] + s);
    const std::size_t begin = setStart_[set];
    return {flatCities_.data() + begin, setStart_[set + 1] - begin};
  }

  // Calls f(member, holdsBoth) for every pooled set that holds u or v, in the order of cut and
  // set: holdsBoth when the set holds both ends (the edge lies inside it), else the edge crosses
  // it.
  template <class F>
  void forEachSetTouching(int u, int v, F&& f) const {
    const auto& a = membership_[static_cast<std::size_t>(u)];
    const auto& b = membership_[static_cast<std::size_t>(v)];
    std::size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
      if (j >= b.size() || (i < a.size() && (a[i].cut < b[j].cut ||
                                             (a[i].cut == b[j].cut && a[i].set < b[j].set)))) {
        f(a[i++], false);
      } else if (i >= a.size() || b[j].cut < a[i].cut ||
                 (b[j].cut == a[i].cut && b[j].set < a[i].set)) {
        f(b[j++], false);
      } else {
        f(a[i], true);
        ++i;
        ++j;
      }
    }
  }

  // Sums term(member, holdsBoth) over each cut's sets that hold u or v, and calls f(cutId, sum)
  // for every cut whose sum is not zero, in the order of cut ids.
  template <class Term, class F>
  void forEachCutSum(int u, int v, Term&& term, F&& f) const {
    int current = -1;
    std::int64_t sum = 0;
    forEachSetTouching(u, v, [&](const Member& member, bool holdsBoth) {
      if (member.cut != current) {
        if (current >= 0 && sum != 0) f(current, sum);
        current = member.cut;
        sum = 0;
      }
      sum += term(member, holdsBoth);
    });
    if (current >= 0 && sum != 0) f(current, sum);
  }

  // Calls f(cutId, coefficient) for every cut whose coefficient on edge (u, v) is not zero.
  template <class F>
  void forEachCoefficient(int u, int v, F&& f) const {
    forEachCutSum(
        u, v, [](const Member& member, bool holdsBoth) { return holdsBoth ? 0 : member.weight; },
        [&](int cutId, std::int64_t coefficient) { f(cutId, static_cast<int>(coefficient)); });
  }

 private:
  int n_;
  std::vector<CitySetCut> cuts_;
  std::vector<std::vector<Member>> membership_;
  std::unordered_multimap<std::uint64_t, int> known_;  // hash of a cut -> its id
  std::vector<int> flatCities_;
  std::vector<std::size_t> setStart_{0};  // per pooled set, into flatCities_; one past the last
  std::vector<int> firstSet_;             // per cut, its first set's number
  std::vector<std::uint8_t> retired_;
  std::vector<std::uint64_t> lastUse_;
  std::uint64_t round_ = 0;
};

}  // namespace ringmarch::cut
