// The tightener keeps one comb at a time as marks over the cities (in the handle or not, in which
// tooth) with each tooth's count of cities inside and outside the handle, so that whether a move
// keeps the sets a comb is a count check, and reads a move's change of the left-hand side from
// the city's support edges. Its arrays are sized once for the point's cities.
#include "cut/comb_tightening.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "cut/comb_structure.h"

namespace ringmarch::cut {
namespace {

// A move must lower the left-hand side by more than this to be made.
constexpr double kLeastGain = 1e-9;

class CombTightener {
 public:
  explicit CombTightener(const SupportGraph& graph)
      : n_(graph.n),
        start_(at(graph.n) + 1, 0),
        other_(2 * graph.x.size()),
        value_(2 * graph.x.size()),
        inHandle_(at(graph.n), 0),
        tooth_(at(graph.n), -1),
        listed_(at(graph.n), 0),
        seen_(at(graph.n), 0) {
    for (std::size_t e = 0; e < graph.x.size(); ++e) {
      ++start_[at(graph.u[e]) + 1];
      ++start_[at(graph.v[e]) + 1];
    }
    for (std::size_t c = 0; c < at(n_); ++c) start_[c + 1] += start_[c];
    std::vector<int> fill(start_.begin(), start_.end() - 1);
    for (std::size_t e = 0; e < graph.x.size(); ++e) {
      const int a = graph.u[e], b = graph.v[e];
      other_[at(fill[at(a)])] = b;
      value_[at(fill[at(a)]++)] = graph.x[e];
      other_[at(fill[at(b)])] = a;
      value_[at(fill[at(b)]++)] = graph.x[e];
    }
  }

  // Takes the cut as a comb, trying each of its sets as the handle; false when none makes it one
  // (the tightener is then empty).
  bool load(const CitySetCut& cut) {
    const std::size_t sets = cut.sets.size();
    if (!isComb(cut.family) || sets < 4 || sets % 2 != 0) return false;
    for (std::size_t h = 0; h < sets; ++h) {
      std::vector<std::vector<int>> teeth;
      for (std::size_t s = 0; s < sets; ++s) {
        if (s != h) teeth.push_back(cut.sets[s]);
      }
      if (!isComb(cut.sets[h], teeth, n_, scratch_)) continue;
      rhs_ = cut.rhs;
      teeth_ = static_cast<int>(teeth.size());
      inside_.assign(at(teeth_), 0);
      outside_.assign(at(teeth_), 0);
      toothSum_.assign(at(teeth_), 0.0);
      handleSize_ = static_cast<int>(cut.sets[h].size());
      for (int c : cut.sets[h]) {
        inHandle_[at(c)] = 1;
        list(c);
      }
      for (int t = 0; t < teeth_; ++t) {
        for (int c : teeth[at(t)]) {
          tooth_[at(c)] = t;
          ++(inHandle_[at(c)] != 0 ? inside_ : outside_)[at(t)];
          list(c);
        }
      }
      lhs_ = leftHandSide();
      return true;
    }
    return false;
  }

  double lhs() const { return lhs_; }
  double violation() const { return rhs_ - lhs_; }

  // Makes the move that lowers the left-hand side most, among the cities in a set or next to
  // one; false when no move lowers it by more than kLeastGain.
  bool improve() {
    Move best;
    if (++generation_ == 0) {
      std::fill(seen_.begin(), seen_.end(), 0);
      generation_ = 1;
    }
    const std::size_t listedCount = listedCities_.size();
    for (std::size_t i = 0; i < listedCount; ++i) {
      const int c = listedCities_[i];
      if (inHandle_[at(c)] == 0 && tooth_[at(c)] < 0) continue;
      consider(c, best);
      for (int k = start_[at(c)]; k < start_[at(c) + 1]; ++k) consider(other_[at(k)], best);
    }
    if (best.gain > -kLeastGain) return false;
    apply(best);
    return true;
  }

  // The comb as a canonical cut; false when it is no longer one (it always is, but the check is
  // cheap beside the cut's use).
  bool cut(CitySetCut& cut) {
    std::vector<int> handle;
    std::vector<std::vector<int>> teeth(at(teeth_));
    std::vector<int> cities = listedCities_;
    std::sort(cities.begin(), cities.end());
    for (int c : cities) {
      if (inHandle_[at(c)] != 0) handle.push_back(c);
      if (tooth_[at(c)] >= 0) teeth[at(tooth_[at(c)])].push_back(c);
    }
    if (!isComb(handle, teeth, n_, scratch_)) return false;
    const bool edgesOnly =
        std::all_of(teeth.begin(), teeth.end(), [](const auto& t) { return t.size() == 2; });
    return combCut(std::move(handle), std::move(teeth),
                   edgesOnly ? CutFamily::Blossom : CutFamily::Comb, n_, cut);
  }

  void unload() {
    for (int c : listedCities_) {
      inHandle_[at(c)] = 0;
      tooth_[at(c)] = -1;
      listed_[at(c)] = 0;
    }
    listedCities_.clear();
  }

 private:
  enum class Kind : std::uint8_t { None, Handle, LeaveTooth, JoinTooth };
  struct Move {
    double gain = 0.0;  // the change of the left-hand side; negative improves
    int city = -1;
    Kind kind = Kind::None;
    int tooth = -1;
  };

