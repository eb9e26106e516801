// The state of every edge of the engine's complete graph, one byte each, so that pricing and the
// exact bound scan all n (n - 1) / 2 edges in one flat loop without holding their costs (those
// come from the graph when asked). An edge is numbered by its ends a < b as b (b - 1) / 2 + a, so
// a loop over b, then a < b, visits the numbers in order.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace ringmarch::cut {

enum EdgeFlag : std::uint8_t {
  kInLp = 1,        // the edge has an LP column
  kFixedZero = 2,   // no tour of the current node uses it (branching)
  kFixedOne = 4,    // every tour of the current node uses it (branching, or a pair edge)
  kEliminated = 8,  // no tour shorter than the best one uses it (reduced cost at the root)
  kAbsent = 16,     // no tour uses it at all (the twin form's same-side edges)
  kPermanent = 32,  // a fixing that holds for the whole run (the twin form's pair edges)
};

// Edges that contribute nothing to any tour of the current node.
inline constexpr std::uint8_t kExcluded = kFixedZero | kEliminated | kAbsent;

class EdgeTable {
 public:
  static std::int64_t indexOf(int a, int b) {
    if (a > b) std::swap(a, b);
    return static_cast<std::int64_t>(b) * (b - 1) / 2 + a;
  }
  // The ends (a < b) of edge e.
  static std::pair<int, int> endsOf(std::int64_t e);

  explicit EdgeTable(int nodes)
      : n_(nodes), flags_(static_cast<std::size_t>(nodes) * (nodes - 1) / 2, 0) {}

  int nodes() const { return n_; }
  std::int64_t size() const { return static_cast<std::int64_t>(flags_.size()); }
  std::uint8_t flags(std::int64_t e) const { return flags_[static_cast<std::size_t>(e)]; }
  bool has(std::int64_t e, std::uint8_t flag) const { return (flags(e) & flag) != 0; }
  void set(std::int64_t e, std::uint8_t flag) { flags_[static_cast<std::size_t>(e)] |= flag; }
  void clear(std::int64_t e, std::uint8_t flag) {
    flags_[static_cast<std::size_t>(e)] &= static_cast<std::uint8_t>(~flag);
  }
  // Undoes a node's fixing of e to `flag` (kFixedZero or kFixedOne) when the search leaves the
  // node. A fixing to one that has since become permanent (the root's reduced-cost fixing may
  // reach an edge that an open node had fixed already) stays.
  void clearNodeFixing(std::int64_t e, std::uint8_t flag) {
    if (flag == kFixedOne && has(e, kPermanent)) return;
    clear(e, flag);
  }
  const std::vector<std::uint8_t>& all() const { return flags_; }

 private:
  int n_;
  std::vector<std::uint8_t> flags_;
};

inline std::pair<int, int> EdgeTable::endsOf(std::int64_t e) {
  // b is the largest whole number with b (b - 1) / 2 <= e; the root is corrected both ways.
  auto b =
      static_cast<std::int64_t>((1.0 + __builtin_sqrt(1.0 + 8.0 * static_cast<double>(e))) / 2.0);
  while (b * (b - 1) / 2 > e) --b;
  while ((b + 1) * b / 2 <= e) ++b;
  return {static_cast<int>(e - b * (b - 1) / 2), static_cast<int>(b)};
}

}  // namespace ringmarch::cut
