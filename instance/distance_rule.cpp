#include "instance/distance_rule.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ringmarch {
namespace {

// TSPLIB's constants for GEO distances.
constexpr double kGeoPi = 3.141592;
constexpr double kEarthRadius = 6378.388;

struct RuleName {
  std::string_view name;
  DistanceRule rule;
};

constexpr RuleName kRuleNames[] = {
    {"EXPLICIT", DistanceRule::Explicit}, {"EUC_2D", DistanceRule::Euc2d},
    {"EUC_3D", DistanceRule::Euc3d},      {"CEIL_2D", DistanceRule::Ceil2d},
    {"ATT", DistanceRule::Att},           {"GEO", DistanceRule::Geo},
    {"MAN_2D", DistanceRule::Man2d},      {"MAN_3D", DistanceRule::Man3d},
    {"MAX_2D", DistanceRule::Max2d},      {"MAX_3D", DistanceRule::Max3d},
};

bool wholeDistance(double value, std::int32_t& result) {
  if (!std::isfinite(value) || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  result = static_cast<std::int32_t>(value);
  return true;
}

// TSPLIB's nint: the nearest whole number, halves up.
bool nearest(double value, std::int32_t& result) {
  return std::isfinite(value) && wholeDistance(std::floor(value + 0.5), result);
}

}  // namespace

std::string_view distanceRuleName(DistanceRule rule) {
  for (const RuleName& entry : kRuleNames) {
    if (entry.rule == rule) return entry.name;
  }
  return "EXPLICIT";
}

std::optional<DistanceRule> distanceRuleNamed(std::string_view keyword) {
  for (const RuleName& entry : kRuleNames) {
    if (entry.name == keyword) return entry.rule;
  }
  return std::nullopt;
}

double geoRadians(double value) {
  const double degrees = std::trunc(value);
  const double minutes = value - degrees;
  return kGeoPi * (degrees + 5.0 * minutes / 3.0) / 180.0;
}

bool geoDistance(double latA, double lonA, double latB, double lonB, std::int32_t& d) {
  const double q1 = std::cos(lonA - lonB);
  const double q2 = std::cos(latA - latB);
  const double q3 = std::cos(latA + latB);
  // Rounding may push the cosine just past 1 for cities at one place; acos needs [-1, 1].
  const double cosine = std::clamp(0.5 * ((1.0 + q1) * q2 - (1.0 - q1) * q3), -1.0, 1.0);
  return wholeDistance(std::trunc(kEarthRadius * std::acos(cosine) + 1.0), d);
}

bool ruleDistance(DistanceRule rule, const RulePoint& a, const RulePoint& b, std::int32_t& d) {
  const double dx = a.c[0] - b.c[0];
  const double dy = a.c[1] - b.c[1];
  const double dz = a.c[2] - b.c[2];
  switch (rule) {
    case DistanceRule::Euc2d:
      return nearest(std::sqrt(dx * dx + dy * dy), d);
    case DistanceRule::Euc3d:
      return nearest(std::sqrt(dx * dx + dy * dy + dz * dz), d);
    case DistanceRule::Ceil2d:
      return wholeDistance(std::ceil(std::sqrt(dx * dx + dy * dy)), d);
    case DistanceRule::Att: {
      const double r = std::sqrt((dx * dx + dy * dy) / 10.0);
      std::int32_t t = 0;
      if (!nearest(r, t)) return false;
      return wholeDistance(t < r ? static_cast<double>(t) + 1.0 : static_cast<double>(t), d);
    }
    case DistanceRule::Man2d:
      return nearest(std::fabs(dx) + std::fabs(dy), d);
    case DistanceRule::Man3d:
      return nearest(std::fabs(dx) + std::fabs(dy) + std::fabs(dz), d);
    case DistanceRule::Max2d: {
      std::int32_t x = 0;
      std::int32_t y = 0;
      if (!nearest(std::fabs(dx), x) || !nearest(std::fabs(dy), y)) return false;
      d = std::max(x, y);
      return true;
    }
    case DistanceRule::Max3d: {
      std::int32_t x = 0;
      std::int32_t y = 0;
      std::int32_t z = 0;
      if (!nearest(std::fabs(dx), x) || !nearest(std::fabs(dy), y) || !nearest(std::fabs(dz), z)) {
        return false;
      }
      d = std::max({x, y, z});
      return true;
    }
    case DistanceRule::Geo:
      return geoDistance(geoRadians(a.c[0]), geoRadians(a.c[1]), geoRadians(b.c[0]),
                         geoRadians(b.c[1]), d);
    case DistanceRule::Explicit:
      break;
  }
  return false;
}

}  // namespace ringmarch
