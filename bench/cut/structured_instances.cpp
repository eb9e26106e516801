// The structured instances' generators and the names that stand for them (see the header).
#include "bench/cut/structured_instances.h"

#include <charconv>
#include <numeric>
#include <utility>

namespace ringmarch::bench {
namespace {

// splitmix64: the same sequence on every platform and compiler.
class HoleRandom {
 public:
  explicit HoleRandom(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform enough below limit (limit far below 2^64).
  std::size_t below(std::size_t limit) { return static_cast<std::size_t>(next() % limit); }

 private:
  std::uint64_t state_;
};

constexpr int kMostPoints = 100000;

// Whole numbers separated by sep, all of them of the text; nullopt otherwise.
std::optional<std::vector<long long>> numbersOf(std::string_view text, char sep) {
  std::vector<long long> numbers;
  while (true) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) return std::nullopt;
    numbers.push_back(value);
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    if (text.empty()) return numbers;
    if (text.front() != sep) return std::nullopt;
    text.remove_prefix(1);
  }
}

// "RxC" with both at least 1 and R * C at most kMostPoints.
std::optional<std::pair<int, int>> shapeOf(std::string_view text) {
  const auto numbers = numbersOf(text, 'x');
  if (!numbers || numbers->size() != 2) return std::nullopt;
  const long long rows = (*numbers)[0];
  const long long columns = (*numbers)[1];
  if (rows < 1 || columns < 1 || rows > kMostPoints || rows * columns > kMostPoints) {
    return std::nullopt;
  }
  return std::pair<int, int>{static_cast<int>(rows), static_cast<int>(columns)};
}

}  // namespace

PointSet squareLattice(int rows, int columns) {
  PointSet points;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      points.x.push_back(r * kLatticeSpacing);
      points.y.push_back(c * kLatticeSpacing);
    }
  }
  return points;
}

PointSet latticeWithHoles(int side, int cities, std::uint64_t seed) {
  const int all = side * side;
  if (side < 1 || cities < 1 || cities > all) return {};
  // A partial shuffle puts the points that stay in front; they keep the lattice's order.
  std::vector<int> order(static_cast<std::size_t>(all));
  std::iota(order.begin(), order.end(), 0);
  HoleRandom random(seed);
  for (int k = 0; k < cities; ++k) {
    const std::size_t pick =
        static_cast<std::size_t>(k) + random.below(static_cast<std::size_t>(all - k));
    std::swap(order[static_cast<std::size_t>(k)], order[pick]);
  }
  std::vector<bool> kept(static_cast<std::size_t>(all), false);
  for (int k = 0; k < cities; ++k)
    kept[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])] = true;
  const PointSet lattice = squareLattice(side, side);
  PointSet points;
  for (int p = 0; p < all; ++p) {
    if (!kept[static_cast<std::size_t>(p)]) continue;
    points.x.push_back(lattice.x[static_cast<std::size_t>(p)]);
    points.y.push_back(lattice.y[static_cast<std::size_t>(p)]);
  }
  return points;
}

PointSet triangularLattice(int rows, int columns) {
  PointSet points;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      points.x.push_back(c * kTriangleStep + (r % 2 == 1 ? kTriangleStep / 2 : 0));
      points.y.push_back(r * kTriangleRowHeight);
    }
  }
  return points;
}

std::optional<PointSet> structuredPoints(std::string_view name) {
  if (name.starts_with("lattice-")) {
    const auto shape = shapeOf(name.substr(8));
    if (!shape) return std::nullopt;
    return squareLattice(shape->first, shape->second);
  }
  if (name.starts_with("tri-")) {
    const auto shape = shapeOf(name.substr(4));
    if (!shape) return std::nullopt;
    return triangularLattice(shape->first, shape->second);
  }
  if (name.starts_with("holes-")) {
    const auto numbers = numbersOf(name.substr(6), '-');
    if (!numbers || numbers->size() != 3) return std::nullopt;
    const long long side = (*numbers)[0];
    const long long cities = (*numbers)[1];
    const long long seed = (*numbers)[2];
    if (side < 1 || side * side > kMostPoints || cities < 1 || cities > side * side || seed < 0) {
      return std::nullopt;
    }
    return latticeWithHoles(static_cast<int>(side), static_cast<int>(cities),
                            static_cast<std::uint64_t>(seed));
  }
  return std::nullopt;
}

std::optional<Instance> structuredInstance(std::string_view name) {
  std::optional<PointSet> points = structuredPoints(name);
  if (!points) return std::nullopt;
  return Instance::fromCoordinates(DistanceRule::Euc2d, std::move(points->x), std::move(points->y));
}

std::vector<StructuredEntry> structuredSet() {
  return {
      // An odd lattice's tour needs one diagonal: 120 * 100 + 141.
      {"lattice-11x11", 12141},
      // An even one has a tour of lattice steps only.
      {"lattice-10x12", 12000},
      // A Hamiltonian cycle of the triangular lattice's neighbours: 121 * 112.
      {"tri-11x11", 13552},
      {"holes-12-100-1", 10898},
      {"holes-12-105-2", 11358},
      {"holes-12-110-3", 11715},
      {"holes-12-115-4", 12115},
      {"holes-12-120-5", 12492},
      {"holes-12-125-6", 12705},
      {"holes-12-127-7", 12987},
      {"holes-11-110-8", 11246},
  };
}

std::int64_t structuredOptimum(std::string_view name) {
  for (const StructuredEntry& entry : structuredSet()) {
    if (name == entry.name) return entry.optimum;
  }
  return -1;
}

}  // namespace ringmarch::bench
