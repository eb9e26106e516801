// TSPLIB's distance rules over coordinates, as its documentation defines them: EUC_2D and EUC_3D
// round the Euclidean length to the nearest whole number, CEIL_2D takes its ceiling, ATT is the
// pseudo-Euclidean rule, GEO the great-circle rule over DDD.MM latitudes and longitudes, MAN and
// MAX the Manhattan and maximum rules. A distance that does not fit 32 bits is reported as such,
// never wrapped.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

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

struct RulePoint {
  double c[3] = {0, 0, 0};  // as the file gives them (GEO: latitude, then longitude, DDD.MM)
};

// The distance between a and b by a coordinate rule; false when it does not fit 32 bits (or the
// rule is Explicit, which has no formula).
bool ruleDistance(DistanceRule rule, const RulePoint& a, const RulePoint& b, std::int32_t& d);

// GEO's conversion of a DDD.MM value to radians, with TSPLIB's value of pi.
double geoRadians(double value);
// GEO's distance between two places given in radians (latitude, longitude).
bool geoDistance(double latA, double lonA, double latB, double lonB, std::int32_t& d);

}  // namespace ringmarch
