// The any-size instance: its factories check counts and ranges and build the instance whole or
// not at all; distances of a coordinate rule are computed when asked, tour lengths summed in 64
// bits. Reads only its own data; a built instance never changes but by setDisplayCoordinates.
#include <ringmarch/instance.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

#include "instance/distance_rule.h"

namespace ringmarch {
namespace {

void tell(std::string* reason, std::string text) {
  if (reason != nullptr) *reason = std::move(text);
}

bool countFits(int n, std::string* reason) {
  if (n < 1 || n > kMaxInstanceCities) {
    tell(reason, std::to_string(n) + " cities: an instance has 1 to " +
                     std::to_string(kMaxInstanceCities) + " cities");
    return false;
  }
  return true;
}

}  // namespace

std::optional<Instance> Instance::fromMatrix(int n, std::vector<std::int32_t> matrix,
                                             std::string* reason) {
  if (!countFits(n, reason)) return std::nullopt;
  const std::size_t side = static_cast<std::size_t>(n);
  if (matrix.size() != side * side) {
    tell(reason, "a matrix of " + std::to_string(matrix.size()) + " entries for " +
                     std::to_string(n) + " cities (" + std::to_string(side * side) + " expected)");
    return std::nullopt;
  }
  Instance instance;
  instance.n_ = n;
  instance.rule_ = DistanceRule::Explicit;
  std::int32_t smallest = std::numeric_limits<std::int32_t>::max();
  std::int32_t largest = std::numeric_limits<std::int32_t>::min();
  bool symmetric = true;
  for (std::size_t a = 0; a < side; ++a) {
    for (std::size_t b = 0; b < side; ++b) {
      if (a == b) continue;
      const std::int32_t d = matrix[a * side + b];
      smallest = std::min(smallest, d);
      largest = std::max(largest, d);
      if (b > a && d != matrix[b * side + a]) symmetric = false;
    }
  }
  instance.smallest_ = n > 1 ? smallest : 0;
  instance.largest_ = n > 1 ? largest : 0;
  instance.symmetric_ = symmetric;
  instance.matrix_ = std::move(matrix);
  return instance;
}

std::optional<Instance> Instance::fromCoordinates(DistanceRule rule, std::vector<double> x,
                                                  std::vector<double> y, std::vector<double> z,
                                                  std::string* reason) {
  if (rule == DistanceRule::Explicit) {
    tell(reason, "coordinates need a distance rule");
    return std::nullopt;
  }
  const int n = static_cast<int>(std::min<std::size_t>(x.size(), std::size_t{1} << 30));
  if (!countFits(n, reason)) return std::nullopt;
  const bool threeD = isThreeDimensional(rule);
  if (y.size() != x.size() || (threeD ? z.size() != x.size() : !z.empty())) {
    tell(reason, "the coordinate lists differ in length");
    return std::nullopt;
  }
  double low[3] = {0, 0, 0};
  double high[3] = {0, 0, 0};
  for (int axis = 0; axis < (threeD ? 3 : 2); ++axis) {
    const std::vector<double>& values = axis == 0 ? x : axis == 1 ? y : z;
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (!std::isfinite(values[i])) {
        tell(reason, "city " + std::to_string(i + 1) + " has a coordinate that is not a number");
        return std::nullopt;
      }
    }
    low[axis] = *std::min_element(values.begin(), values.end());
    high[axis] = *std::max_element(values.begin(), values.end());
  }
  // No distance exceeds the one across the bounding box (the sum of the sides bounds every rule
  // but GEO, whose distances are at most half the earth's circumference).
  double across = 0.0;
  for (int axis = 0; axis < 3; ++axis) across += high[axis] - low[axis];
  if (rule == DistanceRule::Att) across = across / std::sqrt(10.0) + 1.0;
  if (rule == DistanceRule::Geo) across = 20040.0;
  if (!(across + 1.0 < static_cast<double>(std::numeric_limits<std::int32_t>::max()))) {
    tell(reason, "the coordinates lie so far apart that distances could exceed the 32-bit range");
    return std::nullopt;
  }
  Instance instance;
  instance.n_ = n;
  instance.rule_ = rule;
  instance.symmetric_ = true;
  instance.smallest_ = 0;
  instance.largest_ = static_cast<std::int32_t>(std::ceil(across + 1.0));
  if (rule == DistanceRule::Geo) {
    instance.latitude_.resize(x.size());
    instance.longitude_.resize(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
      instance.latitude_[i] = geoRadians(x[i]);
      instance.longitude_[i] = geoRadians(y[i]);
    }
  }
  instance.x_ = std::move(x);
  instance.y_ = std::move(y);
  instance.z_ = std::move(z);
  return instance;
}

bool Instance::setDisplayCoordinates(std::vector<double> x, std::vector<double> y) {
  if (x.size() != static_cast<std::size_t>(n_) || y.size() != x.size()) return false;
  if (!isExplicit()) {
    displayX_ = std::move(x);
    displayY_ = std::move(y);
    return true;
  }
  x_ = std::move(x);
  y_ = std::move(y);
  z_.clear();
  return true;
}

double Instance::pictureX(int city) const {
  const auto at = static_cast<std::size_t>(city);
  if (!displayX_.empty()) return displayX_[at];
  return rule_ == DistanceRule::Geo ? y_[at] : x_[at];
}

double Instance::pictureY(int city) const {
  const auto at = static_cast<std::size_t>(city);
  if (!displayY_.empty()) return displayY_[at];
  return rule_ == DistanceRule::Geo ? x_[at] : y_[at];
}

std::int32_t Instance::ruleDistanceOf(int from, int to) const {
  // TSPLIB's rules measure between distinct cities; a city is no distance from itself.
  if (from == to) return 0;
  std::int32_t d = 0;
  const auto a = static_cast<std::size_t>(from);
  const auto b = static_cast<std::size_t>(to);
  if (rule_ == DistanceRule::Geo) {
    geoDistance(latitude_[a], longitude_[a], latitude_[b], longitude_[b], d);
    return d;
  }
  RulePoint p;
  RulePoint q;
  p.c[0] = x_[a];
  p.c[1] = y_[a];
  q.c[0] = x_[b];
  q.c[1] = y_[b];
  if (!z_.empty()) {
    p.c[2] = z_[a];
    q.c[2] = z_[b];
  }
  // The factory bounded every distance, so the rule cannot fail here.
  ruleDistance(rule_, p, q, d);
  return d;
}

std::int64_t Instance::tourLength(std::span<const int> tour) const {
  std::int64_t length = 0;
  const std::size_t count = tour.size();
  for (std::size_t i = 0; i < count; ++i) {
    length += distance(tour[i], tour[(i + 1) % count]);
  }
  return length;
}

bool Instance::isTour(std::span<const int> tour) const {
  if (tour.size() != static_cast<std::size_t>(n_)) return false;
  std::vector<char> seen(tour.size(), 0);
  for (int city : tour) {
    if (city < 0 || city >= n_ || seen[static_cast<std::size_t>(city)] != 0) return false;
    seen[static_cast<std::size_t>(city)] = 1;
  }
  return true;
}

}  // namespace ringmarch
