// An instance of any size, 1 to kMaxInstanceCities cities: an explicit matrix of whole-number
// distances (symmetric or not) or coordinates with a TSPLIB distance rule, whose distances are
// computed when asked so that a large instance never holds an n x n matrix. Every distance fits
// 32 bits (the factories refuse what could not) and lengths of tours are summed in 64 bits, so
// no sum over an instance can overflow. An Instance is a value: it is built whole or not at all.
//
// The distance rules are TSPLIB's, as its documentation defines them: EUC_2D and EUC_3D round the
// Euclidean length to the nearest whole number, CEIL_2D takes its ceiling, ATT is the
// pseudo-Euclidean rule, GEO the great-circle rule over DDD.MM latitudes and longitudes, MAN and
// MAX the Manhattan and maximum rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ringmarch {

enum class DistanceRule : std::uint8_t {
  Explicit,  // a matrix of given distances; coordinates, when present, are for pictures only
  Euc2d,
  Euc3d,
  Ceil2d,
  Att,
  Geo,
  Man2d,
  Man3d,
  Max2d,
  Max3d,
};

// The rule's TSPLIB keyword ("EUC_2D", ...; "EXPLICIT") and back (upper case only).
std::string_view distanceRuleName(DistanceRule rule);
std::optional<DistanceRule> distanceRuleNamed(std::string_view keyword);

constexpr bool isThreeDimensional(DistanceRule rule) {
  return rule == DistanceRule::Euc3d || rule == DistanceRule::Man3d || rule == DistanceRule::Max3d;
}

inline constexpr int kMaxInstanceCities = 100000;

class Instance {
 public:
  Instance() = default;

  // n x n distances, row-major: matrix[from * n + to]. The diagonal is kept but no tour uses it.
  // nullopt (and reason) for n outside 1 .. kMaxInstanceCities or a matrix of another size.
  static std::optional<Instance> fromMatrix(int n, std::vector<std::int32_t> matrix,
                                            std::string* reason = nullptr);
  // Coordinates with a rule other than Explicit; z is empty for the two-dimensional rules. nullopt
  // (and reason) for a wrong count, a coordinate that is not finite, or coordinates so far apart
  // that a distance could leave 32 bits.
  static std::optional<Instance> fromCoordinates(DistanceRule rule, std::vector<double> x,
                                                 std::vector<double> y, std::vector<double> z = {},
                                                 std::string* reason = nullptr);

  int size() const { return n_; }
  DistanceRule rule() const { return rule_; }
  bool isExplicit() const { return rule_ == DistanceRule::Explicit; }
  // Every distance between distinct cities equals its reverse (always so for coordinate rules).
  bool isSymmetric() const { return symmetric_; }

  // Distance from one city to another (0-based). Explicit matrices answer from the table; rules
  // compute it (a few floating-point operations, the same value on every call) and answer 0 from
  // a city to itself (GEO's formula would give 1 there).
  std::int32_t distance(int from, int to) const {
    if (rule_ == DistanceRule::Explicit) {
      return matrix_[static_cast<std::size_t>(from) * static_cast<std::size_t>(n_) +
                     static_cast<std::size_t>(to)];
    }
    return ruleDistanceOf(from, to);
  }

  // The closed tour's length in the listed direction; the tour lists each city once.
  std::int64_t tourLength(std::span<const int> tour) const;
  // True when tour lists every city 0 .. size()-1 exactly once.
  bool isTour(std::span<const int> tour) const;

  // Coordinates: those of the rule, or for an explicit matrix those given for pictures (display
  // data). GEO keeps the file's DDD.MM values: x is the latitude, y the longitude.
  bool hasCoordinates() const { return !x_.empty(); }
  double x(int city) const { return x_[static_cast<std::size_t>(city)]; }
  double y(int city) const { return y_[static_cast<std::size_t>(city)]; }
  double z(int city) const { return z_.empty() ? 0.0 : z_[static_cast<std::size_t>(city)]; }
  // Gives the instance coordinates for pictures (a file's display data). An explicit matrix keeps
  // them as its coordinates; a coordinate rule keeps them beside its own, which its distances
  // still come from. False when the counts do not match.
  bool setDisplayCoordinates(std::vector<double> x, std::vector<double> y);

  // Where pictures put the cities: the display coordinates when given; otherwise the rule's, with
  // GEO's longitude across and its latitude up (north up, DDD.MM values as given).
  bool hasPicture() const { return !x_.empty(); }
  double pictureX(int city) const;
  double pictureY(int city) const;

  // The smallest and the largest distance between distinct cities of an explicit matrix; for a
  // coordinate rule 0 and an upper bound on any distance.
  std::int32_t smallestDistance() const { return smallest_; }
  std::int32_t largestDistance() const { return largest_; }

  // Texts: the instance's name and comment, and one label per city (empty: numbered 1 .. n).
  std::string name;
  std::string comment;
  std::vector<std::string> labels;

 private:
  std::int32_t ruleDistanceOf(int from, int to) const;

  int n_ = 0;
  DistanceRule rule_ = DistanceRule::Explicit;
  bool symmetric_ = true;
  std::int32_t smallest_ = 0;
  std::int32_t largest_ = 0;
  std::vector<std::int32_t> matrix_;
  std::vector<double> x_, y_, z_;
  std::vector<double> displayX_, displayY_;   // display data beside a coordinate rule
  std::vector<double> latitude_, longitude_;  // GEO in radians, computed once
};

}  // namespace ringmarch