  static std::size_t at(int k) { return static_cast<std::size_t>(k); }

  void list(int c) {
    if (listed_[at(c)] != 0) return;
    listed_[at(c)] = 1;
    listedCities_.push_back(c);
  }

  double leftHandSide() const {
    double total = 0.0;
    for (int c : listedCities_) {
      for (int k = start_[at(c)]; k < start_[at(c) + 1]; ++k) {
        const int w = other_[at(k)];
        // Each crossing edge once per set it crosses, seen from its end inside the set.
        if (inHandle_[at(c)] != 0 && inHandle_[at(w)] == 0) total += value_[at(k)];
        if (tooth_[at(c)] >= 0 && tooth_[at(w)] != tooth_[at(c)]) total += value_[at(k)];
      }
    }
    return total;
  }

  static void keepBetter(Move& best, const Move& move) {
    if (move.gain < best.gain - kLeastGain) best = move;
  }

  // The moves of city v, each kept in best when it lowers the left-hand side more.
  void consider(int v, Move& best) {
    if (seen_[at(v)] == generation_) return;
    seen_[at(v)] = generation_;
    double total = 0.0, toHandle = 0.0;
    touchedTeeth_.clear();
    for (int k = start_[at(v)]; k < start_[at(v) + 1]; ++k) {
      const int w = other_[at(k)];
      const double x = value_[at(k)];
      total += x;
      if (inHandle_[at(w)] != 0) toHandle += x;
      const int t = tooth_[at(w)];
      if (t >= 0) {
        if (toothSum_[at(t)] == 0.0) touchedTeeth_.push_back(t);
        toothSum_[at(t)] += x;
      }
    }
    const int own = tooth_[at(v)];
    const bool inHandle = inHandle_[at(v)] != 0;
    // Into or out of the handle, each tooth still meeting both sides.
    if (inHandle ? (handleSize_ >= 2 && (own < 0 || inside_[at(own)] >= 2))
                 : (handleSize_ <= n_ - 2 && (own < 0 || outside_[at(own)] >= 2))) {
      keepBetter(best, {inHandle ? 2 * toHandle - total : total - 2 * toHandle, v, Kind::Handle});
    }
    if (own >= 0) {
      if ((inHandle ? inside_ : outside_)[at(own)] >= 2) {
        keepBetter(best, {2 * toothSum_[at(own)] - total, v, Kind::LeaveTooth, own});
      }
    } else {
      for (int t : touchedTeeth_) {
        keepBetter(best, {total - 2 * toothSum_[at(t)], v, Kind::JoinTooth, t});
      }
    }
    for (int t : touchedTeeth_) toothSum_[at(t)] = 0.0;
  }

  void apply(const Move& move) {
    const int v = move.city;
    const int own = tooth_[at(v)];
    const bool inHandle = inHandle_[at(v)] != 0;
    switch (move.kind) {
      case Kind::Handle:
        inHandle_[at(v)] = inHandle ? 0 : 1;
        handleSize_ += inHandle ? -1 : 1;
        if (own >= 0) {
          --(inHandle ? inside_ : outside_)[at(own)];
          ++(inHandle ? outside_ : inside_)[at(own)];
        }
        break;
      case Kind::LeaveTooth:
        tooth_[at(v)] = -1;
        --(inHandle ? inside_ : outside_)[at(own)];
        break;
      case Kind::JoinTooth:
        tooth_[at(v)] = move.tooth;
        ++(inHandle ? inside_ : outside_)[at(move.tooth)];
        break;
      case Kind::None:
        return;
    }
    list(v);
    lhs_ += move.gain;
  }

  int n_;
  std::vector<int> start_, other_;
  std::vector<double> value_;
  std::vector<std::uint8_t> inHandle_;
  std::vector<int> tooth_;
  std::vector<std::uint8_t> listed_;
  std::vector<std::uint32_t> seen_;
  std::uint32_t generation_ = 0;
  std::vector<std::uint8_t> scratch_;
  std::vector<int> listedCities_;  // every city that has been in a set of this comb
  std::vector<int> inside_, outside_;
  std::vector<double> toothSum_;
  std::vector<int> touchedTeeth_;
  int teeth_ = 0;
  int handleSize_ = 0;
  std::int32_t rhs_ = 0;
  double lhs_ = 0.0;
};

}  // namespace

std::vector<CitySetCut> tightenCombs(const SupportGraph& graph,
                                     const std::vector<const CitySetCut*>& combs, int limit,
                                     double minimumViolation) {
  if (limit <= 0 || combs.empty()) return {};
  CombTightener tightener(graph);
  std::vector<ScoredCut> found;
  for (const CitySetCut* comb : combs) {
    if (!tightener.load(*comb)) continue;
    const double before = tightener.lhs();
    for (int move = 0; move < kTighteningMoves && tightener.improve(); ++move) {
    }
    if (tightener.lhs() < before - kLeastGain && tightener.violation() >= minimumViolation) {
      CitySetCut cut;
      if (tightener.cut(cut)) found.push_back({std::move(cut), tightener.violation()});
    }
    tightener.unload();
  }
  return bestDistinctCuts(std::move(found), limit);
}

}  // namespace ringmarch::cut
