// The formulas of TSPLIB's distance rules (the rules themselves: <ringmarch/instance.hpp>). A
// distance that does not fit 32 bits is reported as such, never wrapped.
#pragma once

#include <cstdint>

#include <ringmarch/instance.hpp>

namespace ringmarch {

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
