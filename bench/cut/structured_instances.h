// Structured instances of up to 127 cities for the cut engine's table and its tests: square
// lattices, square lattices with holes punched at random, and triangular lattices, all EUC_2D on
// whole-number coordinates. The generators are deterministic on every platform (a generator of
// their own, no standard distribution), so a name always stands for the same cities. Names:
//   lattice-RxC       R x C points 100 apart (city r * C + c at x = 100 r, y = 100 c)
//   holes-S-N-SEED    the S x S lattice less S * S - N points chosen by SEED; N cities
//   tri-RxC           R rows of C points 112 apart, odd rows shifted by 56, rows 97 apart: every
//                     point's six neighbours are at distance 112 after rounding (97 / 56 ~ sqrt 3)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "instance/instance.h"

namespace ringmarch::bench {

inline constexpr int kLatticeSpacing = 100;
inline constexpr int kTriangleStep = 112;
inline constexpr int kTriangleRowHeight = 97;

struct PointSet {
  std::vector<double> x;
  std::vector<double> y;
  int size() const { return static_cast<int>(x.size()); }
};

PointSet squareLattice(int rows, int columns);
// side * side points less (side * side - cities) of them; empty when cities is not in
// 1 .. side * side.
PointSet latticeWithHoles(int side, int cities, std::uint64_t seed);
PointSet triangularLattice(int rows, int columns);

// The points of a structured name (above); nullopt for a name that is none, or too large (more
// than 100,000 points).
std::optional<PointSet> structuredPoints(std::string_view name);
// The points as an EUC_2D instance.
std::optional<Instance> structuredInstance(std::string_view name);

// The set of the table, each with its optimal length, proven by the cut engine (and, where it
// finished, by the canonical engine); -1 where none is recorded.
struct StructuredEntry {
  const char* name;
  std::int64_t optimum;
};
std::vector<StructuredEntry> structuredSet();
std::int64_t structuredOptimum(std::string_view name);

}  // namespace ringmarch::bench
